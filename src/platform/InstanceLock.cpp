#include "platform/InstanceLock.h"

#include "platform/XdgPaths.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

namespace fadebin {

std::filesystem::path InstanceLock::standardPath() {
    return dataHome().value_or(std::filesystem::path("/tmp")) / "Fadebin" / "Fadebin.lock";
}

InstanceLock::Outcome InstanceLock::acquire(const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
        m_error = SysError{ec.value(), {}};
        return Outcome::failed;
    }
    UniqueFd fd(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        m_error = SysError::fromErrno();
        return Outcome::failed;
    }
    // flock, not fcntl locks: those belong to the process and vanish when any descriptor of
    // the file is closed, and a lock file is easily opened by accident.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        m_error = SysError::fromErrno();
        return errno == EWOULDBLOCK ? Outcome::heldElsewhere : Outcome::failed;
    }
    m_fd = std::move(fd);
    return Outcome::acquired;
}

} // namespace fadebin
