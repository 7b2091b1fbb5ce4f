#include "app/AppModel.h"

#include "platform/Log.h"

// Whether Downloads can be read and watched: watching and the baseline started together,
// the reason told when they cannot be, and the folder looked for again until it is back.
namespace fadebin {

void AppModel::setDownloadsAccessDenied(bool denied) {
    // What is at the folder's place says why, whichever call noticed it first.
    m_folderCause = denied ? folderCause(m_downloadsFolder) : IntakeCause::none;
    if (denied != m_downloadsAccessDenied) {
        m_downloadsAccessDenied = denied;
        Q_EMIT downloadsAccessDeniedChanged();
    }
    updateIntakeProblem();
}

void AppModel::refuseStart(IntakeCause cause, const QString& text, const QString& detail) {
    m_startupError = text;
    // A refused folder is told as it resolved: the home folder, not the link to it.
    m_startupProblem = {cause, m_downloadsPath, detail};
    FADEBIN_LOG_ERROR(LogCategory::App, "%s", text.toUtf8().constData());
    Q_EMIT startupErrorChanged();
    updateIntakeProblem();
}

void AppModel::updateIntakeProblem() {
    IntakeProblem now;
    if (m_startupProblem)
        now = m_startupProblem;
    else if (!m_watchLimitText.isEmpty())
        now = {IntakeCause::watchLimit, downloadsPath(), m_watchLimit};
    else if (m_downloadsAccessDenied)
        now = {m_folderCause, m_downloadsFolder, {}};
    if (now == m_intakeProblem)
        return;
    m_intakeProblem = std::move(now);
    if (m_intakeProblem)
        FADEBIN_LOG_INFO(LogCategory::App, "Not watching Downloads: %s",
                         causeKey(m_intakeProblem.cause).toUtf8().constData());
    Q_EMIT intakeProblemChanged();
}

void AppModel::showIntakeProblemFolder() {
    const path folder = linkTarget(m_intakeProblem ? m_intakeProblem.folder : downloadsPath());
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::symlink_status(folder, error)))
        m_fileManager.reveal(folder);
    else
        m_fileManager.showFolder(nearestExisting(folder));
}

QString AppModel::sampleRefusal() const {
    return fadebin::sampleRefusal(m_intakeProblem, m_settings.pauseWatching());
}

void AppModel::setWatchLimitText(const QString& text) {
    if (text == m_watchLimitText)
        return;
    const bool wasReached = watchLimitReached();
    m_watchLimitText = text;
    Q_EMIT watchLimitTextChanged();
    if (watchLimitReached() != wasReached)
        Q_EMIT watchLimitReachedChanged();
    updateIntakeProblem();
}

void AppModel::handleWatchLost() {
    if (const auto& loss = m_watcher->lastLoss()) {
        // Whatever folder is at the place when it is back, what came into it since is new.
        m_arrivalsSince =
            std::min(m_arrivalsSince.value_or(loss->atNanoseconds), loss->atNanoseconds);
        // Its files left with it: their records are let go when they are not found.
        if (loss->moved && m_store)
            m_store->noteMovedAway(downloadsPath());
    }
    checkDownloadsAccess();
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
                m_watchLimit = DownloadsWatcher::watchLimitName(error).value_or(QString());
                setWatchLimitText(*limit);
                setDownloadsAccessDenied(false);
                lookForDownloads();
                return;
            }
            downloadsUnavailable(SysError{error.code, {}});
            return;
        }
    }
    const Status baseline = m_completionFilter.recordBaseline(downloadsPath(), m_arrivalsSince);
    if (!baseline) {
        if (m_watcher)
            m_watcher->stop();
        downloadsUnavailable(baseline.error());
        return;
    }
    m_arrivalsSince.reset();
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
    setDownloadsAccessDenied(true);
    setWatchLimitText({});
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

} // namespace fadebin
