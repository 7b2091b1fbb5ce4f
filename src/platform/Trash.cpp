#include "platform/Trash.h"

#include "platform/FileFacts.h"
#include "platform/FileIo.h"
#include "platform/OpenedItem.h"
#include "platform/UniqueFd.h"
#include "platform/XdgPaths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <string>

namespace fadebin {

namespace {

constexpr int kMaxNameAttempts = 1000;
constexpr std::size_t kNameMax = 255;
constexpr std::string_view kInfoSuffix = ".trashinfo";
// Longer "extensions" are just part of the name; keeping them whole could leave no room.
constexpr std::size_t kMaxExtensionBytes = 16;

SysError lastError(const char* context) {
    return SysError{errno, context};
}

// One trash: its path (for the result only) and descriptors of files/ and info/, through
// which every write happens, so a link swapped into the path later cannot redirect them.
struct TrashFolder {
    path root;
    UniqueFd files;
    UniqueFd info;
    std::optional<path> topdir; // per-volume trashes store Path= relative to it
};

// The device of the closest folder on the way to p that exists: where the home trash is
// or would be created.
Result<dev_t> deviceOfNearest(path p) {
    for (;;) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0)
            return st.st_dev;
        if ((errno != ENOENT && errno != ENOTDIR) || p == p.root_path() || p.empty())
            return lastError("cannot look up the home trash folder");
        p = p.parent_path();
    }
}

bool isInside(const path& inner, const path& outer) {
    const auto rel = inner.lexically_relative(outer);
    return !rel.empty() && *rel.begin() != "..";
}

