#pragma once

#include "app/ChoiceLearning.h"
#include "app/IntakeProblem.h"
#include "app/LowSpaceWatch.h"
#include "expiry/ExpiryScheduler.h"
#include "expiry/ExpiryStore.h"
#include "expiry/FileDeleter.h"
#include "expiry/TrashPurger.h"
#include "intake/DownloadCompletionFilter.h"
#include "intake/DownloadsWatcher.h"
#include "intake/FileKind.h"
#include "platform/Clock.h"
#include "platform/FileFacts.h"
#include "platform/FileManager.h"
#include "platform/WakeNotifier.h"
#include "settings/AppSettings.h"
#include "settings/ExpiryOption.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace fadebin {

// What became of one file dropped on the notch.
struct DropOutcome {
    enum class Kind { pending, scheduled };
    Kind kind;
    TrackedFile* file;
    friend bool operator==(const DropOutcome&, const DropOutcome&) = default;
};

// The one object the rest of the program looks at: owns intake and the expiry engine,
// turns finished downloads into pending files, carries out every decision and publishes
// the lists the notch shows.
class AppModel : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QList<fadebin::TrackedFile*> pendingFiles READ pendingFiles NOTIFY pendingFilesChanged)
    Q_PROPERTY(
        QList<fadebin::TrackedFile*> trackedFiles READ trackedFiles NOTIFY trackedFilesChanged)
    Q_PROPERTY(
        bool downloadsAccessDenied READ downloadsAccessDenied NOTIFY downloadsAccessDeniedChanged)
    // Watching failed on the system's inotify limits, not on the folder: its own state and
    // text, and not downloadsAccessDenied. Tried again on the same check as a missing folder.
    Q_PROPERTY(bool watchLimitReached READ watchLimitReached NOTIFY watchLimitReachedChanged)
    Q_PROPERTY(QString watchLimitText READ watchLimitText NOTIFY watchLimitTextChanged)
    Q_PROPERTY(QString startupError READ startupErrorText NOTIFY startupErrorChanged)
    // Why decisions cannot be saved right now (the disk is full, say); empty while they can.
    Q_PROPERTY(QString storageProblem READ storageProblem NOTIFY storageProblemChanged)
    Q_PROPERTY(std::optional<fadebin::Instant> countdownDeadline READ countdownDeadline NOTIFY
                   countdownDeadlineChanged)

