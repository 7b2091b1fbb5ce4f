#include "platform/ReadLease.h"

#include <fcntl.h>

#include <csignal>

namespace fadebin {

Result<ReadLease> ReadLease::take(const std::filesystem::path& p) {
    UniqueFd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return SysError::fromErrno();
    // A writer that opens the file while the lease is held makes the kernel signal us,
    // with SIGIO unless told otherwise, and SIGIO ends a process that does not handle it.
    // SIGURG is ignored unless handled, and nothing here handles it.
    if (::fcntl(fd.get(), F_SETSIG, SIGURG) != 0 || ::fcntl(fd.get(), F_SETLEASE, F_RDLCK) != 0) {
        SysError error = SysError::fromErrno();
        error.context = leaseCall;
        return error;
    }
    return ReadLease(std::move(fd));
}

ReadLease& ReadLease::operator=(ReadLease&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = std::move(other.m_fd);
    }
    return *this;
}

ReadLease::~ReadLease() {
    release();
}

void ReadLease::release() {
    if (!m_fd)
        return;
    // Closing the descriptor would end the lease as well; unlocking first says so plainly
    // and lets a waiting writer go on at once.
    [[maybe_unused]] const int unlocked = ::fcntl(m_fd.get(), F_SETLEASE, F_UNLCK);
    m_fd.reset();
}

bool ReadLease::isBreaking() const {
    // While a lease is being broken the kernel reports the type it is breaking to.
    return m_fd && ::fcntl(m_fd.get(), F_GETLEASE) == F_UNLCK;
}

} // namespace fadebin
