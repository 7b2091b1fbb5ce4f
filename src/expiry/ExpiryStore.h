#pragma once

#include "expiry/Database.h"
#include "expiry/FileDeleter.h"
#include "expiry/TrackedFile.h"
#include "platform/Bookmark.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "settings/ExpiryOption.h"

#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fadebin {

// What became of a record's file that was to be deleted.
struct DeletionOutcome {
    enum class Kind {
        deleted, // trashed (at `trashed`) or deleted for good; the record is deleted
        gone,    // no longer there; the record is deleted
        letGo,   // found outside Downloads now; the record is cancelled
        raced,   // not reached (moved while it was checked, or not found this time); unchanged
        failed,  // still there; `error` says why, the record is unchanged
    };
    Kind kind;
    std::optional<path> trashed;
    SysError error;
    // What was found at the record's place before it went: a folder is one only while there.
    bool wasFolder = false;
    // Why nothing was deleted, in the user's words (every kind but deleted and gone).
    QString refusal = {};
};

// Owns the records of timed files and every change to a schedule: turns decisions into
// expiry dates mirrored in an attribute on the file, follows files through renames,
// notices files that left Downloads or went to the Trash, and rebuilds schedules from
// the attributes when the database is gone. Main thread only.
//
// Active records (pending and scheduled) live in memory from the start, filed by path, by
// file identity and in the order they are listed, so that an event finds the record it
// concerns without reading them all. A record that has ended leaves memory once it is
// saved; the database keeps it.
class ExpiryStore : public QObject, private TrackedFile::Observer {
    Q_OBJECT
public:
    ~ExpiryStore() override;

    // The database at $XDG_DATA_HOME/Fadebin/Fadebin.store, or at databaseFile when given.
    // Fails with the system's or SQLite's text.
    [[nodiscard]] static std::unique_ptr<ExpiryStore>
    open(const path& downloadsFolder, Clock& clock, FileDeleter& deleter, QString& error,
         std::optional<path> databaseFile = std::nullopt, bool neverRan = false);
    [[nodiscard]] static std::optional<path> defaultDatabaseFile();

    // Pending ones by time added, scheduled ones by expiry; the rest as stored.
    [[nodiscard]] std::vector<TrackedFile*> files(FileStatus status);
    // The pending records, then the scheduled ones.
    [[nodiscard]] std::vector<TrackedFile*> activeFiles();
    // Changes whenever a record joins, leaves or moves within that status's order: a list
    // built from files() is still current while this has not changed.
    [[nodiscard]] std::uint64_t orderVersion(FileStatus status) const {
        return status == FileStatus::pending ? m_pendingVersion : m_scheduledVersion;
    }
    [[nodiscard]] TrackedFile* oldestPending() const;
    [[nodiscard]] TrackedFile* soonestScheduled() const;
    [[nodiscard]] std::size_t activeCount() const {
        return m_pendingOrder.size() + m_scheduledOrder.size();
    }
    // Records held in memory: the active ones and those changed but not saved yet.
    [[nodiscard]] std::size_t liveCount() const { return m_records.size(); }
    [[nodiscard]] TrackedFile* recordForPath(const path& p);
    [[nodiscard]] TrackedFile* activeFileAtPath(const path& p);
    // The active record of the file at p: at that path, or its file under a new name (renamed
    // or moved inside Downloads before the change was seen).
    [[nodiscard]] TrackedFile* activeFileFor(const path& p);

    // The one form in which paths are stored and compared: standardized, with every link
    // in the parent folders resolved (the item itself stays as named, a link included).
    [[nodiscard]] static path pathForm(const path& filePath);

