#include "app/AppModel.h"

#include "intake/FileKind.h"
#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/XdgPaths.h"

#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace fadebin {

namespace {

std::optional<QString> refusedFolder(const path& downloads) {
    if (downloads == path("/"))
        return QStringLiteral("Fadebin is not watching anything: the Downloads folder is set to "
                              "the root folder. Give Downloads a folder of its own (for example "
                              "with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) and "
                              "start Fadebin again.");
    const std::optional<path> home = homeFolder();
    if (home && resolvedPath(*home) == downloads)
        return QStringLiteral("Fadebin is not watching anything: the Downloads folder is set to "
                              "your home folder (%1). Give Downloads a folder of its own (for "
                              "example with “xdg-user-dirs-update --set DOWNLOAD ~/Downloads”) "
                              "and start Fadebin again.")
            .arg(toQString(downloads));
    return std::nullopt;
}

} // namespace

template <class Fn> auto AppModel::weakly(Fn fn) {
    // Callbacks handed to the engine never keep the model alive nor reach it once gone.
    return [self = QPointer<AppModel>(this), fn](auto&&... args) {
        if (self)
            (self->*fn)(std::forward<decltype(args)>(args)...);
    };
}

AppModel::AppModel(AppSettings& settings, Clock& clock, Workspace& workspace, path downloadsURL,
                   std::optional<path> databaseFile, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
    , m_workspace(workspace)
    , m_downloadsURL(std::move(downloadsURL))
    , m_databaseFile(std::move(databaseFile))
    , m_completionFilter(clock) {}

AppModel::~AppModel() = default;

path AppModel::defaultDownloadsURL() {
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!location.isEmpty())
        return fromQString(location);
    return homeFolder().value_or(path("/")) / "Downloads";
}

void AppModel::start() {
    // One form of the folder's path for everything that compares paths: with Downloads a
    // symbolic link to another disk, the link's path and the resolved one would never match.
    m_downloadsPath = resolvedPath(m_downloadsURL);
    // The user-dirs file points Downloads at the home folder when the folder is missing;
    // timing everything in $HOME (or /) would be a disaster, so nothing starts.
    if (const std::optional<QString> refusal = refusedFolder(m_downloadsPath)) {
        m_startupError = *refusal;
        FADEBIN_LOG_ERROR(LogCategory::App, "%s", refusal->toUtf8().constData());
        Q_EMIT startupErrorChanged();
        return;
    }
    QString error;
    m_store = ExpiryStore::open(m_downloadsPath, m_clock, m_deleter, error, m_databaseFile);
    if (!m_store) {
        m_startupError = QStringLiteral("Could not open the Fadebin database: ") + error;
        FADEBIN_LOG_ERROR(LogCategory::App, "%s", m_startupError->toUtf8().constData());
        Q_EMIT startupErrorChanged();
        return;
    }
    m_store->onReleased = weakly(&AppModel::handleReleased);
    m_store->onForeignSchedule = weakly(&AppModel::handleCompletedDownload);
    connect(m_store.get(), &ExpiryStore::saveProblemChanged, this,
            &AppModel::storageProblemChanged);
    if (kernelOpensBeneath())
        FADEBIN_LOG_INFO(LogCategory::App, "Files in Downloads are reached beneath it by the "
                                           "kernel (openat2)");
    else
        FADEBIN_LOG_INFO(LogCategory::App, "This kernel has no openat2: paths in Downloads are "
                                           "walked one folder at a time, links checked");

    m_scheduler = std::make_unique<ExpiryScheduler>(*m_store, m_settings, m_deleter, m_clock);
    m_scheduler->onSweep = weakly(&AppModel::publish);
    QPointer<AppModel> self(this);
    m_scheduler->onDeletion = [self](const DeletionEvent& event) {
        if (self)
            Q_EMIT self->filesDeleted(event.names);
        if (self && self->onDeletion)
            self->onDeletion(event);
    };
    m_wake = std::make_unique<WakeNotifier>();
    connect(m_wake.get(), &WakeNotifier::woke, m_scheduler.get(), &ExpiryScheduler::wakeNotice);

    m_completionFilter.onComplete = weakly(&AppModel::handleCompletedDownload);
    m_completionFilter.onReplaced = weakly(&AppModel::handleSavedInPlace);
    m_completionFilter.onVacated = weakly(&AppModel::handleVacated);

    m_watcher = std::make_unique<DownloadsWatcher>(m_downloadsPath);
    m_watcher->onMovedAway = [self](const path& url) {
        if (self && self->m_store)
            self->m_store->noteMovedAway(url);
    };
    m_watcher->onItemEvent = [self](const path& url) {
        if (self)
            self->m_completionFilter.handleItemEvent(url);
    };
    // The folder may already be back (replaced by a new one); otherwise it is looked for.
    m_watcher->onWatchLost = weakly(&AppModel::checkDownloadsAccess);
    m_watcher->onRescanned = weakly(&AppModel::refresh);
    m_watcher->knownNames = [self] {
        return self ? self->m_completionFilter.knownNames() : std::vector<std::string>{};
    };

    checkDownloadsAccess();
    m_store->recoverFromExtendedAttributes();
    m_scheduler->start(); // the first full reconcile, then a sweep
    m_started = true;
    publish();
}