public:
    // databaseFile and the wake notifier's bus are for tests; the program uses the defaults.
    AppModel(AppSettings& settings, Clock& clock, FileManager& fileManager,
             path downloadsFolder = defaultDownloadsFolder(),
             std::optional<path> databaseFile = std::nullopt, QObject* parent = nullptr);
    ~AppModel() override;

    // The user's Downloads folder (user-dirs.dirs honoured), else ~/Downloads.
    [[nodiscard]] static path defaultDownloadsFolder();

    // neverRan: no data of Fadebin was ever made here, so no schedule can be ours yet.
    void start(bool neverRan = false);
    // Every record against its file, then the lists: at start, when Downloads is back or
    // watched again, and after events were lost. Events reconcile only what they concern.
    void refresh();
    // The lists the notch shows, from the records in memory.
    void publish();
    // The lists, and the next sweep planned again.
    void reload();
    // While one lives, records are saved in one transaction and the lists published once,
    // when the last one ends (a bus call naming many files, "Apply to all", a batch of folder
    // events).
    class Batch {
    public:
        explicit Batch(AppModel& model);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        AppModel& m_model;
        std::optional<ExpiryStore::SaveBatch> m_save;
    };
    void updateCountdown();
    void checkDownloadsAccess();
    void recheckDownloadsAccess();
    void updateWatching();

    // A person's decision: it also takes the place of one a rule made.
    void decide(TrackedFile* record, ExpiryOption option);
    void decideAll(ExpiryOption option);
    // A file a rule decided, back to waiting for the person (its notch row or notification
    // asks again); none when its record has ended or its file is gone.
    TrackedFile* askAgain(const QUuid& id);
    // A rule offered from the person's repeated choice (AppModelRules.cpp), until answered or
    // let go.
    [[nodiscard]] const std::optional<RuleOffer>& ruleOffer() const { return m_ruleOffer; }
    // Yes makes it a rule, no is kept for good; either ends the offer.
    void answerRuleOffer(bool accepted);
    // Left unanswered: offered again only after as many of the same choices more.
    void dropRuleOffer();
    // How many files each rule decided, in the order of the settings' rules.
    [[nodiscard]] std::vector<qint64> filesDecidedByRules() const;
    // The reason it failed, none when the file is gone (or was let go as outside Downloads).
    std::optional<QString> deleteNow(TrackedFile* record);
    void reveal(TrackedFile* record);
    [[nodiscard]] FileKind fileKind(TrackedFile* record);
    [[nodiscard]] std::vector<DropOutcome> acceptDrop(const std::vector<path>& filePaths);
    // Whether the sample file could be written (a failure is logged).
    [[nodiscard]] bool writeSampleFile();
    // The record is the sample this run wrote (by identity: a download that takes its name
    // is not the sample).
    [[nodiscard]] bool isSample(const TrackedFile& record) const;
    // The sample this run wrote is still in Downloads, undecided (perhaps not reported yet).
    [[nodiscard]] bool sampleWaiting();

    // For callers outside the notch (the bus interface, the command line): the record that
    // stands for a file in Downloads, taken in exactly as a drop takes it when there is none.
    // Refuses with a reason a file outside Downloads, one reached through a link leading out,
    // and a missing one.
    struct TakenIn {
        TrackedFile* record = nullptr;
        QString refusal;
    };
    [[nodiscard]] TakenIn takeIn(const path& file);
    // Puts back what we moved to the Trash: the item from originalPath, or the most recently
    // trashed one. The file is a new arrival and is asked about again. Returns where it is
    // now, or the reason it was refused.
    struct Restored {
        std::optional<path> file;
        QString refusal;
    };
    [[nodiscard]] Restored restore(const std::optional<path>& originalPath);
    // Puts back every file one sweep moved to the Trash, each to its place; a place taken
    // since is refused with the reason, never overwritten.
    struct Undone {
        std::vector<path> restored;
        std::vector<std::pair<path, QString>> refused;
    };
    [[nodiscard]] Undone undo(const DeletionEvent& event);
    // Undoes the last sweep of this run that moved files to the Trash, once.
    [[nodiscard]] Undone undoLastSweep();

    // Our items still in the Trash, for the settings and the low-space notice.
    struct TrashedTotal {
        qint64 bytes = 0;
        qsizetype count = 0;
    };
    [[nodiscard]] TrashedTotal ownTrashedTotal();
    // Removes our items from the Trash, oldest first, until at least bytesWanted went; what went.
    std::vector<ExpiryStore::OwnTrashed> freeTrashed(qint64 bytesWanted);

    [[nodiscard]] AppSettings& settings() const { return m_settings; }
    [[nodiscard]] const path& downloadsFolder() const { return m_downloadsFolder; }
    // The folder with symbolic links resolved, as every comparison uses it; the path as
    // given until start() resolves it.
    [[nodiscard]] const path& downloadsPath() const {
        return m_downloadsPath.empty() ? m_downloadsFolder : m_downloadsPath;
    }
    [[nodiscard]] QList<TrackedFile*> pendingFiles() const { return m_pendingFiles; }
    [[nodiscard]] QList<TrackedFile*> trackedFiles() const { return m_trackedFiles; }
    [[nodiscard]] bool downloadsAccessDenied() const { return m_downloadsAccessDenied; }
    [[nodiscard]] bool watchLimitReached() const { return !m_watchLimitText.isEmpty(); }
    [[nodiscard]] QString watchLimitText() const { return m_watchLimitText; }
    [[nodiscard]] QString storageProblem() const {
        return m_store ? m_store->saveProblem().value_or(QString()) : QString();
    }
    [[nodiscard]] std::optional<QString> startupError() const { return m_startupError; }
    [[nodiscard]] QString startupErrorText() const { return m_startupError.value_or(QString()); }
    [[nodiscard]] std::optional<Instant> countdownDeadline() const { return m_countdownDeadline; }
    // Why nothing is watched (a refused folder, the database, the folder, the inotify
    // limit); none while intake works or is only paused.
    [[nodiscard]] const IntakeProblem& intakeProblem() const { return m_intakeProblem; }
    // The problem's folder in the file manager: the item in its folder when something is
    // there, else the nearest folder above it that exists.
    void showIntakeProblemFolder();
    // Why the sample file cannot be written now (nothing watches Downloads); empty when it can.
    [[nodiscard]] QString sampleRefusal() const;
    [[nodiscard]] bool hasCountdownTimer() const { return m_countdownTimer != nullptr; }

    [[nodiscard]] ExpiryStore* store() const { return m_store.get(); }
    [[nodiscard]] ExpiryScheduler* scheduler() const { return m_scheduler.get(); }
    [[nodiscard]] LowSpaceWatch* lowSpace() const { return m_lowSpace.get(); }
    [[nodiscard]] DownloadsWatcher* watcher() const { return m_watcher.get(); }
    [[nodiscard]] DownloadCompletionFilter& completionFilter() { return m_completionFilter; }

    std::function<void(TrackedFile*)> onNewPendingFile;

    static constexpr Duration countdownLead{10'000};
    // How often a missing or unreadable Downloads folder is looked for again.
    static constexpr Duration downloadsCheckInterval{3'000};

Q_SIGNALS:
    // Files the engine deleted when they were due, and files let go as they left Downloads:
    // the notch tells of them, the bus passes them on.
    void filesDeleted(const fadebin::DeletionEvent& event);
    void filesReleased(const fadebin::ReleaseEvent& event);
    // A finished download became a pending file (after onNewPendingFile was told).
    void pendingFileAdded(fadebin::TrackedFile* file);
    // A rule decided about a finished download at once; it never waited.
    void decidedByRule(fadebin::TrackedFile* file);
    void ruleOfferChanged();
    void pendingFilesChanged();
    // Our items in the Trash may have changed: a sweep trashed some, or some were removed.
    void ownTrashedChanged();
    void trackedFilesChanged();
    void downloadsAccessDeniedChanged();
    void watchLimitReachedChanged();
    void watchLimitTextChanged();
    void storageProblemChanged();
    void startupErrorChanged();
    void intakeProblemChanged();
    void countdownDeadlineChanged();

private:
    // Intake (AppModelIntake.cpp): the watcher and the completion filter wired to the model,
    // and what they report made into records.
    void wireIntake();
    void handleCompletedDownload(const path& filePath);
    // Decides about a new record by the most specific matching rule; false when none matches.
    bool decideByRule(TrackedFile& record, const path& filePath);
    // Tells the notch and the notices of a file that waits, new or asked about again; false
    // when its record went meanwhile.
    bool announcePending(TrackedFile* record);
    // A person's choice for the record, learned from.
    void learnFrom(TrackedFile& record, ExpiryOption option);
    void handleWatchLost();
    // The record that holds a decision on the file at this path: an active one, or a kept one
    // whose file it still is. One file has one record, whatever its status.
    [[nodiscard]] TrackedFile* decidedRecordFor(const path& file);
    void handleSavedInPlace(const path& filePath);
    void handleReleased(const std::vector<TrackedFile*>& released);
    void handleVacated(const path& filePath);
    // Availability (AppModelAvailability.cpp): whether Downloads can be read and watched,
    // and looking for it again while it cannot.
    void setDownloadsAccessDenied(bool denied);
    void setWatchLimitText(const QString& text);
    void downloadsUnavailable(const SysError& error);
    void lookForDownloads();
    void checkForDownloads();
    void setCountdownDeadline(std::optional<Instant> deadline);
    void refuseStart(IntakeCause cause, const QString& text, const QString& detail = {});
    void updateIntakeProblem();
    // Callbacks handed to the engine never keep the model alive nor reach it once gone.
    template <class Fn> auto weakly(Fn fn) {
        return [self = QPointer<AppModel>(this), fn](auto&&... args) {
            if (self)
                (self->*fn)(std::forward<decltype(args)>(args)...);
        };
    }

    int m_batchDepth = 0;
    // The store's order versions the lists were last built at.
    std::uint64_t m_publishedPending = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t m_publishedTracked = std::numeric_limits<std::uint64_t>::max();
    bool m_publishOwed = false;
    bool m_rescheduleOwed = false;
    bool m_started = false;

    AppSettings& m_settings;
    Clock& m_clock;
    FileManager& m_fileManager;
    path m_downloadsFolder;
    path m_downloadsPath;
    std::optional<path> m_databaseFile;
    std::optional<FileIdentity> m_sample;
    // Since the watch was lost (by file times): what came into the folder since is new.
    std::optional<std::int64_t> m_arrivalsSince;
    QList<TrackedFile*> m_pendingFiles;
    QList<TrackedFile*> m_trackedFiles;
    bool m_downloadsAccessDenied = false;
    QString m_watchLimitText; // empty unless a limit stopped watching
    std::optional<QString> m_startupError;
    IntakeProblem m_startupProblem; // a cause that stopped start(), for the whole run
    IntakeCause m_folderCause = IntakeCause::none; // while Downloads is unavailable
    QString m_watchLimit;                          // the limit's name while one is reached
    IntakeProblem m_intakeProblem;
    std::optional<Instant> m_countdownDeadline;
    std::optional<DeletionEvent> m_lastTrashing;
    TimerHandle m_countdownTimer;
    // Runs only while Downloads is unavailable.
    TimerHandle m_downloadsCheck;
    std::string m_lastAccessError;
    DownloadCompletionFilter m_completionFilter;
    std::unique_ptr<LowSpaceWatch> m_lowSpace;
    FileDeleter m_deleter;
    std::unique_ptr<ExpiryStore> m_store;
    std::unique_ptr<ExpiryScheduler> m_scheduler;
    std::unique_ptr<TrashPurger> m_trashPurger;
    std::unique_ptr<DownloadsWatcher> m_watcher;
    std::unique_ptr<WakeNotifier> m_wake;
    std::unique_ptr<Presence> m_presence;
    // Read from the database on the first choice.
    std::optional<ChoiceLearning> m_learning;
    std::optional<RuleOffer> m_ruleOffer;
};

} // namespace fadebin
