#pragma once

#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

namespace fadebin {

// A file system item reached through the folder that holds it, so that later calls act on
// that folder's entry by name (the *at calls) and never follow a symbolic link the item
// itself may be.
struct OpenedItem {
    UniqueFd folder;                  // O_PATH descriptor of the holding folder
    std::filesystem::path folderPath; // that folder's canonical absolute path
    std::string name;                 // the item's own name in it, raw bytes
    std::string relative;             // its path below the folder it was opened beneath, if any
    struct stat folderFacts {};
    struct stat facts {}; // the item itself, links not followed
};

// The kernel's name for what an open descriptor refers to, free of the race a realpath()
// before the open would have; none beyond PATH_MAX or without /proc.
[[nodiscard]] std::optional<std::string> pathOfDescriptor(int fd);

// Opens the folder holding item and looks the item up without following it. Trailing
// slashes are ignored; ".", ".." and "/" name no item and give EINVAL.
[[nodiscard]] Result<OpenedItem> openItem(const std::filesystem::path& item);

} // namespace fadebin
