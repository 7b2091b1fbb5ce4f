#pragma once

#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <filesystem>

namespace fadebin {

// One running program per user and database: an exclusive lock on a file next to the
// database, held for the life of the program. The kernel releases it when the process ends
// in any way, SIGKILL included, so a crash never leaves a stale lock behind.
class InstanceLock {
public:
    enum class Outcome { acquired, heldElsewhere, failed };

    // $XDG_DATA_HOME/Fadebin/Fadebin.lock, beside the database.
    [[nodiscard]] static std::filesystem::path standardPath();

    // Takes the lock without waiting; the folder is created when missing.
    [[nodiscard]] Outcome acquire(const std::filesystem::path& file);
    [[nodiscard]] bool held() const { return m_fd.valid(); }
    // What went wrong when acquire() failed for another reason than a running program.
    [[nodiscard]] const SysError& error() const { return m_error; }

private:
    UniqueFd m_fd;
    SysError m_error;
};

} // namespace fadebin
