#include "platform/DownloadsFolder.h"

#include "platform/MountInfo.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <deque>
#include <vector>

namespace fadebin {

namespace {

// How many links one walk may follow, as the kernel allows.
constexpr int linkLimit = 40;

bool startsWithFolder(std::string_view text, std::string_view folder) {
    return text.size() > folder.size() + 1 && text.substr(0, folder.size()) == folder &&
           text[folder.size()] == '/';
}

std::string withoutTrailingSlashes(std::string text) {
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

std::deque<std::string> components(std::string_view text) {
    std::deque<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('/', start);
        if (end == std::string_view::npos)
            end = text.size();
        if (end > start)
            parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

UniqueFd reopenAsPath(int folder) {
    return UniqueFd(::openat(folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// The device, inode and mount of what a path names: a folder and a mount over it differ.
std::optional<std::array<std::uint64_t, 3>> mountedIdentity(int at, const char* name, int flags) {
    struct statx sx {};
    if (::statx(at, name, flags | AT_STATX_SYNC_AS_STAT, STATX_INO | STATX_MNT_ID, &sx) != 0)
        return std::nullopt;
    return std::array<std::uint64_t, 3>{(std::uint64_t{sx.stx_dev_major} << 32) | sx.stx_dev_minor,
                                        sx.stx_ino,
                                        (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0};
}

// 1: openat2 works, 0: the kernel lacks it, -1: not asked yet.
std::atomic<int> kernelHasOpenat2{-1};

} // namespace

bool kernelOpensBeneath() {
    if (kernelHasOpenat2.load() < 0) {
        open_how how{};
        how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
        how.resolve = RESOLVE_BENEATH;
        const long fd = ::syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how);
        if (fd >= 0)
            ::close(static_cast<int>(fd));
        kernelHasOpenat2 = (fd < 0 && errno == ENOSYS) ? 0 : 1;
    }
    return kernelHasOpenat2.load() == 1;
}

Result<UniqueFd> openBeneath(int root, std::string_view relative, int flags) {
    if (!kernelOpensBeneath())
        return openBeneathByWalk(root, relative, flags);
    const std::string text = relative.empty() ? std::string(".") : std::string(relative);
    open_how how{};
    how.flags = static_cast<std::uint64_t>(O_PATH | O_CLOEXEC | flags);
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS | RESOLVE_NO_XDEV;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const long fd = ::syscall(SYS_openat2, root, text.c_str(), &how, sizeof how);
        if (fd >= 0)
            return UniqueFd(static_cast<int>(fd));
        // A rename anywhere during a walk over ".." makes the kernel give up rather than
        // risk a wrong answer; walking again is safe.
        if (errno != EAGAIN)
            break;
    }
    return SysError{errno, "cannot open a folder inside Downloads"};
}

Result<UniqueFd> openBeneathByWalk(int root, std::string_view relative, int flags) {
    // The folders walked so far, root first: ".." steps back along them and never past root.
    std::vector<UniqueFd> walked;
    walked.push_back(reopenAsPath(root));
    if (!walked.back())
        return SysError::fromErrno();
    std::deque<std::string> parts = components(relative);
    int links = 0;
    while (!parts.empty()) {
        const std::string part = std::move(parts.front());
        parts.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            if (walked.size() == 1)
                return SysError{EXDEV, "a path leads out of Downloads"};
            walked.pop_back();
            continue;
        }
        UniqueFd next(::openat(walked.back().get(), part.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!next || ::fstat(next.get(), &st) != 0)
            return SysError::fromErrno();
        const bool last = parts.empty();
        if (S_ISLNK(st.st_mode) && !(last && (flags & O_NOFOLLOW))) {
            std::array<char, PATH_MAX> target{};
            const ssize_t length = ::readlinkat(next.get(), "", target.data(), target.size());
            if (length <= 0 || static_cast<std::size_t>(length) >= target.size())
                return SysError{length < 0 ? errno : ENAMETOOLONG, "cannot read a link"};
            if (++links > linkLimit)
                return SysError{ELOOP, {}};
            if (target[0] == '/')
                return SysError{EXDEV, "a link leads out of Downloads"};
            auto spliced =
                components(std::string_view(target.data(), static_cast<std::size_t>(length)));
            parts.insert(parts.begin(), spliced.begin(), spliced.end());
            continue;
        }
        if (!last && !S_ISDIR(st.st_mode))
            return SysError{ENOTDIR, {}};
        if (mountIdAt(next.get(), "") != mountIdAt(root, ""))
            return SysError{EXDEV, "a path crosses a mount in Downloads"};
        walked.push_back(std::move(next));
    }
    if (flags & O_DIRECTORY) {
        struct stat st {};
        if (::fstat(walked.back().get(), &st) != 0 || !S_ISDIR(st.st_mode))
            return SysError{ENOTDIR, {}};
    }
    return std::move(walked.back());
}

DownloadsFolder::DownloadsFolder(std::filesystem::path folder)
    : m_given(std::move(folder)) {
    [[maybe_unused]] const Status opened = reopen();
}

Status DownloadsFolder::reopen() {
    m_fd.reset(::open(m_given.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!m_fd) {
        m_canonical.clear();
        return SysError::fromErrno();
    }
    m_canonical = pathOfDescriptor(m_fd.get()).value_or(m_given.lexically_normal().native());
    return {};
}

std::filesystem::path DownloadsFolder::canonicalPath() const {
    return ensureOpen() ? std::filesystem::path(m_canonical) : m_given;
}

std::optional<std::uint64_t> DownloadsFolder::mountId() const {
    return ensureOpen() ? mountIdAt(m_fd.get(), "") : std::nullopt;
}

bool DownloadsFolder::ensureOpen() const {
    if (m_given.empty())
        return false;
    // Held only as long as the given path still names the same folder: a Downloads that was
    // replaced, or that a disk was mounted over (a bind mount of the same disk included), is
    // the new one from now on.
    const auto place = mountedIdentity(AT_FDCWD, m_given.c_str(), 0);
    if (!place)
        return false;
    if (m_fd && mountedIdentity(m_fd.get(), "", AT_EMPTY_PATH) == place)
        return true;
    return const_cast<DownloadsFolder*>(this)->reopen().ok();
}

Result<std::string> DownloadsFolder::relativeOf(const std::filesystem::path& item,
                                                bool byKernel) const {
    const std::string text = withoutTrailingSlashes(item.native());
    if (!byKernel) {
        for (const std::string& base : {m_canonical, withoutTrailingSlashes(m_given.native())})
            if (!base.empty() && startsWithFolder(text, base))
                return text.substr(base.size() + 1);
        return SysError{EXDEV, "outside Downloads"};
    }
    // The kernel resolves the item's folder; its own name for that folder is compared.
    const auto slash = text.rfind('/');
    if (slash == std::string::npos)
        return SysError{EINVAL, "not an absolute path"};
    const std::string parent = slash == 0 ? std::string("/") : text.substr(0, slash);
    const std::string name = text.substr(slash + 1);
    UniqueFd folder(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return SysError::fromErrno();
    const auto where = pathOfDescriptor(folder.get());
    if (!where)
        return SysError{EXDEV, "outside Downloads"};
    if (*where == m_canonical)
        return name;
    if (startsWithFolder(*where, m_canonical))
        return where->substr(m_canonical.size() + 1) + "/" + name;
    return SysError{EXDEV, "outside Downloads"};
}

Result<OpenedItem> DownloadsFolder::openRelative(const std::string& relative) const {
    const std::string text = withoutTrailingSlashes(relative);
    const auto slash = text.rfind('/');
    OpenedItem opened;
    opened.relative = text;
    opened.name = slash == std::string::npos ? text : text.substr(slash + 1);
    if (opened.name.empty() || opened.name == "." || opened.name == ".." || text.front() == '/')
        return SysError{EINVAL, "not an item that can be moved or removed"};
    const std::string folderPart =
        slash == std::string::npos ? std::string() : text.substr(0, slash);
    auto folder = folderPart.empty() ? Result<UniqueFd>(reopenAsPath(m_fd.get()))
                                     : openBeneath(m_fd.get(), folderPart, O_DIRECTORY);
    if (!folder)
        return folder.error();
    opened.folder = std::move(folder).value();
    if (!opened.folder || ::fstat(opened.folder.get(), &opened.folderFacts) != 0)
        return SysError::fromErrno();
    opened.folderPath =
        pathOfDescriptor(opened.folder.get())
            .value_or(folderPart.empty() ? m_canonical : m_canonical + "/" + folderPart);
    return opened;
}

Result<OpenedItem> DownloadsFolder::openPlace(const std::filesystem::path& item) const {
    if (!ensureOpen())
        return SysError{ENOENT, "Downloads cannot be opened"};
    auto relative = relativeOf(item, false);
    if (relative) {
        auto opened = openRelative(*relative);
        if (opened || opened.error().code == EINVAL)
            return opened;
    }
    // Reached another way (an absolute link inside Downloads, or Downloads by another of
    // its names): the kernel's name for the item's folder says where it is.
    auto byKernel = relativeOf(item, true);
    if (!byKernel)
        return byKernel.error();
    return openRelative(*byKernel);
}

Result<OpenedItem> DownloadsFolder::openItem(const std::filesystem::path& item) const {
    auto opened = openPlace(item);
    if (!opened)
        return opened;
    OpenedItem& place = opened.value();
    if (::fstatat(place.folder.get(), place.name.c_str(), &place.facts, AT_SYMLINK_NOFOLLOW) != 0)
        return SysError::fromErrno();
    return opened;
}

bool DownloadsFolder::contains(const std::filesystem::path& item) const {
    const auto opened = openPlace(item);
    if (!opened)
        return false;
    struct stat st {};
    if (::fstatat(opened->folder.get(), opened->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISLNK(st.st_mode))
        return true;
    // A link is inside only when what it leads to is inside too (or is not there yet).
    const auto followed = openBeneath(m_fd.get(), opened->relative, 0);
    if (followed || followed.error().code == ENOENT)
        return true;
    // The kernel refuses absolute links outright; one naming a place in Downloads is fine.
    std::array<char, PATH_MAX> target{};
    const ssize_t length =
        ::readlinkat(opened->folder.get(), opened->name.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size() || target[0] != '/')
        return false;
    const auto relative =
        relativeOf(std::string(target.data(), static_cast<std::size_t>(length)), true);
    return relative && openRelative(*relative).ok();
}

std::variant<AdmittedPath, PathRefusal> DownloadsFolder::admit(std::string_view userPath) const {
    if (userPath.empty() || userPath.find('\0') != std::string_view::npos)
        return PathRefusal::notAPath;
    if (userPath.front() != '/')
        return PathRefusal::notAbsolute;
    const std::string text = withoutTrailingSlashes(std::string(userPath));
    const auto slash = text.rfind('/');
    const std::string name = text.substr(slash + 1);
    if (name == "." || name == "..")
        return PathRefusal::notAnItem;
    if (!ensureOpen())
        return PathRefusal::missing;
    if (name.empty()) // "/" itself
        return PathRefusal::downloadsOrAbove;
    const std::string parent = slash == 0 ? std::string("/") : text.substr(0, slash);
    UniqueFd folder(::open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return errno == ENOENT || errno == ENOTDIR ? PathRefusal::missing : PathRefusal::outside;
    const auto where = pathOfDescriptor(folder.get());
    if (!where) // beyond what the kernel names (longer than a page): not a place in Downloads
        return PathRefusal::outside;
    const std::string full = *where == "/" ? "/" + name : *where + "/" + name;
    if (full == m_canonical || startsWithFolder(m_canonical, full))
        return PathRefusal::downloadsOrAbove;
    std::string folderPart;
    if (startsWithFolder(*where, m_canonical))
        folderPart = where->substr(m_canonical.size() + 1);
    else if (*where != m_canonical)
        return PathRefusal::outside;
    // The kernel's name was read after the folder was opened; a folder moved meanwhile must
    // still be the one found beneath Downloads under that name.
    auto beneath = folderPart.empty() ? Result<UniqueFd>(reopenAsPath(m_fd.get()))
                                      : openBeneath(m_fd.get(), folderPart, O_DIRECTORY);
    struct stat seen {
    }, found{};
    if (!beneath || !beneath.value() || ::fstat(folder.get(), &seen) != 0 ||
        ::fstat(beneath.value().get(), &found) != 0 || seen.st_dev != found.st_dev ||
        seen.st_ino != found.st_ino)
        return PathRefusal::outside;
    std::string relative = folderPart.empty() ? name : folderPart + "/" + name;
    return AdmittedPath{relative, std::filesystem::path(m_canonical) / relative};
}

} // namespace fadebin