void AppModel::refresh() {
    if (!m_store)
        return;
    m_store->reconcile();
    publish();
}

AppModel::Batch::Batch(AppModel& model)
    : m_model(model) {
    ++m_model.m_batchDepth;
    if (m_model.m_store)
        m_save.emplace(*m_model.m_store);
}

AppModel::Batch::~Batch() {
    m_save.reset();
    if (--m_model.m_batchDepth > 0)
        return;
    if (std::exchange(m_model.m_rescheduleOwed, false))
        m_model.reload();
    else if (std::exchange(m_model.m_publishOwed, false))
        m_model.publish();
}

void AppModel::handleVacated(const path& url) {
    if (!m_store)
        return;
    // Only the records at that name (or below it, for a folder) can have changed; most
    // names that go are of files never timed.
    if (m_store->reconcileAt(url))
        publish();
}

void AppModel::publish() {
    if (!m_store)
        return;
    if (m_batchDepth > 0) {
        m_publishOwed = true;
        return;
    }
    // Both already in the order shown: pending by time added, tracked by expiry. A list whose
    // order has not changed since it was published is not read again (in a burst of arrivals
    // the tracked list stays as it is).
    const auto republish = [this](FileStatus status, std::uint64_t& published,
                                  QList<TrackedFile*>& list, void (AppModel::*changed)()) {
        const std::uint64_t version = m_store->orderVersion(status);
        if (std::exchange(published, version) == version)
            return;
        const std::vector<TrackedFile*> files = m_store->files(status);
        QList<TrackedFile*> fresh(files.begin(), files.end());
        if (fresh == list)
            return;
        list = std::move(fresh);
        Q_EMIT(this->*changed)();
    };
    republish(FileStatus::pending, m_publishedPending, m_pendingFiles,
              &AppModel::pendingFilesChanged);
    republish(FileStatus::scheduled, m_publishedTracked, m_trackedFiles,
              &AppModel::trackedFilesChanged);
    updateCountdown();
}

void AppModel::reload() {
    if (m_batchDepth > 0) {
        m_rescheduleOwed = true;
        return;
    }
    publish();
    if (m_scheduler)
        m_scheduler->reschedule();
}

void AppModel::updateCountdown() {
    m_countdownTimer.reset();
    if (m_trackedFiles.isEmpty() || !m_trackedFiles.front()->expiresAt()) {
        setCountdownDeadline(std::nullopt);
        return;
    }
    const Instant expires = *m_trackedFiles.front()->expiresAt();
    const Instant countdownStart = expires - countdownLead;
    const Instant now = m_clock.now();
    if (countdownStart <= now) {
        setCountdownDeadline(expires);
        return;
    }
    setCountdownDeadline(std::nullopt);
    m_countdownTimer = m_clock.singleShot(countdownStart - now, weakly(&AppModel::updateCountdown));
}

void AppModel::setCountdownDeadline(std::optional<Instant> deadline) {
    if (deadline == m_countdownDeadline)
        return;
    m_countdownDeadline = deadline;
    Q_EMIT countdownDeadlineChanged();
}

