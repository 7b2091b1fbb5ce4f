#pragma once

#include "platform/FileFacts.h"
#include "platform/Result.h"
#include "platform/UniqueFd.h"

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

// Whether something exists at the path, following symbolic links (a dangling link is nothing).
[[nodiscard]] bool pathExists(const path& p);

// A read lease on a regular file (fcntl F_SETLEASE). The kernel grants one only while no
// process has the file open for writing, which is how a file still being written is told
// from one that merely paused. Released on destruction.
class ReadLease {
public:
    // The error's context names the lease call when the file could be opened but not
    // leased: EAGAIN while a writer holds it open; EINVAL (or EACCES for a file of another
    // user) where leases cannot be had. Without that context, opening failed.
    [[nodiscard]] static Result<ReadLease> take(const path& p);
    static constexpr const char* leaseCall = "F_SETLEASE";

    ReadLease(ReadLease&& other) noexcept = default;
    ReadLease& operator=(ReadLease&& other) noexcept;
    ~ReadLease();
    void release();
    // True once a writer tried to open the file and the kernel is breaking the lease.
    [[nodiscard]] bool isBreaking() const;

private:
    explicit ReadLease(UniqueFd fd)
        : m_fd(std::move(fd)) {}
    UniqueFd m_fd;
};

// Whether the folder exists and may be read (opened and closed again; nothing is listed).
[[nodiscard]] bool canOpenFolder(const path& folder);
// The names of a folder's direct entries, hidden ones included, "." and ".." left out.
[[nodiscard]] Result<std::vector<std::string>> listNames(const path& folder);
// Whether a folder holds anything, reading no more than its first entry.
[[nodiscard]] Result<bool> hasEntries(const path& folder);
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
// Whether the folder's listing gives each plain item's own inode on the folder's device:
// true on the usual local filesystems, false where layers or a network stand between.
[[nodiscard]] bool listingGivesIdentities(const path& folder);
// Calls `visit` with the open folder and each entry as it is read, without first gathering
// every name; fails with the error of opening or reading the folder.
[[nodiscard]] Status visitFolder(const path& folder,
                                 const std::function<void(int folder, const FolderEntry&)>& visit);

// Extended attributes in the user namespace, following symbolic links. An absent or
// empty attribute reads as none.
[[nodiscard]] Result<std::optional<QByteArray>> readXattr(const path& p, const char* name);
// Whether the attribute is there with a value: one call, for scanning many files.
[[nodiscard]] bool hasXattr(const char* p, const char* name);
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
