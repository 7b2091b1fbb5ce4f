#pragma once

#include <unistd.h>

#include <cerrno>

#include <utility>

namespace fadebin {

// Owns one file descriptor and closes it when it goes out of scope.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd)
        : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept
        : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }

    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) {
        // close() errors are not actionable here, and EINTR must not be retried on Linux
        // (the descriptor is gone). errno is kept so that clean-up on an error path does
        // not overwrite the error being reported.
        if (m_fd >= 0) {
            const int saved = errno;
            ::close(m_fd);
            errno = saved;
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace fadebin