void AppModel::setDownloadsAccessDenied(bool denied) {
    if (denied == m_downloadsAccessDenied)
        return;
    m_downloadsAccessDenied = denied;
    Q_EMIT downloadsAccessDeniedChanged();
}

void AppModel::setWatchLimitText(const QString& text) {
    if (text == m_watchLimitText)
        return;
    const bool wasReached = watchLimitReached();
    m_watchLimitText = text;
    Q_EMIT watchLimitTextChanged();
    if (watchLimitReached() != wasReached)
        Q_EMIT watchLimitReachedChanged();
}

void AppModel::checkDownloadsAccess() {
    // Watching starts before the baseline is taken, so that a file created in between is
    // either in the baseline or reported by its event, and never lost between the two.
    const bool watch = m_watcher && !m_settings.pauseWatching();
    if (watch) {
        m_watcher->start();
        if (!m_watcher->isWatching()) {
            // The watcher logged the call that failed; the reason is what matters here.
            const SysError error = m_watcher->startError().value_or(SysError{});
            // A full inotify table is no fault of the folder, and its permissions are no cure.
            if (const std::optional<QString> limit = DownloadsWatcher::watchLimitText(error)) {
                setWatchLimitText(*limit);
                setDownloadsAccessDenied(false);
                lookForDownloads();
                return;
            }
            downloadsUnavailable(SysError{error.code, {}});
            return;
        }
    }
    const Status baseline = m_completionFilter.recordBaseline(downloadsPath());
    if (!baseline) {
        if (m_watcher)
            m_watcher->stop();
        downloadsUnavailable(baseline.error());
        return;
    }
    // Every operation on a file starts from one descriptor of the folder watched now.
    if (m_store) [[maybe_unused]]
        const Status reopened = m_deleter.downloads().reopen();
    m_downloadsCheck.reset();
    m_lastAccessError.clear();
    setWatchLimitText({});
    setDownloadsAccessDenied(false);
    updateWatching();
    // Watched again (back from a pause, a lost watch or an unavailable folder): what happened
    // meanwhile went unseen, so every record is looked at once.
    if (m_started)
        refresh();
}

void AppModel::downloadsUnavailable(const SysError& error) {
    // Checked again every few seconds; the same failure is logged once, not every time.
    const std::string text = error.text();
    if (!m_downloadsAccessDenied || text != m_lastAccessError)
        FADEBIN_LOG_ERROR(LogCategory::App, "Downloads access denied: %s", text.c_str());
    m_lastAccessError = text;
    setWatchLimitText({});
    setDownloadsAccessDenied(true);
    lookForDownloads();
}

void AppModel::lookForDownloads() {
    if (!m_downloadsCheck)
        m_downloadsCheck =
            m_clock.repeating(downloadsCheckInterval, weakly(&AppModel::checkForDownloads));
}

void AppModel::checkForDownloads() {
    // Opening the folder is enough to see it is back; the baseline then lists it.
    if (canOpenFolder(downloadsPath()))
        checkDownloadsAccess();
}

void AppModel::recheckDownloadsAccess() {
    if (listNames(downloadsPath())) {
        if (m_downloadsAccessDenied || watchLimitReached())
            checkDownloadsAccess();
        return;
    }
    setDownloadsAccessDenied(true);
    updateWatching();
    lookForDownloads();
}

void AppModel::updateWatching() {
    if (!m_watcher)
        return;
    if (m_settings.pauseWatching() || m_downloadsAccessDenied) {
        m_watcher->stop();
        return;
    }
    // Every start of watching, a resume after a pause included, takes a new baseline:
    // what changed meanwhile went unseen.
    if (!m_watcher->isWatching())
        checkDownloadsAccess();
}

void AppModel::decide(TrackedFile* record, ExpiryOption option) {
    // A row shown a moment ago may belong to a record that has ended since; it stays ended.
    if (!m_store || !record || isFinal(record->status()))
        return;
    m_store->apply(option, *record, m_settings.applyFinderTag());
    reload();
}

void AppModel::decideAll(ExpiryOption option) {
    if (!m_store)
        return;
    const QList<TrackedFile*> pending = m_pendingFiles;
    const Batch batch(*this);
    for (TrackedFile* record : pending)
        if (!isFinal(record->status()))
            m_store->apply(option, *record, m_settings.applyFinderTag());
    m_rescheduleOwed = true;
}

