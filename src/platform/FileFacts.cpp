#include "platform/FileFacts.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

namespace fadebin {

std::size_t FileIdentityHash::operator()(const FileIdentity& id) const noexcept {
    std::size_t h = std::hash<std::uint64_t>{}(id.device);
    auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
    mix(std::hash<std::uint64_t>{}(id.inode));
    mix(std::hash<std::int64_t>{}(id.birthNanoseconds.value_or(-1)));
    return h;
}

namespace {

Result<FileFacts> statxAt(int folder, const char* p, int flags) {
    struct statx sx {};
    if (::statx(folder, p, flags | AT_STATX_SYNC_AS_STAT,
                STATX_TYPE | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_CTIME | STATX_BTIME,
                &sx) != 0)
        return SysError::fromErrno();
    FileFacts facts;
    facts.identity.device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    facts.identity.inode = sx.stx_ino;
    if (sx.stx_mask & STATX_BTIME)
        facts.identity.birthNanoseconds =
            static_cast<std::int64_t>(sx.stx_btime.tv_sec) * 1'000'000'000 + sx.stx_btime.tv_nsec;
    facts.isDirectory = S_ISDIR(sx.stx_mode);
    facts.isRegular = S_ISREG(sx.stx_mode);
    facts.size = static_cast<std::int64_t>(sx.stx_size);
    facts.modifiedSeconds = sx.stx_mtime.tv_sec;
    facts.modifiedNanoseconds = sx.stx_mtime.tv_nsec;
    facts.changedNanoseconds =
        static_cast<std::int64_t>(sx.stx_ctime.tv_sec) * 1'000'000'000 + sx.stx_ctime.tv_nsec;
    return facts;
}

} // namespace

Result<FileFacts> statPath(const path& p) {
    return statxAt(AT_FDCWD, p.c_str(), 0);
}

Result<FileFacts> lstatPath(const path& p) {
    return statxAt(AT_FDCWD, p.c_str(), AT_SYMLINK_NOFOLLOW);
}

Result<FileFacts> statAt(int folder, const char* name) {
    return statxAt(folder, name, 0);
}

Result<FileFacts> lstatAt(int folder, const char* name) {
    return statxAt(folder, name, AT_SYMLINK_NOFOLLOW);
}

Result<FileFacts> statDescriptor(int fd) {
    return statxAt(fd, "", AT_EMPTY_PATH);
}

Result<FileIdentity> identityOf(const path& p) {
    auto facts = statPath(p);
    if (!facts)
        return facts.error();
    return facts->identity;
}

} // namespace fadebin
