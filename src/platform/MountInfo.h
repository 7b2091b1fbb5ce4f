#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The mounts the kernel lists in /proc/self/mountinfo. Free of Qt, so that small tools built
// from the trash sources alone can use it too.
namespace fadebin {

struct MountEntry {
    std::filesystem::path mountPoint;
    std::string fsType;
};
// The mounts listed in /proc/self/mountinfo text, octal escapes (\040 ...) decoded.
[[nodiscard]] std::vector<MountEntry> parseMountInfo(std::string_view text);
// The mounts this process sees now.
[[nodiscard]] std::vector<MountEntry> currentMounts();
// The mount with this id (statx's STATX_MNT_ID), none when it is not listed or its line does
// not parse.
[[nodiscard]] std::optional<MountEntry> mountWithId(std::uint64_t id);
// The id of the mount that holds what name names in the folder open as at (at itself when
// name is empty), the name not followed as a link; none where the kernel does not tell.
// A mount point is the mounted folder's root: a bind mount of the same disk differs here
// although its device does not.
[[nodiscard]] std::optional<std::uint64_t> mountIdAt(int at, const char* name);

} // namespace fadebin
