#pragma once

#include "platform/FileSystem.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fadebin {

// One item-level change reported by the kernel for a direct child of the watched folder.
struct DirectoryEvent {
    enum Kind : std::uint32_t {
        Created = 1u << 0,
        Removed = 1u << 1,
        MovedFrom = 1u << 2,
        MovedTo = 1u << 3,
        // Events were dropped by the kernel: the folder must be looked at again.
        Overflow = 1u << 4,
        // The folder itself was removed, moved away or unmounted: no more events will come.
        WatchLost = 1u << 5,
        // With WatchLost: the folder was moved away (renamed), not removed or unmounted.
        FolderMoved = 1u << 6,
    };
    std::uint32_t kinds = 0;
    std::string name; // empty for Overflow and WatchLost
    // With WatchLost: no later than the loss, by the file system's clock (nanoseconds since
    // 1970), so that what changes in a folder at that place from then on can be told apart.
    std::int64_t lostAtNanoseconds = 0;
};

// inotify on one folder, read on a background thread. Batches are coalesced for 0.3 s
// (the first event after a quiet period goes out at once) and handed to the receiver's
// thread through a queued call; nothing arrives after stop() returns.
class DirectoryEvents {
public:
    using Handler = std::function<void(std::vector<DirectoryEvent>)>;

    DirectoryEvents(path folder, QObject* receiver, Handler handler);
    ~DirectoryEvents();
    DirectoryEvents(const DirectoryEvents&) = delete;
    DirectoryEvents& operator=(const DirectoryEvents&) = delete;

    // Fails with the name of the call that failed in the error's context.
    [[nodiscard]] Status start();
    void stop();
    [[nodiscard]] bool isRunning() const { return m_thread.joinable(); }
    // Stops draining the kernel's queue while set, so that a test can make it overflow.
    void holdReading(bool hold) { m_hold->store(hold); }

    // The two calls that meet the per-user inotify limits (instances: EMFILE from init,
    // watches: ENOSPC from addWatch). Tests put in calls that fail as the kernel does at a
    // limit, since lowering the real ones needs root and affects every program of the user.
    struct KernelCalls {
        int (*init)(int flags);
        int (*addWatch)(int inotify, const char* folder, std::uint32_t mask);
    };
    static KernelCalls& kernelCalls();

    static constexpr std::chrono::milliseconds latency{300};
    // Events held for the receiver at most: past it they make way for one rescan, as when the
    // kernel's own queue overflows. A rename storm then costs a folder listing, not memory.
    static constexpr std::size_t queueLimit = 4096;
    static constexpr const char* threadName = "fadebin-inotify";

private:
    void run();

    path m_folder;
    QPointer<QObject> m_receiver;
    Handler m_handler;
    int m_inotify = -1;
    int m_wake = -1;
    std::thread m_thread;
    // Bumped on every stop so that batches already queued for the receiver are dropped.
    std::shared_ptr<std::atomic<std::uint64_t>> m_generation;
    std::shared_ptr<std::atomic<bool>> m_hold = std::make_shared<std::atomic<bool>>(false);
    // Batches handed over and not yet handled: one at a time, so that a receiver slower than
    // the kernel never has its event queue grow.
    std::shared_ptr<std::atomic<int>> m_undelivered = std::make_shared<std::atomic<int>>(0);
};

} // namespace fadebin
