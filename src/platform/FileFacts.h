#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>

// What the file system says of an item, through statx. Free of Qt, so that small tools built
// from the trash sources alone can use it too.
namespace fadebin {

using std::filesystem::path;

// Who a file system object is, independent of its name. The birth time tells apart two
// files that got the same inode number one after the other (ext4 hands a freed inode to
// the next file created); filesystems that report none compare on device and inode.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::optional<std::int64_t> birthNanoseconds;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const noexcept;
};

struct FileFacts {
    FileIdentity identity;
    bool isDirectory = false;
    bool isRegular = false;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0; // content modification, whole seconds since 1970
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0; // last change of content or attributes, since 1970
};

// Facts about what a path names, following symbolic links (statx).
[[nodiscard]] Result<FileFacts> statPath(const path& p);
// The same without following a final symbolic link.
[[nodiscard]] Result<FileFacts> lstatPath(const path& p);
[[nodiscard]] Result<FileIdentity> identityOf(const path& p);
// Facts about the entry `name` of an open folder, following symbolic links.
[[nodiscard]] Result<FileFacts> statAt(int folder, const char* name);
// The same without following the entry when it is a symbolic link.
[[nodiscard]] Result<FileFacts> lstatAt(int folder, const char* name);
// Facts about what an open descriptor (an O_PATH one included) refers to.
[[nodiscard]] Result<FileFacts> statDescriptor(int fd);

} // namespace fadebin
