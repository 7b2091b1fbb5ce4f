#include "platform/FolderListing.h"

#include "platform/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

namespace fadebin {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

// Reads a whole folder stream; every name is read before the caller acts on any.
Result<std::vector<std::string>> readNames(DIR* dir) {
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0)
        return SysError::fromErrno();
    return names;
}

} // namespace

Result<std::vector<std::string>> listNames(const std::filesystem::path& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    return readNames(dir.get());
}

Result<bool> hasEntries(const std::filesystem::path& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            return errno == 0 ? Result<bool>(false) : Result<bool>(SysError::fromErrno());
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            return true;
    }
}

Result<std::vector<std::string>> listNamesAt(int folder) {
    // A fresh descriptor of its own, so the caller's keeps its position and stays open.
    const int reading = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (reading < 0)
        return SysError::fromErrno();
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(reading));
    if (!dir) {
        const int error = errno;
        ::close(reading);
        return SysError{error, {}};
    }
    return readNames(dir.get());
}

bool canOpenFolder(const std::filesystem::path& folder) {
    return UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid();
}

Status visitFolder(const std::filesystem::path& folder,
                   const std::function<void(int folder, const FolderEntry&)>& visit) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    const int fd = ::dirfd(dir.get());
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            const bool plain =
                entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN;
            visit(fd, FolderEntry{entry->d_name, entry->d_ino, plain});
        }
        errno = 0;
    }
    if (errno != 0)
        return SysError::fromErrno();
    return {};
}

} // namespace fadebin
