#pragma once

#include "platform/DirectoryEvents.h"
#include "platform/FileSystem.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fadebin {

// Turns kernel events on the Downloads folder into one item path per changed direct child,
// delivered on the main thread in the order the kernel reported them. It does not judge
// whether an item is a download; the completion filter does.
class DownloadsWatcher : public QObject {
    Q_OBJECT
public:
    explicit DownloadsWatcher(path directory, QObject* parent = nullptr);
    ~DownloadsWatcher() override;

    void start();
    void stop();
    [[nodiscard]] bool isWatching() const { return m_stream != nullptr; }
    // Why the last start failed, until one succeeds.
    [[nodiscard]] const std::optional<SysError>& startError() const { return m_startError; }
    // For tests: lets the kernel's event queue fill up while set.
    void holdEvents(bool hold) {
        if (m_stream)
            m_stream->holdReading(hold);
    }

    // What to tell the user when a start failed on a system-wide limit of inotify rather
    // than on the folder; none for any other failure.
    [[nodiscard]] static std::optional<QString> watchLimitText(const SysError& error);
    // The sysctl of the limit the failure hit ("fs.inotify.max_user_watches"), if one did.
    [[nodiscard]] static std::optional<QString> watchLimitName(const SysError& error);

    [[nodiscard]] const path& directory() const { return m_directory; }
    [[nodiscard]] const path& directoryPath() const { return m_directoryPath; }

    std::function<void(const path&)> onItemEvent;
    // Runs the handling of one batch of the kernel's events (given as the argument), so that
    // the owner can treat the batch as one change.
    std::function<void(const std::function<void()>&)> aroundEventBatch;
    // An item left by a rename (to another name, folder or disk), before its item event.
    std::function<void(const path&)> onMovedAway;
    // The folder was removed, moved away or unmounted; the watcher has stopped.
    std::function<void()> onWatchLost;
    struct Loss {
        std::int64_t atNanoseconds; // by file times: what changed there since is new
        bool moved;                 // moved away with what it held, not removed
    };
    // The last loss of the watch, until a start succeeds.
    [[nodiscard]] const std::optional<Loss>& lastLoss() const { return m_lastLoss; }
    // After events were lost and the folder was listed again: what was missed is unknown.
    std::function<void()> onRescanned;
    // Names of the folder's items that the owner accounts for. After events were lost,
    // those no longer in the folder are reported too, so that no departure goes unseen.
    std::function<std::vector<std::string>()> knownNames;

private:
    void handleEventBatch(std::vector<DirectoryEvent> events);
    void handleEvents(const std::vector<DirectoryEvent>& events);
    void rescan();
    void emitItem(const path& item);

    path m_directory;
    path m_directoryPath;
    std::unique_ptr<DirectoryEvents> m_stream;
    // A retry that fails the same way as the last start is not logged again.
    std::optional<SysError> m_startError;
    std::optional<Loss> m_lastLoss;
};

} // namespace fadebin
