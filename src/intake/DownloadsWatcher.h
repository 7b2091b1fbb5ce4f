#pragma once

#include "platform/DirectoryEvents.h"
#include "platform/FileSystem.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

namespace fadebin {

// Turns kernel events on the Downloads folder into one item path per changed direct child,
// delivered on the main thread in the order the kernel reported them. It does not judge
// whether an item is a download; the completion filter does.
class DownloadsWatcher : public QObject {
    Q_OBJECT
public:
    explicit DownloadsWatcher(path directoryURL, QObject* parent = nullptr);
    ~DownloadsWatcher() override;

    void start();
    void stop();
    [[nodiscard]] bool isWatching() const { return m_stream != nullptr; }
    // For tests: lets the kernel's event queue fill up while set.
    void holdEvents(bool hold) {
        if (m_stream)
            m_stream->holdReading(hold);
    }

    [[nodiscard]] const path& directoryURL() const { return m_directoryURL; }
    [[nodiscard]] const path& directoryPath() const { return m_directoryPath; }

    std::function<void(const path&)> onItemEvent;

private:
    void handleEventBatch(std::vector<DirectoryEvent> events);
    void rescan();
    void emitItem(const path& item);

    path m_directoryURL;
    path m_directoryPath;
    std::unique_ptr<DirectoryEvents> m_stream;
    // Names last seen in the folder, so that a rescan after lost events can also report
    // the items that vanished in the meantime.
    std::unordered_set<std::string> m_names;
};

} // namespace fadebin
