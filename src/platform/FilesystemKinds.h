#pragma once

#include <filesystem>
#include <string_view>

// What a kind of filesystem can be trusted with, by its type. Free of Qt, so that small tools
// built from the trash sources alone can use it too.
namespace fadebin {

// Whether the folder's listing gives each plain item's own inode on the folder's device:
// true on the usual local filesystems, false where layers or a network stand between.
[[nodiscard]] bool listingGivesIdentities(const std::filesystem::path& folder);
// Whether a mount of this type (as mountinfo names it) may hang on a server or a user-space
// process.
[[nodiscard]] bool isRemoteOrFuse(std::string_view fsType);

} // namespace fadebin
