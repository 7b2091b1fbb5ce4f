#pragma once

#include "platform/ExtendedAttributes.h"
#include "platform/FileFacts.h"
#include "platform/FilesystemKinds.h"
#include "platform/FolderListing.h"
#include "platform/ReadLease.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <string>

// Paths as the logic compares and shows them, and (through the headers above) the thin
// wrappers over the POSIX file calls it relies on. Paths are byte strings
// (std::filesystem::path on Linux), so names that are not valid UTF-8 survive untouched.
namespace fadebin {

using std::filesystem::path;

// Whether something exists at the path, following symbolic links (a dangling link is nothing).
[[nodiscard]] bool pathExists(const path& p);

// Lexical clean-up: "." and ".." resolved, duplicate and trailing slashes gone. No disk access.
[[nodiscard]] path standardized(const path& p);
// The standardized path with every symbolic link resolved; links that lead nowhere and
// missing trailing components are kept lexically.
[[nodiscard]] path resolvedPath(const path& p);
// The last path component as text for display and logs (invalid UTF-8 replaced).
[[nodiscard]] QString displayName(const path& p);
// The last path component as UTF-8 for log lines.
[[nodiscard]] QByteArray logName(const path& p);
[[nodiscard]] QString toQString(const path& p);
[[nodiscard]] path fromQString(const QString& s);
// The part after the last dot of the last component, lower-cased; empty when none.
[[nodiscard]] std::string lowerExtension(const path& p);
[[nodiscard]] std::string lowerExtension(const std::string& name);

} // namespace fadebin
