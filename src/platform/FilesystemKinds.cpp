#include "platform/FilesystemKinds.h"

#include <linux/magic.h>
#include <sys/statfs.h>

#include <algorithm>
#include <array>

namespace fadebin {

bool listingGivesIdentities(const std::filesystem::path& folder) {
    struct statfs fs {};
    if (::statfs(folder.c_str(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC: // ext2 and ext3 too
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case F2FS_SUPER_MAGIC:
        return true;
    default:
        return false;
    }
}

bool isRemoteOrFuse(std::string_view fsType) {
    // Looking into these can wait on a server or on a user-space process that hangs; fuseblk
    // is a local disk (NTFS, exFAT through FUSE) and stays.
    static constexpr std::array<std::string_view, 14> remote = {
        "nfs", "nfs4", "cifs",      "smb3",   "smbfs", "ncpfs", "9p",
        "afs", "ceph", "glusterfs", "lustre", "davfs", "fuse",  "virtiofs"};
    if (fsType.starts_with("fuse."))
        return true;
    return std::find(remote.begin(), remote.end(), fsType) != remote.end();
}

} // namespace fadebin
