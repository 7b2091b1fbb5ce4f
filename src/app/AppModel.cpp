#include "app/AppModel.h"

#include "app/AppTexts.h"
#include "intake/FileKind.h"
#include "platform/BookmarkToken.h"
#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/XdgPaths.h"

#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace fadebin {

namespace {

// The user-dirs file points Downloads at the home folder when the folder is missing; timing
// everything in $HOME (or /) would be a disaster, so nothing starts.
IntakeCause refusedFolder(const path& downloads) {
    if (downloads == path("/"))
        return IntakeCause::downloadsIsRoot;
    const std::optional<path> home = homeFolder();
    if (home && resolvedPath(*home) == downloads)
        return IntakeCause::downloadsIsHome;
    return IntakeCause::none;
}

} // namespace

AppModel::AppModel(AppSettings& settings, Clock& clock, FileManager& fileManager,
                   path downloadsFolder, std::optional<path> databaseFile, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_clock(clock)
    , m_fileManager(fileManager)
    , m_downloadsFolder(std::move(downloadsFolder))
    , m_databaseFile(std::move(databaseFile))
    , m_completionFilter(clock)
    , m_lowSpace(std::make_unique<LowSpaceWatch>(*this, clock)) {
    for (const auto changed : {&AppModel::trackedFilesChanged, &AppModel::ownTrashedChanged})
        connect(this, changed, m_lowSpace.get(), &LowSpaceWatch::check);
}

AppModel::~AppModel() = default;

path AppModel::defaultDownloadsFolder() {
    const QString location = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!location.isEmpty())
        return fromQString(location);
    return homeFolder().value_or(path("/")) / "Downloads";
}

