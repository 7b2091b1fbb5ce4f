#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Reading folders: names only, never the items themselves.
namespace fadebin {

// Whether the folder exists and may be read (opened and closed again; nothing is listed).
[[nodiscard]] bool canOpenFolder(const std::filesystem::path& folder);
// The names of a folder's direct entries, hidden ones included, "." and ".." left out.
[[nodiscard]] Result<std::vector<std::string>> listNames(const std::filesystem::path& folder);
// Whether a folder holds anything, reading no more than its first entry.
[[nodiscard]] Result<bool> hasEntries(const std::filesystem::path& folder);
// The same for a folder already open as a descriptor (which stays open and unmoved).
[[nodiscard]] Result<std::vector<std::string>> listNamesAt(int folder);
// One entry of a folder as the listing gives it, without looking at the item itself.
struct FolderEntry {
    const char* name;
    std::uint64_t inode;
    // Listed as neither folder nor symbolic link (nor unknown): the item at the name is the
    // inode listed, unless something is mounted over it.
    bool isPlainItem;
};
// Calls `visit` with the open folder and each entry as it is read, without first gathering
// every name; fails with the error of opening or reading the folder.
[[nodiscard]] Status visitFolder(const std::filesystem::path& folder,
                                 const std::function<void(int folder, const FolderEntry&)>& visit);

} // namespace fadebin
