#include "platform/TrashPurge.h"

#include "platform/FileIo.h"
#include "platform/RemoveTree.h"
#include "platform/Trash.h"
#include "platform/TrashInfo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace fadebin {

using std::filesystem::path;

namespace {

constexpr int folderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

enum class InfoState { ours, notOurs, missing, unreadable };

// Whether the info file `name` in the open info folder is the very file we wrote for item,
// still saying what we wrote.
InfoState checkInfo(int infoFolder, const std::string& name, const std::optional<path>& topdir,
                    const OwnTrashedItem& item) {
    UniqueFd fd(::openat(infoFolder, name.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT  ? InfoState::missing
               : errno == ELOOP ? InfoState::notOurs
                                : InfoState::unreadable;
    const auto facts = statDescriptor(fd.get());
    if (!facts)
        return InfoState::unreadable;
    if (!facts->isRegular || facts->size > trashInfoSizeLimit || facts->identity != item.info)
        return InfoState::notOurs;
    const auto parsed = parseTrashInfo(readToEnd(fd.get()), topdir);
    if (!parsed || parsed->originalPath != item.originalPath.lexically_normal() ||
        parsed->deletionDate != item.deletionDate)
        return InfoState::notOurs;
    return InfoState::ours;
}

} // namespace

TrashPurge::TrashPurge(std::vector<path> filesFolders)
    : m_allowed(std::move(filesFolders)) {}

const TrashPurge::Folders* TrashPurge::open(const path& filesFolder, SysError& error) {
    if (const auto known = m_open.find(filesFolder); known != m_open.end())
        return &known->second;
    // The trash's own folder may be reached through a link (a data folder elsewhere); its
    // files/ and info/ never are.
    UniqueFd root(::open(filesFolder.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    Folders folders;
    if (root) {
        folders.files.reset(::openat(root.get(), "files", folderFlags));
        folders.info.reset(::openat(root.get(), "info", folderFlags));
    }
    if (!root || !folders.files || !folders.info) {
        error = SysError{errno, "cannot open the trash's folders"};
        return nullptr;
    }
    const auto place = trashedPlaceOf(filesFolder / "x");
    folders.topdir = place ? place->topdir : std::nullopt;
    return &m_open.emplace(filesFolder, std::move(folders)).first->second;
}

PurgeResult TrashPurge::remove(const OwnTrashedItem& item, SysError& error) {
    const path folder = item.itemInFiles.parent_path();
    const std::string name = item.itemInFiles.filename().native();
    if (name.empty() || name == "." || name == ".." ||
        std::find(m_allowed.begin(), m_allowed.end(), folder) == m_allowed.end())
        return PurgeResult::notOurs;
    const Folders* trash = open(folder, error);
    if (!trash)
        return PurgeResult::failed;
    const std::string infoName = name + std::string(trashInfoSuffix);

    const InfoState info = checkInfo(trash->info.get(), infoName, trash->topdir, item);
    if (info == InfoState::unreadable) {
        error = SysError{errno, "cannot read the trash information file"};
        return PurgeResult::failed;
    }
    const auto found = lstatAt(trash->files.get(), name.c_str());
    const bool itemGone = !found && found.error().code == ENOENT;
    if (!found && !itemGone) {
        error = found.error();
        return PurgeResult::failed;
    }
    if (info == InfoState::missing)
        return itemGone ? PurgeResult::notThere : PurgeResult::notOurs;
    if (info == InfoState::notOurs || (!itemGone && found->identity != item.identity))
        return PurgeResult::notOurs;

    if (!itemGone) {
        struct stat st {};
        if (::fstatat(trash->files.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            error = SysError{errno, "cannot look at the trashed item"};
            return PurgeResult::failed;
        }
        if (Status removed = removeTreeAt(trash->files.get(), name, st); !removed) {
            error = removed.error();
            return PurgeResult::failed;
        }
    }
    if (::unlinkat(trash->info.get(), infoName.c_str(), 0) != 0 && errno != ENOENT) {
        error = SysError{errno, "cannot remove the trash information file"};
        return PurgeResult::failed;
    }
    return PurgeResult::removed;
}

} // namespace fadebin
