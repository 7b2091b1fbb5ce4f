#include "app/AppModel.h"

#include "platform/Log.h"

// Intake: the Downloads watcher and the completion filter wired to the model, and what they
// report (a finished download, a file saved in place, a name gone, files moved out) made
// into records.
namespace fadebin {

void AppModel::wireIntake() {
    m_completionFilter.onComplete = weakly(&AppModel::handleCompletedDownload);
    m_completionFilter.onReplaced = weakly(&AppModel::handleSavedInPlace);
    m_completionFilter.onVacated = weakly(&AppModel::handleVacated);
    // A file decided on while it was still being watched for its end (`wget … && fadebin
    // keep …`) stays decided: its completion adds no second record.
    m_completionFilter.isDecided = [self = QPointer<AppModel>(this)](const path& filePath) {
        return self && self->m_store && self->decidedRecordFor(filePath);
    };

    QPointer<AppModel> self(this);
    m_watcher = std::make_unique<DownloadsWatcher>(m_downloadsPath);
    m_watcher->onMovedAway = [self](const path& filePath) {
        if (self && self->m_store)
            self->m_store->noteMovedAway(filePath);
    };
    m_watcher->onItemEvent = [self](const path& filePath) {
        if (self)
            self->m_completionFilter.handleItemEvent(filePath);
    };
    // A burst of arrivals or departures comes in batches: each is one transaction, one
    // listing of Downloads for the records looked for, and one publication of the lists.
    // The listing is of the batch's moment, taken within one turn of the event loop: what
    // comes later looks afresh.
    m_watcher->aroundEventBatch = [self](const std::function<void()>& handle) {
        if (!self)
            return handle();
        const Batch batch(*self);
        std::optional<ExpiryStore::LookupPass> lookups;
        if (self->m_store)
            lookups.emplace(*self->m_store);
        handle();
    };
    // Downloads finishing together in one slice of the filter's checks are one change too:
    // the lists are published once, not once a file (each publication reads them whole).
    m_completionFilter.aroundPollSlice = [self](const std::function<void()>& check) {
        if (!self)
            return check();
        const Batch batch(*self);
        check();
    };
    // The folder may already be back (replaced by a new one); otherwise it is looked for.
    m_watcher->onWatchLost = weakly(&AppModel::handleWatchLost);
    m_watcher->onRescanned = weakly(&AppModel::refresh);
    m_watcher->knownNames = [self] {
        return self ? self->m_completionFilter.knownNames() : std::vector<std::string>{};
    };
}

void AppModel::handleVacated(const path& filePath) {
    if (!m_store)
        return;
    // Only the records at that name (or below it, for a folder) can have changed; most
    // names that go are of files never timed.
    if (m_store->reconcileAt(filePath))
        publish();
}

void AppModel::handleCompletedDownload(const path& filePath) {
    if (!m_store)
        return;
    const std::string ext = lowerExtension(filePath);
    if (!ext.empty() &&
        m_settings.excludedExtensions().contains(QString::fromUtf8(ext).toLower())) {
        FADEBIN_LOG_INFO(LogCategory::App, "Ignoring %s: extension excluded in settings",
                         logName(filePath).constData());
        return;
    }
    const std::optional<QString> source = sourceName(filePath);
    TrackedFile* record = m_store->addPending(filePath, source);
    if (!record)
        return;
    if (decideByRule(*record, filePath))
        return;
    FADEBIN_LOG_INFO(LogCategory::App, "Pending: %s from %s",
                     record->displayName().toUtf8().constData(),
                     source.value_or(QStringLiteral("unknown")).toUtf8().constData());
    reload();
    announcePending(record);
}

bool AppModel::announcePending(TrackedFile* record) {
    const QPointer<TrackedFile> added(record);
    if (onNewPendingFile)
        onNewPendingFile(record);
    if (added)
        Q_EMIT pendingFileAdded(record);
    return added;
}

void AppModel::handleSavedInPlace(const path& filePath) {
    if (!m_store)
        return;
    TrackedFile* record = m_store->recordForPath(filePath);
    if (!record) {
        FADEBIN_LOG_INFO(LogCategory::App, "Ignoring %s: existing file saved in place",
                         logName(filePath).constData());
        return;
    }
    const FileStatus status = record->status();
    if (isFinal(status)) {
        handleCompletedDownload(filePath);
        return;
    }
    m_store->relocate(*record, filePath, m_settings.applyFileTag());
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
    Q_EMIT filesReleased(ReleaseEvent{
        names, classify(released.front()->displayName().toStdString(), false), m_clock.now()});
}

} // namespace fadebin
