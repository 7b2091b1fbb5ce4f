#include "intake/DownloadsWatcher.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace fadebin {

namespace {

struct DownloadsWatcherTexts {
    Q_DECLARE_TR_FUNCTIONS(DownloadsWatcherTexts)
};

} // namespace

DownloadsWatcher::DownloadsWatcher(path directory, QObject* parent)
    : QObject(parent)
    , m_directory(std::move(directory))
    , m_directoryPath(resolvedPath(m_directory)) {}

DownloadsWatcher::~DownloadsWatcher() {
    stop();
}

void DownloadsWatcher::start() {
    if (m_stream)
        return;
    auto stream = std::make_unique<DirectoryEvents>(
        m_directoryPath, this,
        [this](std::vector<DirectoryEvent> events) { handleEventBatch(std::move(events)); });
    if (Status started = stream->start(); !started) {
        const SysError& error = started.error();
        // The owner retries while the folder is missing; one line per kind of failure.
        const bool repeated = m_startError && m_startError->code == error.code &&
                              m_startError->context == error.context;
        m_startError = error;
        if (repeated)
            return;
        const char* reason = std::strerror(error.code);
        const char* folder = m_directoryPath.c_str();
        if (error.context == "inotify_init1")
            FADEBIN_LOG_ERROR(LogCategory::Watcher, "inotify_init1 failed for %s: %s", folder,
                              reason);
        else if (error.context == "eventfd")
            FADEBIN_LOG_ERROR(LogCategory::Watcher, "eventfd failed for %s: %s", folder, reason);
        else if (error.context == "pthread_create")
            FADEBIN_LOG_ERROR(LogCategory::Watcher, "pthread_create failed");
        else
            FADEBIN_LOG_ERROR(LogCategory::Watcher, "inotify_add_watch failed for %s: %s", folder,
                              reason);
        return;
    }
    m_stream = std::move(stream);
    m_startError.reset();
    m_lastLoss.reset();
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Watching %s", m_directoryPath.c_str());
}

std::optional<QString> DownloadsWatcher::watchLimitName(const SysError& error) {
    if (error.context == "inotify_init1" && error.code == EMFILE)
        return QStringLiteral("fs.inotify.max_user_instances");
    if (error.context == "inotify_add_watch" && error.code == ENOSPC)
        return QStringLiteral("fs.inotify.max_user_watches");
    return std::nullopt;
}

std::optional<QString> DownloadsWatcher::watchLimitText(const SysError& error) {
    const std::optional<QString> limit = watchLimitName(error);
    if (!limit)
        return std::nullopt;
    return DownloadsWatcherTexts::tr("Fadebin can't watch Downloads: the system's limit of "
                                     "watched folders is reached (%1)")
        .arg(*limit);
}

void DownloadsWatcher::stop() {
    if (!m_stream)
        return;
    m_stream->stop();
    m_stream.reset();
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Stopped watching");
}

void DownloadsWatcher::handleEventBatch(std::vector<DirectoryEvent> events) {
    // A copy: a handler may end this watcher, and with it the member, while the batch runs.
    const auto around = aroundEventBatch;
    if (!around)
        return handleEvents(events);
    around([&] { handleEvents(events); });
}

void DownloadsWatcher::handleEvents(const std::vector<DirectoryEvent>& events) {
    QPointer<DownloadsWatcher> self(this);
    for (const DirectoryEvent& event : events) {
        if (!self || !m_stream)
            return;
        if (event.kinds & DirectoryEvent::Overflow) {
            rescan();
            continue;
        }
        if (event.kinds & DirectoryEvent::WatchLost) {
            FADEBIN_LOG_ERROR(LogCategory::Watcher, "Lost the watch on %s",
                              m_directoryPath.c_str());
            stop();
            m_lastLoss =
                Loss{event.lostAtNanoseconds, (event.kinds & DirectoryEvent::FolderMoved) != 0};
            if (onWatchLost)
                onWatchLost();
            return;
        }
        if (event.name.empty())
            continue;
        if ((event.kinds & DirectoryEvent::MovedFrom) && onMovedAway)
            onMovedAway(standardized(m_directoryPath / event.name));
        emitItem(m_directoryPath / event.name);
    }
}

void DownloadsWatcher::rescan() {
    auto names = listNames(m_directoryPath);
    if (!names) {
        FADEBIN_LOG_ERROR(LogCategory::Watcher, "Rescan of %s failed: %s", m_directoryPath.c_str(),
                          names.error().text().c_str());
        return;
    }
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Events were lost; rescanning %s",
                     m_directoryPath.c_str());
    std::vector<std::string> present = std::move(names).value();
    std::vector<std::string> vanished = knownNames ? knownNames() : std::vector<std::string>{};
    std::ranges::sort(present);
    std::erase_if(vanished, [&](const std::string& name) {
        return std::ranges::binary_search(present, name);
    });
    QPointer<DownloadsWatcher> self(this);
    for (const auto* list : {&vanished, &present}) {
        for (const auto& name : *list) {
            if (!self || !m_stream)
                return;
            emitItem(m_directoryPath / name);
        }
    }
    if (onRescanned)
        onRescanned();
}

void DownloadsWatcher::emitItem(const path& item) {
    if (onItemEvent)
        onItemEvent(standardized(item));
}

} // namespace fadebin