std::optional<QString> AppModel::deleteNow(TrackedFile* record) {
    if (!m_store || !record || isFinal(record->status()))
        return std::nullopt;
    const DeletionOutcome deleted = m_store->deleteFile(*record, m_settings.deletionMethod());
    std::optional<QString> failure;
    if (deleted.kind == DeletionOutcome::Kind::failed) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Delete now failed for %s: %s",
                          record->displayName().toUtf8().constData(), deleted.error.text().c_str());
        failure = deleted.error.description();
    }
    m_store->save();
    reload();
    return failure;
}

void AppModel::showDownloadsFolder() {
    m_workspace.showFolder(downloadsPath());
}

void AppModel::reveal(TrackedFile* record) {
    if (!m_store || !record)
        return;
    if (const std::optional<path> url = m_store->resolveURL(*record))
        m_workspace.reveal(*url);
}

FileKind AppModel::fileKind(TrackedFile* record) {
    if (!record)
        return FileKind::other;
    bool isFolder = false;
    if (m_store) {
        if (const std::optional<path> url = m_store->resolveURL(*record)) {
            const auto facts = statPath(*url);
            isFolder = facts && facts->isDirectory;
        }
    }
    return classify(record->displayName().toStdString(), isFolder);
}

std::vector<DropOutcome> AppModel::acceptDrop(const std::vector<path>& urls) {
    std::vector<DropOutcome> outcomes;
    if (!m_store)
        return outcomes;
    for (const path& given : urls) {
        const auto admitted = m_deleter.downloads().admit(given.native());
        if (!std::holds_alternative<AdmittedPath>(admitted))
            continue;
        const path& url = std::get<AdmittedPath>(admitted).absolute;
        if (!m_store->isInsideDownloads(url) || !pathExists(url))
            continue;
        if (TrackedFile* record = m_store->activeFileFor(url)) {
            outcomes.push_back({record->status() == FileStatus::scheduled
                                    ? DropOutcome::Kind::scheduled
                                    : DropOutcome::Kind::pending,
                                record});
            continue;
        }
        TrackedFile* added = m_store->addPending(url, sourceName(url));
        if (!added)
            continue;
        FADEBIN_LOG_INFO(LogCategory::App, "Pending: %s dropped on the notch",
                         added->displayName().toUtf8().constData());
        outcomes.push_back({DropOutcome::Kind::pending, added});
    }
    if (!outcomes.empty())
        reload();
    return outcomes;
}

bool AppModel::writeSampleFile() {
    const QByteArray text =
        "This is a sample file from Fadebin. Give it 30 seconds and watch it go to the Trash.\n";
    QSaveFile file(toQString(downloadsPath() / sampleFileName.toStdString()));
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    FADEBIN_LOG_ERROR(LogCategory::App, "Could not write the sample file: %s",
                      file.errorString().toUtf8().constData());
    return false;
}

QString AppModel::refusalText(PathRefusal refusal) {
    switch (refusal) {
    case PathRefusal::notAPath:
        return QStringLiteral("not a path");
    case PathRefusal::notAbsolute:
        return QStringLiteral("not an absolute path");
    case PathRefusal::notAnItem:
        return QStringLiteral("not a file's name (it ends in \".\" or \"..\")");
    case PathRefusal::downloadsOrAbove:
        return QStringLiteral("Downloads itself and the folders that hold it cannot be timed");
    case PathRefusal::missing:
        return QStringLiteral("no such file");
    case PathRefusal::outside:
        break;
    }
    return QStringLiteral("only files in Downloads can be timed");
}

