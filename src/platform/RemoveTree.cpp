#include "platform/RemoveTree.h"

#include "platform/FileSystem.h"
#include "platform/MountInfo.h"
#include "platform/OpenedItem.h"
#include "platform/UniqueFd.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace fadebin {

namespace {

SysError lastError(const char* context) {
    return SysError{errno, context};
}

// Empties the folder open as folder, which lives on device in mount.
Status removeContents(int folder, dev_t device, std::optional<std::uint64_t> mount) {
    auto names = listNamesAt(folder);
    if (!names)
        return names.error();
    for (const auto& name : *names) {
        struct stat st {};
        if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) // gone meanwhile: that is what we wanted
                continue;
            return lastError("cannot look at a folder entry");
        }
        if (S_ISDIR(st.st_mode)) {
            // Anything mounted here is not part of the item, never to be emptied: another
            // filesystem, or a folder from anywhere bound here (the same device, another mount).
            if (st.st_dev != device || mountIdAt(folder, name.c_str()) != mount)
                return SysError{EXDEV, "a folder inside is another mount"};
            UniqueFd child(
                ::openat(folder, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!child)
                return lastError("cannot open a folder inside");
            if (auto emptied = removeContents(child.get(), device, mount); !emptied)
                return emptied;
            if (::unlinkat(folder, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
                return lastError("cannot remove a folder inside");
        } else if (::unlinkat(folder, name.c_str(), 0) != 0 && errno != ENOENT) {
            return lastError("cannot remove a file inside");
        }
    }
    return {};
}

} // namespace

Status removeTree(const std::filesystem::path& item) {
    auto opened = openItem(item);
    if (!opened)
        return opened.error();
    return removeTree(*opened);
}

Status removeTree(const OpenedItem& target) {
    return removeTreeAt(target.folder.get(), target.name, target.facts);
}

Status removeTreeAt(int at, const std::string& name, const struct stat& facts) {
    const auto mount = mountIdAt(at, "");
    if (mountIdAt(at, name.c_str()) != mount)
        return SysError{EBUSY, "the item is a mount point"};
    if (!S_ISDIR(facts.st_mode)) {
        if (::unlinkat(at, name.c_str(), 0) != 0)
            return SysError::fromErrno();
        return {};
    }
    UniqueFd folder(::openat(at, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder)
        return lastError("cannot open the folder");
    if (auto emptied = removeContents(folder.get(), facts.st_dev, mount); !emptied)
        return emptied;
    if (::unlinkat(at, name.c_str(), AT_REMOVEDIR) != 0)
        return lastError("cannot remove the folder");
    return {};
}

} // namespace fadebin
