#pragma once

#include "platform/FileSystem.h"
#include "platform/FilesystemKinds.h"
#include "platform/MountInfo.h"
#include "platform/OpenedItem.h"
#include "platform/Result.h"
#include "platform/TrashInfo.h"

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
// What was written for an item moved to a trash: what tells later that the item and its info
// file are still the ones put there.
struct TrashReceipt {
    path originalPath;        // what Path= says, absolute
    std::string deletionDate; // the DeletionDate= written
    FileIdentity info;        // the info file created for it
};
// The same for an item already opened through the folder holding it; receipt, when given,
// is filled in when it went.
[[nodiscard]] Result<path> moveToTrash(const OpenedItem& item, TrashReceipt* receipt = nullptr);

enum class TrashReach {
    everywhere,
    // Not on network or FUSE filesystems, except the one holding alwaysFor.
    localOnly,
};
// The files/ folders of the home trash and of every mounted volume's trash that exists.
[[nodiscard]] std::vector<path> trashFilesFolders(TrashReach reach = TrashReach::everywhere,
                                                  const path& alwaysFor = {});

// Where the info file of an item in a trash's files/ folder lives, and which folder a volume
// trash serves (its Path= values are relative to it); none outside a files/ folder.
struct TrashedPlace {
    path infoFile;
    std::optional<path> topdir; // none for the home trash
};
[[nodiscard]] std::optional<TrashedPlace> trashedPlaceOf(const path& itemInFiles);
inline constexpr std::string_view trashInfoSuffix = ".trashinfo";

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

} // namespace fadebin
