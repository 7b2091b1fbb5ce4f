#pragma once

#include "platform/Result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

// Thin wrappers over the POSIX file calls the logic relies on. Paths are byte strings
// (std::filesystem::path on Linux), so names that are not valid UTF-8 survive untouched.
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
};

// Facts about what a path names, following symbolic links (statx).
[[nodiscard]] Result<FileFacts> statPath(const path& p);
// The same without following a final symbolic link.
[[nodiscard]] Result<FileFacts> lstatPath(const path& p);
[[nodiscard]] Result<FileIdentity> identityOf(const path& p);
// Whether something exists at the path, following symbolic links (a dangling link is nothing).
[[nodiscard]] bool pathExists(const path& p);
// Whether the file can be opened read-only (the descriptor is closed at once).
[[nodiscard]] Status openForReading(const path& p);
// Direct entries of a folder, hidden ones included, "." and ".." left out.
[[nodiscard]] Result<std::vector<path>> listDirectory(const path& folder);
[[nodiscard]] Result<std::vector<std::string>> listNames(const path& folder);
// Whether a folder holds anything, reading no more than its first entry.
[[nodiscard]] Result<bool> hasEntries(const path& folder);
// The same for a folder already open as a descriptor (which stays open and unmoved).
[[nodiscard]] Result<std::vector<std::string>> listNamesAt(int folder);

// Extended attributes in the user namespace, following symbolic links. An absent or
// empty attribute reads as none.
[[nodiscard]] Result<std::optional<QByteArray>> readXattr(const path& p, const char* name);
[[nodiscard]] Status writeXattr(const path& p, const char* name, const QByteArray& value);
[[nodiscard]] Status removeXattr(const path& p, const char* name);

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