AppModel::TakenIn AppModel::takeIn(const path& given) {
    if (!m_store)
        return {nullptr, m_startupError.value_or(QStringLiteral("Fadebin has not started"))};
    // The one place a caller's path becomes a place in Downloads: its folder resolved by the
    // kernel beneath the folder, the item taken as named.
    const auto admitted = m_deleter.downloads().admit(given.native());
    if (const auto* refusal = std::get_if<PathRefusal>(&admitted))
        return {nullptr, refusalText(*refusal)};
    const path& file = std::get<AdmittedPath>(admitted).absolute;
    // The cheapest look first: a call may name a hundred thousand files that are not there.
    if (!pathExists(file))
        return {nullptr, refusalText(PathRefusal::missing)};
    if (!m_store->isInsideDownloads(file))
        return {nullptr, refusalText(PathRefusal::outside)};
    if (TrackedFile* active = m_store->activeFileFor(file))
        return {active, {}};
    // A kept file is the kept record's, not a new arrival.
    if (TrackedFile* known = m_store->recordForPath(file);
        known && known->status() == FileStatus::keepForever &&
        m_store->resolveURL(*known) == ExpiryStore::pathForm(file))
        return {known, {}};
    const std::vector<DropOutcome> outcomes = acceptDrop({file});
    if (outcomes.empty())
        return {nullptr, QStringLiteral("it cannot be tracked")};
    return {outcomes.front().file, {}};
}

AppModel::Restored AppModel::restore(const std::optional<path>& originalPath) {
    if (!m_store)
        return {std::nullopt, m_startupError.value_or(QStringLiteral("Fadebin has not started"))};
    std::optional<path> wanted;
    if (originalPath) {
        const auto admitted = m_deleter.downloads().admit(originalPath->native());
        const auto* refusal = std::get_if<PathRefusal>(&admitted);
        if (refusal && *refusal != PathRefusal::outside)
            return {std::nullopt, refusalText(*refusal)};
        if (refusal)
            return {std::nullopt, QStringLiteral("only files in Downloads can be restored")};
        wanted = std::get<AdmittedPath>(admitted).absolute;
    }
    const std::optional<path> trashed = m_store->findTrashed(wanted);
    if (!trashed)
        return {std::nullopt, QStringLiteral("Fadebin has nothing of that name in the Trash")};
    const auto back = m_store->restoreTrashed(*trashed, wanted);
    if (!back)
        return {std::nullopt, back.error().code == EEXIST
                                  ? QStringLiteral("another file is at its place now")
                                  : back.error().description()};
    FADEBIN_LOG_INFO(LogCategory::App, "Restored %s from the Trash", logName(*back).constData());
    handleCompletedDownload(*back);
    return {*back, {}};
}

void AppModel::handleCompletedDownload(const path& url) {
    if (!m_store)
        return;
    const std::string ext = lowerExtension(url);
    if (!ext.empty() &&
        m_settings.excludedExtensions().contains(QString::fromUtf8(ext).toLower())) {
        FADEBIN_LOG_INFO(LogCategory::App, "Ignoring %s: extension excluded in settings",
                         logName(url).constData());
        return;
    }
    const std::optional<QString> source = sourceName(url);
    TrackedFile* record = m_store->addPending(url, source);
    if (!record)
        return;
    FADEBIN_LOG_INFO(LogCategory::App, "Pending: %s from %s",
                     record->displayName().toUtf8().constData(),
                     source.value_or(QStringLiteral("unknown")).toUtf8().constData());
    reload();
    if (onNewPendingFile)
        onNewPendingFile(record);
}

void AppModel::handleSavedInPlace(const path& url) {
    if (!m_store)
        return;
    TrackedFile* record = m_store->recordForPath(url);
    if (!record) {
        FADEBIN_LOG_INFO(LogCategory::App, "Ignoring %s: existing file saved in place",
                         logName(url).constData());
        return;
    }
    const FileStatus status = record->status();
    if (status == FileStatus::deleted || status == FileStatus::cancelled) {
        handleCompletedDownload(url);
        return;
    }
    m_store->relocate(*record, url, m_settings.applyFinderTag());
    FADEBIN_LOG_INFO(LogCategory::App, "Kept the decision for %s after it was saved in place",
                     record->displayName().toUtf8().constData());
    reload();
}

void AppModel::handleReleased(const std::vector<TrackedFile*>& released) {
    if (released.empty())
        return;
    QStringList names;
    for (TrackedFile* record : released) {
        FADEBIN_LOG_INFO(LogCategory::App, "Let go of %s: moved out of Downloads",
                         record->displayName().toUtf8().constData());
        names.append(record->displayName());
    }
    Q_EMIT filesReleased(names);
    if (onRelease)
        onRelease(ReleaseEvent{
            names, classify(released.front()->displayName().toStdString(), false), m_clock.now()});
}

} // namespace fadebin
