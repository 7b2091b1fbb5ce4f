#pragma once

#include "platform/FileSystem.h"
#include "platform/OpenedItem.h"
#include "platform/Result.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The freedesktop.org Trash (version 1.0 of its format), done with plain system calls so
// that it never loops, never writes outside a trash folder and keeps names as raw bytes.
namespace fadebin {

using std::filesystem::path;

// Moves a file, a folder or a symbolic link (the link itself) into the trash of the
// filesystem it lives on: the home trash ($XDG_DATA_HOME/Trash) when it shares a device
// with it, otherwise $topdir/.Trash/$uid or $topdir/.Trash-$uid. Returns where the item
// now is, inside the trash's files/ folder. Nothing is copied across filesystems.
[[nodiscard]] Result<path> moveToTrash(const path& item);
// The same for an item already opened through the folder holding it.
[[nodiscard]] Result<path> moveToTrash(const OpenedItem& item);

enum class TrashReach {
    everywhere,
    // Not on network or FUSE filesystems, except the one holding alwaysFor.
    localOnly,
};
// The files/ folders of the home trash and of every mounted volume's trash that exists.
[[nodiscard]] std::vector<path> trashFilesFolders(TrashReach reach = TrashReach::everywhere,
                                                  const path& alwaysFor = {});
[[nodiscard]] bool isRemoteOrFuse(std::string_view fsType);

// The Path= value of a .trashinfo file: every byte percent-encoded except '/' and the
// RFC 2396 unreserved characters.
[[nodiscard]] std::string encodeTrashInfoPath(std::string_view bytes);
// The exact bytes back; none for a malformed escape.
[[nodiscard]] std::optional<std::string> decodeTrashInfoPath(std::string_view encoded);

// What a .trashinfo file says of its item.
struct TrashInfo {
    path originalPath;        // absolute and standardized
    std::string deletionDate; // as written ("YYYY-MM-DDThh:mm:ss", local time), may be empty
};
// Reads the [Trash Info] group of an info file. A relative Path= is taken from topdir (the
// folder a volume trash belongs to); without topdir only absolute paths are accepted. None
// for anything that is not a well-formed info file.
[[nodiscard]] std::optional<TrashInfo> parseTrashInfo(std::string_view text,
                                                      const std::optional<path>& topdir);

// The info of an item inside a trash's files/ folder, none when it has none (or the path is
// not inside a trash).
[[nodiscard]] std::optional<TrashInfo> trashInfoOf(const path& itemInFiles);
// Where a trashed item may go back to: given what its info file says and what the item is,
// the opened folder to put it in and its name there, or the reason it may not go back.
using RestorePlace = std::function<Result<OpenedItem>(const TrashInfo&, const FileFacts& item)>;
// Puts a trashed item back at the place placeFor gives for its info file and removes the
// info file. The info file is read once, and the item moved through the same descriptors
// that were checked. Fails with EEXIST when something stands at that place now, and with
// ENOENT when the item or its info file is no longer in the trash; nothing is replaced or
// created on the way.
[[nodiscard]] Result<path> restoreFromTrash(const path& itemInFiles, const RestorePlace& placeFor);

struct MountEntry {
    path mountPoint;
    std::string fsType;
};
// The mounts listed in /proc/self/mountinfo text, octal escapes (\040 ...) decoded.
[[nodiscard]] std::vector<MountEntry> parseMountInfo(std::string_view text);

} // namespace fadebin
