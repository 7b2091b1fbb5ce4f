#pragma once

#include "platform/OpenedItem.h"
#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace fadebin {

// Whether this kernel resolves paths beneath a folder itself (openat2, Linux 5.6 and later).
[[nodiscard]] bool kernelOpensBeneath();
// Opens `relative` below the folder open as `root` with O_PATH and `flags`, the kernel
// refusing every way out of it: ".." above root, an absolute symbolic link, a link that
// leads out, a mount on the way (a folder bound here from elsewhere): all EXDEV. Through
// openat2(RESOLVE_BENEATH); without it (Linux before 5.6) by the walk below.
[[nodiscard]] Result<UniqueFd> openBeneath(int root, std::string_view relative, int flags);
// The same walk done one component at a time with O_NOFOLLOW, reading each link itself.
[[nodiscard]] Result<UniqueFd> openBeneathByWalk(int root, std::string_view relative, int flags);

// Why a path from a user (command line, bus, drop) names nothing Fadebin may act on.
enum class PathRefusal {
    notAPath,         // empty, or holding a NUL byte
    notAbsolute,      // relative paths are made absolute by the caller, who knows its folder
    notAnItem,        // ends in "." or "..": a folder by a roundabout name, never a file
    downloadsOrAbove, // Downloads itself or a folder that holds it
    outside,          // anywhere else, a link leading out included
    missing,          // its folder does not exist
};

// A user's path admitted at the boundary: where it is below Downloads (no "..", no leading
// '/', never empty) and the same place as an absolute path in the folder's kernel name.
struct AdmittedPath {
    std::string relative;
    std::filesystem::path absolute;
};

// The Downloads folder as a door: every item is reached from one descriptor of the folder,
// resolved by the kernel beneath it, so that no name, link or race can lead an operation
// outside. The descriptor is taken again when the folder at the given path is another one
// (replaced, or a disk mounted over it).
class DownloadsFolder {
public:
    DownloadsFolder() = default;
    explicit DownloadsFolder(std::filesystem::path folder);

    // Opens the folder at its path again (watching restarted); fails while it is missing.
    Status reopen();
    [[nodiscard]] const std::filesystem::path& givenPath() const { return m_given; }
    // The kernel's name for the open folder, links resolved; the given path until opened.
    [[nodiscard]] std::filesystem::path canonicalPath() const;
    // The mount that holds the folder; none while it cannot be opened.
    [[nodiscard]] std::optional<std::uint64_t> mountId() const;

    // The folder holding item, opened beneath Downloads, and the item's name; the item
    // itself need not exist (a place to restore to). `facts` is left empty.
    [[nodiscard]] Result<OpenedItem> openPlace(const std::filesystem::path& item) const;
    // The same for an item that exists; `facts` describes it, links not followed.
    [[nodiscard]] Result<OpenedItem> openItem(const std::filesystem::path& item) const;
    // Whether item's folder lies beneath Downloads (the item may be missing).
    [[nodiscard]] bool contains(const std::filesystem::path& item) const;

    // Turns a user's path into a place below Downloads, once, after the kernel resolved its
    // folder; the item itself is taken as named (a link is the link).
    [[nodiscard]] std::variant<AdmittedPath, PathRefusal> admit(std::string_view userPath) const;

private:
    [[nodiscard]] bool ensureOpen() const;
    [[nodiscard]] Result<std::string> relativeOf(const std::filesystem::path& item,
                                                 bool byKernel) const;
    [[nodiscard]] Result<OpenedItem> openRelative(const std::string& relative) const;

    std::filesystem::path m_given;
    mutable UniqueFd m_fd;
    mutable std::string m_canonical;
};

} // namespace fadebin