// mkdir -p for the data folder, but only below an existing home: a wrong XDG_DATA_HOME
// must not make folders appear anywhere else.
Status makeDataHome(const path& data) {
    struct stat st {};
    if (::stat(data.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? Status{} : Status{SysError{ENOTDIR, "data folder"}};
    const auto home = homeFolder();
    if (!home || !isInside(data, home->lexically_normal()))
        return SysError{ENOENT, "the data folder is missing and is not inside the home folder"};
    path current = home->lexically_normal();
    if (::stat(current.c_str(), &st) != 0)
        return lastError("home folder");
    for (const auto& part : data.lexically_relative(current)) {
        if (part.empty() || part == ".")
            continue;
        current /= part;
        if (::mkdir(current.c_str(), 0700) != 0 && errno != EEXIST)
            return lastError("cannot create the data folder");
    }
    return {};
}

// Opens folder name inside at, creating it (mode 0700) when missing. Never follows a link.
Result<UniqueFd> openOrMakeFolder(int at, const char* name, const char* context) {
    UniqueFd fd(::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd && errno == ENOENT) {
        if (::mkdirat(at, name, 0700) != 0 && errno != EEXIST)
            return lastError(context);
        fd.reset(::openat(at, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!fd)
        return lastError(context);
    return fd;
}

// files/ and info/ inside an opened trash folder.
Result<TrashFolder> openTrashParts(int trashFd, path root) {
    TrashFolder trash;
    trash.root = std::move(root);
    auto files = openOrMakeFolder(trashFd, "files", "cannot open the trash's files folder");
    if (!files)
        return files.error();
    auto info = openOrMakeFolder(trashFd, "info", "cannot open the trash's info folder");
    if (!info)
        return info.error();
    trash.files = std::move(files).value();
    trash.info = std::move(info).value();
    return trash;
}

Result<TrashFolder> openHomeTrash(const path& data) {
    if (auto made = makeDataHome(data); !made)
        return made.error();
    // The data folder is the user's own; a link there (dotfile managers do that) is followed.
    UniqueFd dataFd(::open(data.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dataFd)
        return lastError("cannot open the data folder");
    auto trash = openOrMakeFolder(dataFd.get(), "Trash", "cannot open the home trash");
    if (!trash)
        return trash.error();
    return openTrashParts(trash->get(), data / "Trash");
}

// The mount point of the filesystem holding folder (whose device is dev): found by the
// mount id in mountinfo, which also tells bind mounts of one filesystem apart, else by
// walking up while the device stays the same.
path mountTop(const path& folder, dev_t dev) {
    struct statx sx {};
    if (::statx(AT_FDCWD, folder.c_str(), AT_STATX_SYNC_AS_STAT, STATX_MNT_ID, &sx) == 0 &&
        (sx.stx_mask & STATX_MNT_ID)) {
        struct stat st {};
        if (const auto mount = mountWithId(sx.stx_mnt_id);
            mount && ::stat(mount->mountPoint.c_str(), &st) == 0 && st.st_dev == dev &&
            isInside(folder / "x", mount->mountPoint))
            return mount->mountPoint;
    }
    path top = folder;
    while (top != top.root_path()) {
        struct stat st {};
        const path up = top.parent_path();
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != dev)
            break;
        top = up;
    }
    return top;
}

bool ownedDirectory(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

Result<TrashFolder> openVolumeTrash(const path& topdir) {
    UniqueFd topFd(::open(topdir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!topFd)
        return lastError("cannot open the volume's top folder");
    const std::string uid = std::to_string(::getuid());

    // $topdir/.Trash/$uid, only when the administrator made .Trash a sticky real folder;
    // anything wrong with it sends us to .Trash-$uid instead.
    struct stat shared {};
    if (::fstatat(topFd.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        UniqueFd sharedFd(
            ::openat(topFd.get(), ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sharedFd) {
            auto mine = openOrMakeFolder(sharedFd.get(), uid.c_str(), "trash");
            if (mine && ownedDirectory(mine->get())) {
                auto trash = openTrashParts(mine->get(), topdir / ".Trash" / uid);
                if (trash) {
                    trash.value().topdir = topdir;
                    return trash;
                }
            }
        }
    }

    const std::string own = ".Trash-" + uid;
    auto mine = openOrMakeFolder(topFd.get(), own.c_str(), "cannot create the volume's trash");
    if (!mine)
        return mine.error();
    if (!ownedDirectory(mine->get()))
        return SysError{EPERM, "the volume's trash folder belongs to someone else"};
    auto trash = openTrashParts(mine->get(), topdir / own);
    if (trash)
        trash.value().topdir = topdir;
    return trash;
}

// Keeps a cut name valid UTF-8 when it was: never ends inside a multi-byte sequence.
std::string cutBytes(const std::string& text, std::size_t size) {
    if (text.size() <= size)
        return text;
    std::size_t cut = size;
    for (int back = 0;
         back < 3 && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++back)
        --cut;
    return text.substr(0, cut);
}

// The name inside the trash for the given attempt: "report.pdf", "report.2.pdf", ... short
// enough that NAME.trashinfo fits a file name.
std::string candidateName(const std::string& name, int attempt) {
    constexpr std::size_t limit = kNameMax - kInfoSuffix.size();
    if (attempt == 1 && name.size() <= limit)
        return name;
    std::string stem = name;
    std::string extension;
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0 && dot + 1 < name.size() &&
        name.size() - dot <= kMaxExtensionBytes) {
        stem = name.substr(0, dot);
        extension = name.substr(dot);
    }
    std::string number;
    if (attempt > 1) { // appended, not "." + ...: that form trips a false GCC 12 -Wrestrict
        number.push_back('.');
        number += std::to_string(attempt);
    }
    return cutBytes(stem, limit - number.size() - extension.size()) + number + extension;
}

} // namespace

std::optional<TrashedPlace> trashedPlaceOf(const path& itemInFiles) {
    const path files = itemInFiles.parent_path();
    if (files.filename() != "files" || !itemInFiles.has_filename())
        return std::nullopt;
    const path root = files.parent_path();
    TrashedPlace place{root / "info" / (itemInFiles.filename().native() + std::string(kInfoSuffix)),
                       std::nullopt};
    const std::string uid = std::to_string(::getuid());
    if (root.filename() == ".Trash-" + uid)
        place.topdir = root.parent_path();
    else if (root.filename() == uid && root.parent_path().filename() == ".Trash")
        place.topdir = root.parent_path().parent_path();
    return place;
}

namespace {

// The text of an info file in the open info folder; none unless it is a regular file (not a
// link, a FIFO or a device) of a size an info file can have.
std::optional<std::string> readInfoFile(int infoFolder, const std::string& infoName) {
    UniqueFd fd(::openat(infoFolder, infoName.c_str(),
                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > trashInfoSizeLimit)
        return std::nullopt;
    return readToEnd(fd.get());
}

} // namespace

std::optional<TrashInfo> trashInfoOf(const path& itemInFiles) {
    const auto place = trashedPlaceOf(itemInFiles);
    if (!place)
        return std::nullopt;
    UniqueFd info(::open(place->infoFile.parent_path().c_str(),
                         O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const auto text =
        info ? readInfoFile(info.get(), place->infoFile.filename().native()) : std::nullopt;
    return text ? parseTrashInfo(*text, place->topdir) : std::nullopt;
}

Result<path> restoreFromTrash(const path& itemInFiles, const RestorePlace& placeFor) {
    const auto place = trashedPlaceOf(itemInFiles);
    if (!place)
        return SysError{ENOENT, "the item is no longer in the trash"};
    // One descriptor for each of the trash's folders, and the info file read once through
    // them: what is checked is what is acted on, whatever is renamed meanwhile.
    UniqueFd root(
        ::open(itemInFiles.parent_path().parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!root)
        return SysError{ENOENT, "the item is no longer in the trash"};
    UniqueFd files(::openat(root.get(), "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    UniqueFd info(::openat(root.get(), "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    const std::string name = itemInFiles.filename().native();
    const std::string infoName = name + std::string(kInfoSuffix);
    if (!files || !info)
        return SysError{ENOENT, "the item is no longer in the trash"};
    const auto text = readInfoFile(info.get(), infoName);
    const auto parsed = text ? parseTrashInfo(*text, place->topdir) : std::nullopt;
    auto facts = lstatAt(files.get(), name.c_str());
    if (!parsed || !facts)
        return SysError{ENOENT, "the item is no longer in the trash"};
    auto target = placeFor(*parsed, *facts);
    if (!target)
        return target.error();
    if (renameNoReplace(files.get(), name.c_str(), target->folder.get(), target->name.c_str()) != 0)
        return lastError("cannot put the item back");
    ::unlinkat(info.get(), infoName.c_str(), 0);
    return target->folderPath / target->name;
}

Result<path> moveToTrash(const path& item) {
    auto opened = openItem(item);
    if (!opened)
        return opened.error();
    return moveToTrash(*opened);
}

Result<path> moveToTrash(const OpenedItem& source, TrashReceipt* receipt) {
    const auto data = dataHome();
    if (!data)
        return SysError{ENOENT, "no home folder to hold the trash"};
    auto homeDevice = deviceOfNearest(*data / "Trash");
    if (!homeDevice)
        return homeDevice.error();

    const bool sameDeviceAsHome = *homeDevice == source.folderFacts.st_dev;
    auto trash = sameDeviceAsHome
                     ? openHomeTrash(*data)
                     : openVolumeTrash(mountTop(source.folderPath, source.folderFacts.st_dev));
    if (!trash)
        return trash.error();

    const path original = source.folderPath / source.name;
    std::string recorded = original.native();
    if (trash->topdir) {
        const std::string& top = trash->topdir->native();
        const std::string prefix = top == "/" ? top : top + "/";
        if (recorded.compare(0, prefix.size(), prefix) == 0 && recorded.size() > prefix.size())
            recorded.erase(0, prefix.size());
    }
    const std::string contents = trashInfoText(recorded);

    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string name = candidateName(source.name, attempt);
        const std::string infoName = name + std::string(kInfoSuffix);
        // The info file comes first and is created exclusively: it reserves the name.
        UniqueFd infoFd(::openat(trash->info.get(), infoName.c_str(),
                                 O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!infoFd) {
            if (errno == EEXIST)
                continue;
            return lastError("cannot create the trash information file");
        }
        if (!writeAll(infoFd.get(), contents)) {
            const SysError error = lastError("cannot write the trash information file");
            ::unlinkat(trash->info.get(), infoName.c_str(), 0);
            return error;
        }
        const auto infoFacts = statDescriptor(infoFd.get());
        infoFd.reset();
        if (renameNoReplace(source.folder.get(), source.name.c_str(), trash->files.get(),
                            name.c_str()) == 0) {
            if (receipt && infoFacts)
                if (const auto written = parseTrashInfo(contents, trash->topdir))
                    *receipt = TrashReceipt{written->originalPath, written->deletionDate,
                                            infoFacts->identity};
            return trash->root / "files" / name;
        }
        const int code = errno;
        ::unlinkat(trash->info.get(), infoName.c_str(), 0);
        // A leftover in files/ without its info file: leave it be, take the next name.
        if (code == EEXIST)
            continue;
        return SysError{code, "cannot move the item into the trash"};
    }
    return SysError{EEXIST, "no free name left in the trash"};
}

std::vector<path> trashFilesFolders(TrashReach reach, const path& alwaysFor) {
    std::vector<path> folders;
    const auto add = [&folders](const path& p) {
        for (const auto& known : folders)
            if (known == p)
                return;
        if (const auto facts = statPath(p); facts && facts->isDirectory)
            folders.push_back(p);
    };
    if (const auto data = dataHome())
        add(*data / "Trash" / "files");

    // Kernel and automounter filesystems never hold a trash; looking into an autofs mount
    // point would even mount it.
    static constexpr std::array<std::string_view, 17> skipped = {
        "autofs",   "proc",    "sysfs",     "cgroup",      "cgroup2", "devpts",
        "mqueue",   "debugfs", "tracefs",   "securityfs",  "pstore",  "bpf",
        "configfs", "fusectl", "hugetlbfs", "binfmt_misc", "efivarfs"};
    const std::string uid = std::to_string(::getuid());
    for (const auto& mount : currentMounts()) {
        bool skip = false;
        for (const auto type : skipped)
            skip = skip || mount.fsType == type;
        // A hung network mount must not stall a lookup; the disk that holds Downloads is
        // where its files go, whatever it is.
        const bool holdsGiven =
            !alwaysFor.empty() && (mount.mountPoint == alwaysFor.root_path() ||
                                   alwaysFor.native().starts_with(mount.mountPoint.native() + '/'));
        if (skip || (reach == TrashReach::localOnly && isRemoteOrFuse(mount.fsType) && !holdsGiven))
            continue;
        add(mount.mountPoint / ".Trash" / uid / "files");
        add(mount.mountPoint / (".Trash-" + uid) / "files");
    }
    return folders;
}

} // namespace fadebin