    TrackedFile* addPending(const path& filePath, const std::optional<QString>& source);
    void apply(ExpiryOption option, TrackedFile& record, bool applyFileTag);
    void cancel(TrackedFile& record);
    // A scheduled or kept file waits for a decision again, as if it had just arrived; false
    // when its record has ended or its file is gone or no longer in Downloads.
    bool reask(TrackedFile& record);
    // The record with this id (its stored text form), live or read back; none for anything
    // that is not a well-formed id of ours.
    [[nodiscard]] TrackedFile* recordWithId(const QString& id);
    void relocate(TrackedFile& record, const path& filePath, bool applyFileTag);
    [[nodiscard]] std::optional<path> resolvePath(TrackedFile& record);
    // Every active record against its file: at start, after a gap in what was watched.
    void reconcile();
    // Only the records at p or below it: what one event about that name can concern. Whether
    // there were any.
    bool reconcileAt(const path& p);
    // The watcher saw this name moved away (not deleted); the next reconcile uses it.
    void noteMovedAway(const path& name);
    void recoverFromExtendedAttributes();
    // Writes every changed record in one transaction, then brings the files' marks in line
    // with what was saved. A failed save keeps the changes, is tried again with growing
    // pauses and shows as saveProblem() until one goes through.
    bool save();
    // How many files each of these rules decided, in the same order; zeros when that cannot
    // be read. Unsaved decisions count once saved.
    [[nodiscard]] std::vector<qint64> filesDecidedBy(const std::vector<Rule>& rules) const;
    // The person's choice streaks, from which rules are offered; none when they cannot be read.
    [[nodiscard]] std::vector<ChoiceStreak> choiceStreaks() const;
    // Stored at once; a failure is logged and costs only the streak.
    void saveChoiceStreak(const ChoiceStreak& streak);
    [[nodiscard]] const std::optional<QString>& saveProblem() const { return m_saveProblem; }
    // What a caller whose decision is still unsaved is told; none once everything is saved.
    [[nodiscard]] std::optional<QString> notSavedYet() const;
    // That text, as the bus carries it (English), in the user's language; any other text as
    // it is.
    [[nodiscard]] static QString shownNotSaved(const QString& english);
    // How a stop while saves fail tries again before the changes still unsaved are lost.
    static constexpr int savesAtStop = 6;
    static constexpr Duration pauseAtStop{500};
    // While one lives, looking for files that are not at their path lists the search folders
    // once: a batch of events that each concern one record reads Downloads once, not once
    // per record.
    class LookupPass {
    public:
        explicit LookupPass(const ExpiryStore& store)
            : m_pass(store.m_bookmarks) {}

    private:
        Bookmarks::SearchPass m_pass;
    };

    // While one lives, the trashed items of ours are listed once, at the first look for one:
    // a call restoring many files reads the trash folders once, not once a file.
    class TrashPass {
    public:
        explicit TrashPass(ExpiryStore& store)
            : m_store(store) {
            ++m_store.m_trashPassDepth;
        }
        ~TrashPass() {
            if (--m_store.m_trashPassDepth == 0)
                m_store.m_trashIndex.reset();
        }
        TrashPass(const TrashPass&) = delete;
        TrashPass& operator=(const TrashPass&) = delete;

    private:
        ExpiryStore& m_store;
    };

    // While one lives, saves wait; every change made meanwhile is written in one transaction
    // when the last one ends (a bus call naming many files, "Apply to all").
    class SaveBatch {
    public:
        explicit SaveBatch(ExpiryStore& store)
            : m_store(store) {
            ++m_store.m_batchDepth;
        }
        ~SaveBatch() {
            if (--m_store.m_batchDepth == 0)
                m_store.save();
        }
        SaveBatch(const SaveBatch&) = delete;
        SaveBatch& operator=(const SaveBatch&) = delete;