void AppModel::start(bool neverRan) {
    // One form of the folder's path for everything that compares paths: with Downloads a
    // symbolic link to another disk, the link's path and the resolved one would never match.
    m_downloadsPath = resolvedPath(m_downloadsFolder);
    if (const IntakeCause refused = refusedFolder(m_downloadsPath); refused != IntakeCause::none)
        return refuseStart(
            refused, refused == IntakeCause::downloadsIsRoot
                         ? appTexts::downloadsIsRoot(appTexts::Wording::english)
                         : appTexts::downloadsIsHome(m_downloadsPath, appTexts::Wording::english));
    QString error;
    m_store =
        ExpiryStore::open(m_downloadsPath, m_clock, m_deleter, error, m_databaseFile, neverRan);
    if (!m_store)
        return refuseStart(IntakeCause::databaseUnopenable,
                           appTexts::databaseFailed(error, appTexts::Wording::english), error);
    m_store->onReleased = weakly(&AppModel::handleReleased);
    m_store->onForeignSchedule = weakly(&AppModel::handleCompletedDownload);
    m_store->onFileDeleted = [this](const FileIdentity& identity) {
        m_completionFilter.forget(identity);
    };
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
    m_scheduler->onDeletion = [self = QPointer<AppModel>(this)](const DeletionEvent& event) {
        if (!self)
            return;
        if (!event.places.empty())
            self->m_lastTrashing = event;
        Q_EMIT self->filesDeleted(event);
        if (!event.places.empty())
            Q_EMIT self->ownTrashedChanged();
    };
    m_wake = std::make_unique<WakeNotifier>();
    connect(m_wake.get(), &WakeNotifier::woke, m_scheduler.get(), &ExpiryScheduler::wakeNotice);
    m_presence = std::make_unique<SessionPresence>(m_clock);
    m_scheduler->setPresence(m_presence.get());
    m_scheduler->onReturn = [self = QPointer<AppModel>(this)](TrackedFile* record) {
        if (self && self->onNewPendingFile)
            self->onNewPendingFile(record);
    };

    wireIntake();
    checkDownloadsAccess();
    m_store->recoverFromExtendedAttributes();
    m_scheduler->start(); // the first full reconcile, then a sweep
    m_trashPurger = std::make_unique<TrashPurger>(*m_store, m_settings, m_clock);
    connect(m_trashPurger.get(), &TrashPurger::purged, this, &AppModel::ownTrashedChanged);
    m_trashPurger->start();
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

void AppModel::decide(TrackedFile* record, ExpiryOption option) {
    // A row shown a moment ago may belong to a record that has ended since; it stays ended.
    if (!m_store || !record || isFinal(record->status()))
        return;
    record->setRule(std::nullopt);
    m_store->apply(option, *record, m_settings.applyFileTag());
    learnFrom(*record, option);
    reload();
}

void AppModel::decideAll(ExpiryOption option) {
    if (!m_store)
        return;
    const QList<TrackedFile*> pending = m_pendingFiles;
    const Batch batch(*this);
    for (TrackedFile* record : pending)
        if (!isFinal(record->status()))
            m_store->apply(option, *record, m_settings.applyFileTag());
    m_rescheduleOwed = true;
}

std::optional<QString> AppModel::deleteNow(TrackedFile* record) {
    if (!m_store || !record || isFinal(record->status()))
        return std::nullopt;
    const DeletionOutcome deleted = m_store->deleteFile(*record, m_settings.deletionMethod());
    std::optional<QString> failure;
    if (deleted.kind == DeletionOutcome::Kind::failed)
        FADEBIN_LOG_ERROR(LogCategory::App, "Delete now failed for %s: %s",
                          record->displayName().toUtf8().constData(), deleted.error.text().c_str());
    else if (deleted.kind == DeletionOutcome::Kind::raced)
        FADEBIN_LOG_INFO(LogCategory::App, "Delete now did not reach %s: %s",
                         record->displayName().toUtf8().constData(), deleted.error.text().c_str());
    // Nothing deleted is never told as done.
    if (deleted.kind != DeletionOutcome::Kind::deleted &&
        deleted.kind != DeletionOutcome::Kind::gone)
        failure = deleted.refusal;
    m_store->save();
    reload();
    return failure;
}

void AppModel::reveal(TrackedFile* record) {
    if (!m_store || !record)
        return;
    if (const std::optional<path> filePath = m_store->resolvePath(*record))
        m_fileManager.reveal(*filePath);
}

FileKind AppModel::fileKind(TrackedFile* record) {
    if (!record)
        return FileKind::other;
    bool isFolder = false;
    if (m_store) {
        if (const std::optional<path> filePath = m_store->resolvePath(*record)) {
            const auto facts = statPath(*filePath);
            isFolder = facts && facts->isDirectory;
        }
    }
    return classify(record->displayName().toStdString(), isFolder);
}

std::vector<DropOutcome> AppModel::acceptDrop(const std::vector<path>& filePaths) {
    std::vector<DropOutcome> outcomes;
    if (!m_store)
        return outcomes;
    for (const path& given : filePaths) {
        const auto admitted = m_deleter.downloads().admit(given.native());
        if (!std::holds_alternative<AdmittedPath>(admitted))
            continue;
        const path& filePath = std::get<AdmittedPath>(admitted).absolute;
        if (!m_store->isInsideDownloads(filePath) || !pathExists(filePath))
            continue;
        if (TrackedFile* record = m_store->activeFileFor(filePath)) {
            outcomes.push_back({record->status() == FileStatus::scheduled
                                    ? DropOutcome::Kind::scheduled
                                    : DropOutcome::Kind::pending,
                                record});
            continue;
        }
        TrackedFile* added = m_store->addPending(filePath, sourceName(filePath));
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
    // Written only where a watch sees it arrive: never into a refused or missing folder.
    if (const QString refusal = sampleRefusal(); !m_store || !refusal.isEmpty()) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Not writing the sample file: %s",
                          refusal.toUtf8().constData());
        return false;
    }
    const QByteArray text = appTexts::sampleFileText();
    QSaveFile file(toQString(downloadsPath() / appTexts::sampleFileName().toStdString()));
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) {
        const Result<FileIdentity> written = identityOf(file.fileName().toStdString());
        m_sample = written ? std::optional(*written) : std::nullopt;
        return true;
    }
    FADEBIN_LOG_ERROR(LogCategory::App, "Could not write the sample file: %s",
                      file.errorString().toUtf8().constData());
    return false;
}

bool AppModel::isSample(const TrackedFile& record) const {
    const std::optional<BookmarkToken> token = decodeBookmark(record.bookmark());
    return m_sample && token && token->identity.device == m_sample->device &&
           token->identity.inode == m_sample->inode;
}

