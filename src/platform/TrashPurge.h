#pragma once

#include "platform/FileFacts.h"
#include "platform/Result.h"
#include "platform/UniqueFd.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Removing from a trash what we put there, and nothing else.
namespace fadebin {

// One of our items in a trash as it was when it went: what must still hold of it.
struct OwnTrashedItem {
    std::filesystem::path itemInFiles;  // its place in the trash's files/ folder
    FileIdentity identity;              // the item's
    std::filesystem::path originalPath; // what Path= says, absolute
    std::string deletionDate;           // what DeletionDate= says
    FileIdentity info;                  // the info file's
};

enum class PurgeResult {
    removed,  // the item (or, when it was gone already, its info file) is gone
    notOurs,  // something there is not what we wrote: left alone
    notThere, // neither item nor info file is in the trash any more (restored or emptied)
    failed,   // the trash could not be read, or a removal failed: try again later
};

// Removes our items from the trash folders it may act in: each item data first, then its info
// file, both by name relative to descriptors of the trash's files/ and info/ folders (never
// following a link, never crossing into another mount), and only while the item is the one
// we trashed (device, inode, birth time) and its info file the one we wrote (its own identity,
// Path= and DeletionDate=). An info file whose item is gone, and that is provably ours, is
// removed too: what a pass stopped between the two removals left. Each trash's folders are
// opened once for all the items of one object.
class TrashPurge {
public:
    // filesFolders: the files/ folders of the trashes it may act in; any other is refused.
    explicit TrashPurge(std::vector<std::filesystem::path> filesFolders);

    [[nodiscard]] PurgeResult remove(const OwnTrashedItem& item, SysError& error);

private:
    struct Folders {
        UniqueFd files;
        UniqueFd info;
        std::optional<std::filesystem::path> topdir;
    };
    [[nodiscard]] const Folders* open(const std::filesystem::path& filesFolder, SysError& error);

    std::vector<std::filesystem::path> m_allowed;
    std::map<std::filesystem::path, Folders> m_open;
};

} // namespace fadebin
