#pragma once

#include "settings/ExpiryOption.h"
#include "expiry/Database.h"
#include "expiry/FileDeleter.h"
#include "expiry/TrackedFile.h"
#include "platform/Bookmark.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fadebin {

// Owns the records of timed files and every change to a schedule: turns decisions into
// expiry dates mirrored in an attribute on the file, follows files through renames,
// notices files that left Downloads or went to the Trash, and rebuilds schedules from
// the attributes when the database is gone. Main thread only.
class ExpiryStore : public QObject {
    Q_OBJECT
public:
    ~ExpiryStore() override;

    // The database at $XDG_DATA_HOME/Fadebin/Fadebin.store, or at databaseFile when given.
    // Fails with the system's or SQLite's text.
    [[nodiscard]] static std::unique_ptr<ExpiryStore>
    open(const path& downloadsURL, Clock& clock, FileDeleter& deleter, QString& error,
         std::optional<path> databaseFile = std::nullopt);
    [[nodiscard]] static std::optional<path> defaultDatabaseFile();

    [[nodiscard]] std::vector<TrackedFile*> files(FileStatus status);
    [[nodiscard]] std::vector<TrackedFile*> activeFiles();
    [[nodiscard]] TrackedFile* recordForPath(const path& p);
    [[nodiscard]] TrackedFile* activeFileAtPath(const path& p);

    TrackedFile* addPending(const path& url, const std::optional<QString>& source);
    void apply(ExpiryOption option, TrackedFile& record, bool applyFinderTag);
    void cancel(TrackedFile& record);
    void relocate(TrackedFile& record, const path& url, bool applyFinderTag);
    [[nodiscard]] std::optional<path> resolveURL(TrackedFile& record);
    void reconcile();
    void recoverFromExtendedAttributes();
    bool save();

    [[nodiscard]] bool isInTrash(const path& url);
    // Inside when the standardized, link-resolved path lies below the Downloads folder.
    [[nodiscard]] bool isInsideDownloads(const path& url) const;

    [[nodiscard]] const path& downloadsURL() const { return m_downloadsURL; }
    [[nodiscard]] const path& downloadsPath() const { return m_downloadsPath; }
    [[nodiscard]] Bookmarks& bookmarks() { return m_bookmarks; }

    std::function<void(const std::vector<TrackedFile*>&)> onReleased;

private:
    ExpiryStore(path downloadsURL, Clock& clock, FileDeleter& deleter,
                std::unique_ptr<Database> database);

    [[nodiscard]] std::vector<TrackedFile*> fetch(const std::vector<QString>& statuses);
    // Live objects for stored rows; a row already live keeps its unsaved changes.
    [[nodiscard]] std::vector<TrackedFile*> liveRecords(std::vector<TrackedFile::Fields> rows);
    TrackedFile* adopt(std::unique_ptr<TrackedFile> record);
    TrackedFile* insertNew(const path& url, const QByteArray& bookmark,
                           const std::optional<QString>& source, FileStatus status,
                           std::optional<Instant> expiresAt);
    void clearMarks(const path& url);

    path m_downloadsURL;
    path m_downloadsPath;
    Clock& m_clock;
    FileDeleter& m_deleter;
    std::unique_ptr<Database> m_database;
    Bookmarks m_bookmarks;
    // One live object per stored record, so that every view and caller shares it.
    std::unordered_map<QString, std::unique_ptr<TrackedFile>> m_records; // by idText
    std::vector<TrackedFile*> m_insertionOrder;
    std::optional<std::vector<path>> m_trashFolders;
};

} // namespace fadebin
