#pragma once

#include <filesystem>

// What a kind of filesystem can be trusted with, by its type.
namespace fadebin {

// Whether the folder's listing gives each plain item's own inode on the folder's device:
// true on the usual local filesystems, false where layers or a network stand between.
[[nodiscard]] bool listingGivesIdentities(const std::filesystem::path& folder);

} // namespace fadebin