    private:
        ExpiryStore& m_store;
    };
    static constexpr Duration firstSaveRetry{1'000};
    static constexpr Duration longestSaveRetry{60'000};

    // An item in a trash that one of our ended records names (its file, by identity) and
    // whose info file says it came from inside Downloads: at originalPath when given, else
    // the most recently trashed of them.
    [[nodiscard]] std::optional<path> findTrashed(const std::optional<path>& originalPath);
    // Puts back an item findTrashed named, if it still is one of ours and its info file
    // (read once) names a place inside Downloads (originalPath, when given).
    [[nodiscard]] Result<path> restoreTrashed(const path& itemInFiles,
                                              const std::optional<path>& originalPath);
    // The one way a record's file is deleted, for the sweep and "Delete now" alike: found
    // by its bookmark, checked to be inside Downloads and to still be the record's file on
    // the opened item, then moved or removed.
    DeletionOutcome deleteFile(TrackedFile& record, DeletionMethod method);

    // Removes from the trashes the items of our deleted records that went there by our hand
    // at or before trashedBy and are provably still ours; their records become purged. How
    // many went.
    std::size_t purgeTrashed(Instant trashedBy);
    // One of our items still in a trash: the very item we moved there, at its place in files/.
    struct OwnTrashed {
        QUuid id;
        path item;
        path originalPath;
        qint64 size = 0;
        Instant trashedAt;
    };
    // Our items still in the trashes we act in, oldest first.
    [[nodiscard]] std::vector<OwnTrashed> ownTrashed();
    // Removes our trashed items, oldest first, until at least bytesWanted went or none is
    // left; the ones that went.
    std::vector<OwnTrashed> freeTrashed(qint64 bytesWanted);

    [[nodiscard]] bool isInTrash(const path& filePath) const;
    // Inside when the standardized, link-resolved path lies below the Downloads folder and
    // not in a trash folder (a volume's trash lies inside Downloads when that is a mount).
    [[nodiscard]] bool isInsideDownloads(const path& filePath) const;
    // Whether the Downloads folder itself can be seen now. A folder that is missing, cannot
    // be read, or is the empty mount point of a disk that is not mounted is not an empty
    // Downloads: nothing is concluded about records while it is unavailable.
    [[nodiscard]] bool downloadsAvailable();

    [[nodiscard]] const path& downloadsFolder() const { return m_downloadsFolder; }
    [[nodiscard]] const path& downloadsPath() const { return m_downloadsPath; }

    std::function<void(const std::vector<TrackedFile*>&)> onReleased;
    // A file that came into Downloads carrying an expiry no record of ours set: its marks
    // are gone and it is to be asked about like a new download.
    std::function<void(const path&)> onForeignSchedule;
    // A record's file was trashed or deleted by us: another name of it (a hard link) that
    // comes into Downloads later is a new file.
    std::function<void(const FileIdentity&)> onFileDeleted;

Q_SIGNALS:
    void saveProblemChanged();

private:
    ExpiryStore(path downloadsFolder, Clock& clock, FileDeleter& deleter,
                std::unique_ptr<Database> database);

    [[nodiscard]] std::vector<TrackedFile*> fetch(const std::vector<QString>& statuses);
    [[nodiscard]] bool loadActive(QString& error);
    // Brings the indexes in line with the record's fields (called on every change of them).
    void file(TrackedFile& record);
    void unfile(const TrackedFile& record);
    // Lets saved records that are no longer active leave memory.
    void dropEnded();
    void releaseRetired();
    void recordChanged(TrackedFile& record, bool filing) override;
    // One record against its file; released collects the ones let go.
    void reconcileRecord(TrackedFile& record, const std::unordered_set<std::string>& movedAway,
                         std::vector<TrackedFile*>& released);
    void finishReconcile(const std::vector<TrackedFile*>& released);
    // Live objects for stored rows; a row already live keeps its unsaved changes.
    [[nodiscard]] std::vector<TrackedFile*> liveRecords(std::vector<TrackedFile::Fields> rows);
    TrackedFile* adopt(std::unique_ptr<TrackedFile> record);
    TrackedFile* insertNew(const path& filePath, const QByteArray& bookmark,
                           const std::optional<QString>& source, FileStatus status,
                           std::optional<Instant> expiresAt);
    // The marks a scheduled file carries (expiry, record id, tag), and their removal.
    void markScheduled(const TrackedFile& record, const path& filePath, bool applyFileTag);
    // The file at filePath is to carry the marks of the record's state once that state is saved.
    void oweMarks(const TrackedFile& record, const path& filePath, bool applyFileTag);
    void payOwedMarks();
    void saveFailed(const QString& error);
    void saveBeforeStop();
    void clearMarks(const path& filePath, const TrackedFile* owner = nullptr);
    [[nodiscard]] bool isOwnersFile(const TrackedFile& record, const path& other) const;
    [[nodiscard]] std::unordered_set<FileIdentity, FileIdentityHash> trashedIdentities();
    // The deleted rows (saved, and changed since) whose bookmark says we trashed them.
    [[nodiscard]] std::vector<std::pair<TrackedFile::Fields, BookmarkToken>> trashedRows();
    // Those of the rows whose item is still in a trash we act in and still ours, oldest first.
    [[nodiscard]] std::vector<OwnTrashed>
    ownTrashedIn(const std::vector<std::pair<TrackedFile::Fields, BookmarkToken>>& rows);
    // Removes the items of those rows that are provably still ours; the ids of the ones that went.
    QSet<QUuid> purgeRows(std::vector<std::pair<TrackedFile::Fields, BookmarkToken>> rows);
    // The identities of ours and the names in each trash folder, sorted: an item trashed from
    // a place has a name that begins as the place's does, so a look for one reads the info
    // files of those few items and no others.
    struct TrashIndex {
        std::unordered_set<FileIdentity, FileIdentityHash> ours;
        std::vector<std::pair<path, std::vector<std::string>>> folders;
        std::unordered_set<std::string> gone; // restored or gone since the listing
    };
    [[nodiscard]] TrashIndex listTrashed();
    // The pass's index, or one made for this look alone.
    [[nodiscard]] TrashIndex& trashIndex(std::optional<TrashIndex>& own);
    // Where a file may have gone after a restart: Downloads, its subfolders (bounded), then
    // the trash folders.
    [[nodiscard]] std::vector<path> searchFolders() const;

    path m_downloadsFolder;
    path m_downloadsPath;
    Clock& m_clock;
    FileDeleter& m_deleter;
    std::unique_ptr<Database> m_database;
    Bookmarks m_bookmarks;
    // One live object per stored record, so that every view and caller shares it.
    std::unordered_map<QString, std::unique_ptr<TrackedFile>> m_records; // by idText
    // Changed and not saved yet, in the order they came in (new rows are written in it).
    std::map<std::uint64_t, TrackedFile*> m_unsaved;
    // Changed, or read back though not active: they leave memory once saved and not active.
    std::unordered_set<TrackedFile*> m_mayHaveEnded;
    // The one order of each active status's list, files() and the notch alike: pending
    // records by time added, scheduled ones by expiry; ties go in the order records came in.
    using ListKey = std::pair<Instant, std::uint64_t>;
    using List = std::map<ListKey, TrackedFile*>;
    [[nodiscard]] static ListKey listKey(const TrackedFile& record, std::uint64_t sequence);
    [[nodiscard]] List& listOf(bool pending);
    // Where each live record is filed, as it was when filed: the key to take it out again.
    struct Filing {
        std::uint64_t sequence = 0; // the order records came in
        bool active = false;
        std::string path;
        std::optional<FileIdentity> identity; // device and inode only
        ListKey listKey;
        bool pending = false;
    };
    std::unordered_map<const TrackedFile*, Filing> m_filing;
    std::uint64_t m_nextSequence = 0;
    std::uint64_t m_pendingVersion = 0;
    std::uint64_t m_scheduledVersion = 0;
    std::multimap<std::string, TrackedFile*> m_activeByPath;
    std::unordered_multimap<FileIdentity, TrackedFile*, FileIdentityHash> m_activeByIdentity;
    std::unordered_map<std::uint64_t, std::size_t> m_activeOnDevice; // active records per device
    List m_pendingOrder;
    List m_scheduledOrder;
    // Records that left memory but may still be referenced until the event loop turns.
    std::vector<QPointer<TrackedFile>> m_retired;
    static constexpr std::size_t dropsBeforeTrim = 256;
    std::size_t m_droppedSinceTrim = 0;
    TimerHandle m_trim;
    mutable std::optional<std::vector<path>> m_trashFolders;
    bool m_toldUnavailable = false;
    int m_batchDepth = 0;
    std::unordered_set<std::string> m_movedAway;
    int m_trashPassDepth = 0;
    std::optional<TrashIndex> m_trashIndex;
    struct OwedMarks {
        path filePath;
        bool applyFileTag;
    };
    std::unordered_map<QString, OwedMarks> m_owedMarks; // by idText
    std::optional<QString> m_saveProblem;
    QString m_saveReason;
    TimerHandle m_saveRetry;
    Duration m_saveRetryDelay{};
    // The database was made at this start: schedules are rebuilt from the files' attributes.
    bool m_databaseLost = false;
    // Those attributes were read (Downloads was there to read them).
    bool m_recovered = false;
};

} // namespace fadebin
