#pragma once

#include <string>
#include <string_view>

// Whole reads and writes through descriptors, and a rename that never replaces. Free of Qt,
// so that small tools built from the trash sources alone can use it too.
namespace fadebin {

// Everything left to read from fd, up to the first error or the end.
[[nodiscard]] std::string readToEnd(int fd);
// The text of a small file, such as one under /proc; empty when it cannot be opened.
[[nodiscard]] std::string readWholeFile(const char* name);
// Writes all of data, going on after interruptions. False with errno set when a write
// failed (EIO when one wrote nothing).
[[nodiscard]] bool writeAll(int fd, std::string_view data);
// renameat(2) that never replaces what is at the target: -1 with errno EEXIST when
// something is there.
[[nodiscard]] int renameNoReplace(int fromDir, const char* from, int toDir, const char* to);

} // namespace fadebin
