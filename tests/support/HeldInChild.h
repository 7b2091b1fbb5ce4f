#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <memory>

namespace fadebin::test {

// Another process that holds something (a lock, say) as another program would: it runs hold
// and, when that succeeds, waits until it is killed. Made only when hold succeeded.
class HeldInChild {
public:
    ~HeldInChild() { kill(); }
    HeldInChild(const HeldInChild&) = delete;
    HeldInChild& operator=(const HeldInChild&) = delete;

    [[nodiscard]] static std::unique_ptr<HeldInChild> start(const std::function<bool()>& hold) {
        int ready[2];
        if (::pipe(ready) != 0)
            return nullptr;
        const pid_t child = ::fork();
        if (child == 0) {
            const char held = hold() ? 'y' : 'n';
            [[maybe_unused]] auto written = ::write(ready[1], &held, 1);
            if (held == 'y')
                ::pause();
            ::_exit(0);
        }
        char held = 'n';
        if (child < 0 || ::read(ready[0], &held, 1) != 1)
            held = 'n';
        ::close(ready[0]);
        ::close(ready[1]);
        auto made = std::unique_ptr<HeldInChild>(new HeldInChild(child));
        return held == 'y' ? std::move(made) : nullptr;
    }

    // Ends the child at once, as a crash would, and waits for it.
    void kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        m_pid = -1;
    }

private:
    explicit HeldInChild(pid_t pid)
        : m_pid(pid) {}
    pid_t m_pid;
};

} // namespace fadebin::test
