#pragma once

#include "platform/OpenedItem.h"
#include "platform/Result.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace fadebin {

// Deletes a file, a symbolic link (the link, not what it points to) or a folder with all
// its contents. Links inside the folder are removed as links and never followed, and no
// other filesystem mounted inside it is entered (that gives EXDEV). Stops at the first
// failure and returns it; what was already removed stays removed.
[[nodiscard]] Status removeTree(const std::filesystem::path& item);
// The same for an item already opened through the folder holding it.
[[nodiscard]] Status removeTree(const OpenedItem& item);
// The same for the entry name of the folder open as folder, facts being what lstat said of it.
[[nodiscard]] Status removeTreeAt(int folder, const std::string& name, const struct stat& facts);

} // namespace fadebin
