#include "intake/DownloadsWatcher.h"

#include "platform/Log.h"

#include <QPointer>

#include <cstring>

namespace fadebin {

DownloadsWatcher::DownloadsWatcher(path directoryURL, QObject* parent)
    : QObject(parent)
    , m_directoryURL(std::move(directoryURL))
    , m_directoryPath(resolvedPath(m_directoryURL)) {}

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
    m_names.clear();
    if (auto names = listNames(m_directoryPath))
        m_names.insert(names->begin(), names->end());
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Watching %s", m_directoryPath.c_str());
}

void DownloadsWatcher::stop() {
    if (!m_stream)
        return;
    m_stream->stop();
    m_stream.reset();
    FADEBIN_LOG_INFO(LogCategory::Watcher, "Stopped watching");
}

void DownloadsWatcher::handleEventBatch(std::vector<DirectoryEvent> events) {
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
            return;
        }
        if (event.name.empty())
            continue;
        if (event.kinds & (DirectoryEvent::Created | DirectoryEvent::MovedTo))
            m_names.insert(event.name);
        if (event.kinds & (DirectoryEvent::Removed | DirectoryEvent::MovedFrom))
            m_names.erase(event.name);
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
    std::unordered_set<std::string> current(names->begin(), names->end());
    std::vector<std::string> vanished;
    for (const auto& name : m_names)
        if (!current.contains(name))
            vanished.push_back(name);
    m_names = std::move(current);
    QPointer<DownloadsWatcher> self(this);
    for (const auto& name : vanished) {
        if (!self || !m_stream)
            return;
        emitItem(m_directoryPath / name);
    }
    for (const auto& name : *names) {
        if (!self || !m_stream)
            return;
        emitItem(m_directoryPath / name);
    }
}

void DownloadsWatcher::emitItem(const path& item) {
    if (onItemEvent)
        onItemEvent(standardized(item));
}

} // namespace fadebin
