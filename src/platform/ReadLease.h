#pragma once

#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <filesystem>

namespace fadebin {

// A read lease on a regular file (fcntl F_SETLEASE). The kernel grants one only while no
// process has the file open for writing, which is how a file still being written is told
// from one that merely paused. Released on destruction.
class ReadLease {
public:
    // The error's context names the lease call when the file could be opened but not
    // leased: EAGAIN while a writer holds it open; EINVAL (or EACCES for a file of another
    // user) where leases cannot be had. Without that context, opening failed.
    [[nodiscard]] static Result<ReadLease> take(const std::filesystem::path& p);
    static constexpr const char* leaseCall = "F_SETLEASE";

    ReadLease(ReadLease&& other) noexcept = default;
    ReadLease& operator=(ReadLease&& other) noexcept;
    ~ReadLease();
    void release();
    // True once a writer tried to open the file and the kernel is breaking the lease.
    [[nodiscard]] bool isBreaking() const;

private:
    explicit ReadLease(UniqueFd fd)
        : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

} // namespace fadebin
