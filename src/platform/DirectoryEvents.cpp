#include "platform/DirectoryEvents.h"

#include <QMetaObject>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace fadebin {

namespace {

constexpr std::uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// When the watch ended, as file times count. Moving or removing the folder changed its parent
// at that very moment (or later, when a new one was made there: nothing came into that one
// sooner). An unmount leaves the parent alone: then it is now, by the same clock.
std::int64_t lossMoment(const path& folder, bool unmounted) {
    if (!unmounted)
        if (const auto parent = lstatPath(folder.parent_path()))
            return parent->changedNanoseconds;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

DirectoryEvents::KernelCalls& DirectoryEvents::kernelCalls() {
    static KernelCalls calls{::inotify_init1, ::inotify_add_watch};
    return calls;
}

DirectoryEvents::DirectoryEvents(path folder, QObject* receiver, Handler handler)
    : m_folder(std::move(folder))
    , m_receiver(receiver)
    , m_handler(std::move(handler))
    , m_generation(std::make_shared<std::atomic<std::uint64_t>>(0)) {}

DirectoryEvents::~DirectoryEvents() {
    stop();
}

Status DirectoryEvents::start() {
    if (isRunning())
        return {};
    m_inotify = kernelCalls().init(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        SysError error = SysError::fromErrno();
        error.context = "inotify_init1";
        return error;
    }
    if (kernelCalls().addWatch(m_inotify, m_folder.c_str(), watchMask) < 0) {
        SysError error = SysError::fromErrno();
        error.context = "inotify_add_watch";
        closeFd(m_inotify);
        return error;
    }
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_wake < 0) {
        SysError error = SysError::fromErrno();
        error.context = "eventfd";
        closeFd(m_inotify);
        return error;
    }
    try {
        m_thread = std::thread([this] { run(); });
        // Named for debuggers and top -H (at most 15 characters), before it reads anything.
        ::pthread_setname_np(m_thread.native_handle(), threadName);
    } catch (const std::system_error& e) {
        closeFd(m_inotify);
        closeFd(m_wake);
        return SysError{e.code().value(), "pthread_create"};
    }
    return {};
}

void DirectoryEvents::stop() {
    if (!isRunning())
        return;
    m_generation->fetch_add(1);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    m_thread.join();
    closeFd(m_inotify);
    closeFd(m_wake);
}

void DirectoryEvents::run() {
    using SteadyClock = std::chrono::steady_clock;
    std::vector<DirectoryEvent> batch;
    // Delivering at once after a quiet period keeps the first event fast; later ones in a
    // burst wait until the latency has passed since the previous delivery.
    SteadyClock::time_point lastDelivery = SteadyClock::now() - latency;
    const std::uint64_t generation = m_generation->load();
    alignas(inotify_event) char buffer[64 * 1024];
    bool lost = false;
    bool overflowed = false; // the batch holds one rescan in place of what it dropped

    // False when nobody is left to receive: the batch is dropped and reading ends, since
    // keeping it would have the loop find it due again at once, for ever.
    auto deliver = [&] {
        QPointer<QObject> receiver = m_receiver;
        if (!receiver) {
            batch.clear();
            return false;
        }
        if (batch.empty())
            return true;
        auto events = std::make_shared<std::vector<DirectoryEvent>>(std::move(batch));
        batch.clear();
        overflowed = false;
        auto generations = m_generation;
        Handler handler = m_handler;
        // Counted as handled when the call is done with, run or dropped with its receiver.
        m_undelivered->fetch_add(1);
        std::shared_ptr<void> handled(
            nullptr, [undelivered = m_undelivered](void*) { undelivered->fetch_sub(1); });
        QMetaObject::invokeMethod(
            receiver.data(),
            [receiver, events, generations, generation, handler, handled] {
                if (receiver && generations->load() == generation)
                    handler(std::move(*events));
            },
            Qt::QueuedConnection);
        lastDelivery = SteadyClock::now();
        return true;
    };
    auto add = [&](DirectoryEvent event) {
        if (overflowed && !(event.kinds & DirectoryEvent::WatchLost))
            return;
        if (batch.size() >= queueLimit && !lost) {
            batch.clear();
            batch.push_back({DirectoryEvent::Overflow, {}});
            overflowed = true;
            if (!(event.kinds & DirectoryEvent::WatchLost))
                return;
        }
        batch.push_back(std::move(event));
    };

    for (;;) {
        int timeout = -1;
        if (!batch.empty()) {
            const auto due = lastDelivery + latency;
            const auto now = SteadyClock::now();
            // While the receiver works on the last batch this one waits, bounded by the limit.
            const bool receiverFree = m_undelivered->load() == 0 || !m_receiver;
            if (now >= due && receiverFree) {
                if (!deliver() || lost)
                    return;
                continue;
            }
            timeout = now >= due
                          ? 10
                          : static_cast<int>(
                                std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
        }
        if (m_hold->load()) {
            pollfd wake = {m_wake, POLLIN, 0};
            if (::poll(&wake, 1, 10) > 0)
                return;
            continue;
        }
        pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_wake, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if ((fds[0].revents & POLLIN) == 0)
            continue;
        for (;;) {
            const ssize_t length = ::read(m_inotify, buffer, sizeof buffer);
            if (length <= 0)
                break;
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                DirectoryEvent out;
                if (event->mask & IN_Q_OVERFLOW)
                    out.kinds |= DirectoryEvent::Overflow;
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED))
                    out.kinds |= DirectoryEvent::WatchLost;
                if (event->mask & IN_CREATE)
                    out.kinds |= DirectoryEvent::Created;
                if (event->mask & IN_DELETE)
                    out.kinds |= DirectoryEvent::Removed;
                if (event->mask & IN_MOVED_FROM)
                    out.kinds |= DirectoryEvent::MovedFrom;
                if (event->mask & IN_MOVED_TO)
                    out.kinds |= DirectoryEvent::MovedTo;
                if (event->len > 0)
                    out.name = std::string(event->name, ::strnlen(event->name, event->len));
                if (event->mask & IN_MOVE_SELF)
                    out.kinds |= DirectoryEvent::FolderMoved;
                if ((out.kinds & DirectoryEvent::WatchLost) && !lost) {
                    lost = true;
                    out.lostAtNanoseconds = lossMoment(m_folder, event->mask & IN_UNMOUNT);
                }
                if (out.kinds != 0)
                    add(std::move(out));
            }
            // A storm never ends this loop by itself: what is due goes out first.
            if (!batch.empty() && SteadyClock::now() >= lastDelivery + latency)
                break;
        }
        if (lost) {
            // Hand over what came before the loss, then end: the kernel sends nothing more.
            lastDelivery = SteadyClock::now() - latency;
        }
    }
}

} // namespace fadebin