bool AppModel::sampleWaiting() {
    const path file = downloadsPath() / appTexts::sampleFileName().toStdString();
    const Result<FileIdentity> now = identityOf(file);
    if (!m_sample || !m_store || !now || now->device != m_sample->device ||
        now->inode != m_sample->inode)
        return false;
    // The newest record at its name may be an earlier sample's, or none yet.
    const TrackedFile* record = m_store->recordForPath(file);
    return record == nullptr || !isSample(*record) || record->status() == FileStatus::pending;
}

AppModel::TakenIn AppModel::takeIn(const path& given) {
    if (!m_store)
        return {nullptr, m_startupError.value_or(appTexts::notStarted())};
    // The one place a caller's path becomes a place in Downloads: its folder resolved by the
    // kernel beneath the folder, the item taken as named.
    const auto admitted = m_deleter.downloads().admit(given.native());
    if (const auto* refusal = std::get_if<PathRefusal>(&admitted))
        return {nullptr, appTexts::refusal(*refusal)};
    const path& file = std::get<AdmittedPath>(admitted).absolute;
    // The cheapest look first: a call may name a hundred thousand files that are not there.
    if (!pathExists(file))
        return {nullptr, appTexts::refusal(PathRefusal::missing)};
    if (!m_store->isInsideDownloads(file))
        return {nullptr, appTexts::refusal(PathRefusal::outside)};
    if (TrackedFile* decided = decidedRecordFor(file))
        return {decided, {}};
    const std::vector<DropOutcome> outcomes = acceptDrop({file});
    if (outcomes.empty())
        return {nullptr, appTexts::cannotBeTracked()};
    return {outcomes.front().file, {}};
}

TrackedFile* AppModel::decidedRecordFor(const path& file) {
    if (TrackedFile* active = m_store->activeFileFor(file))
        return active;
    // A kept file is the kept record's, not a new arrival.
    if (TrackedFile* known = m_store->recordForPath(file);
        known && known->status() == FileStatus::keepForever &&
        m_store->resolvePath(*known) == ExpiryStore::pathForm(file))
        return known;
    return nullptr;
}

AppModel::Restored AppModel::restore(const std::optional<path>& originalPath) {
    if (!m_store)
        return {std::nullopt, m_startupError.value_or(appTexts::notStarted())};
    const ExpiryStore::TrashPass pass(*m_store);
    std::optional<path> wanted;
    if (originalPath) {
        const auto admitted = m_deleter.downloads().admit(originalPath->native());
        const auto* refusal = std::get_if<PathRefusal>(&admitted);
        if (refusal && *refusal != PathRefusal::outside)
            return {std::nullopt, appTexts::refusal(*refusal)};
        if (refusal)
            return {std::nullopt, appTexts::restoreOutside()};
        wanted = std::get<AdmittedPath>(admitted).absolute;
    }
    const std::optional<path> trashed = m_store->findTrashed(wanted);
    if (!trashed)
        return {std::nullopt, appTexts::nothingInTrash()};
    const auto back = m_store->restoreTrashed(*trashed, wanted);
    if (!back)
        return {std::nullopt,
                back.error().code == EEXIST ? appTexts::placeTaken() : back.error().description()};
    FADEBIN_LOG_INFO(LogCategory::App, "Restored %s from the Trash", logName(*back).constData());
    handleCompletedDownload(*back);
    return {*back, {}};
}

AppModel::Undone AppModel::undo(const DeletionEvent& event) {
    Undone outcome;
    if (!m_store)
        return outcome;
    const Batch batch(*this);
    // The Trash listed once for the whole sweep, not once a file.
    const ExpiryStore::TrashPass pass(*m_store);
    for (const path& place : event.places) {
        const Restored back = restore(place);
        if (back.file)
            outcome.restored.push_back(*back.file);
        else
            outcome.refused.emplace_back(place, back.refusal);
    }
    return outcome;
}

AppModel::Undone AppModel::undoLastSweep() {
    if (!m_lastTrashing)
        return {{}, {{path(), appTexts::nothingToUndo()}}};
    const DeletionEvent event = *std::exchange(m_lastTrashing, std::nullopt);
    return undo(event);
}

} // namespace fadebin
