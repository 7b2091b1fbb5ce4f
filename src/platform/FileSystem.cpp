#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace fadebin {

std::string SysError::text() const {
    std::string message = std::strerror(code);
    return context.empty() ? message : context + ": " + message;
}

namespace {

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

} // namespace

bool pathExists(const path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

Result<ReadLease> ReadLease::take(const path& p) {
    UniqueFd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd)
        return SysError::fromErrno();
    // A writer that opens the file while the lease is held makes the kernel signal us,
    // with SIGIO unless told otherwise, and SIGIO ends a process that does not handle it.
    // SIGURG is ignored unless handled, and nothing here handles it.
    if (::fcntl(fd.get(), F_SETSIG, SIGURG) != 0 || ::fcntl(fd.get(), F_SETLEASE, F_RDLCK) != 0) {
        SysError error = SysError::fromErrno();
        error.context = leaseCall;
        return error;
    }
    return ReadLease(std::move(fd));
}

ReadLease& ReadLease::operator=(ReadLease&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = std::move(other.m_fd);
    }
    return *this;
}

ReadLease::~ReadLease() {
    release();
}

void ReadLease::release() {
    if (!m_fd)
        return;
    // Closing the descriptor would end the lease as well; unlocking first says so plainly
    // and lets a waiting writer go on at once.
    [[maybe_unused]] const int unlocked = ::fcntl(m_fd.get(), F_SETLEASE, F_UNLCK);
    m_fd.reset();
}

bool ReadLease::isBreaking() const {
    // While a lease is being broken the kernel reports the type it is breaking to.
    return m_fd && ::fcntl(m_fd.get(), F_GETLEASE) == F_UNLCK;
}

namespace {

// Reads a whole folder stream; every name is read before the caller acts on any.
Result<std::vector<std::string>> readNames(DIR* dir) {
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..")
            names.emplace_back(name);
        errno = 0;
    }
    if (errno != 0)
        return SysError::fromErrno();
    return names;
}

} // namespace

Result<std::vector<std::string>> listNames(const path& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    return readNames(dir.get());
}

Result<bool> hasEntries(const path& folder) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            return errno == 0 ? Result<bool>(false) : Result<bool>(SysError::fromErrno());
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            return true;
    }
}

Result<std::vector<std::string>> listNamesAt(int folder) {
    // A fresh descriptor of its own, so the caller's keeps its position and stays open.
    const int reading = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (reading < 0)
        return SysError::fromErrno();
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(reading));
    if (!dir) {
        const int error = errno;
        ::close(reading);
        return SysError{error, {}};
    }
    return readNames(dir.get());
}

bool canOpenFolder(const path& folder) {
    return UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)).valid();
}

bool listingGivesIdentities(const path& folder) {
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

Status visitFolder(const path& folder,
                   const std::function<void(int folder, const FolderEntry&)>& visit) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return SysError::fromErrno();
    const int fd = ::dirfd(dir.get());
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") {
            const bool plain =
                entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN;
            visit(fd, FolderEntry{entry->d_name, entry->d_ino, plain});
        }
        errno = 0;
    }
    if (errno != 0)
        return SysError::fromErrno();
    return {};
}

bool hasXattr(const char* p, const char* name) {
    return ::getxattr(p, name, nullptr, 0) > 0;
}

Result<std::optional<QByteArray>> readXattr(const path& p, const char* name) {
    // The value may change between the size query and the read; try again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::getxattr(p.c_str(), name, nullptr, 0);
        if (size < 0) {
            if (errno == ENODATA)
                return std::optional<QByteArray>{};
            return SysError::fromErrno();
        }
        if (size == 0)
            return std::optional<QByteArray>{};
        QByteArray buffer(static_cast<qsizetype>(size), '\0');
        const ssize_t read = ::getxattr(p.c_str(), name, buffer.data(), static_cast<size_t>(size));
        if (read < 0) {
            if (errno == ERANGE)
                continue;
            if (errno == ENODATA)
                return std::optional<QByteArray>{};
            return SysError::fromErrno();
        }
        if (read == 0)
            return std::optional<QByteArray>{};
        buffer.truncate(static_cast<qsizetype>(read));
        return std::optional<QByteArray>(std::move(buffer));
    }
    return SysError{ERANGE, {}};
}

Status writeXattr(const path& p, const char* name, const QByteArray& value) {
    if (::setxattr(p.c_str(), name, value.constData(), static_cast<size_t>(value.size()), 0) != 0)
        return SysError::fromErrno();
    return {};
}

Status removeXattr(const path& p, const char* name) {
    if (::removexattr(p.c_str(), name) != 0)
        return SysError::fromErrno();
    return {};
}

path standardized(const path& p) {
    path normal = p.lexically_normal();
    // "/a/b/" normalises to "/a/b/"; drop the empty last component.
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

path resolvedPath(const path& p) {
    const path clean = standardized(p);
    // Resolve the longest prefix that exists, keep the rest as written.
    path existing = clean;
    path rest;
    while (!existing.empty()) {
        char buffer[PATH_MAX];
        if (::realpath(existing.c_str(), buffer) != nullptr) {
            path resolved(buffer);
            return rest.empty() ? resolved : standardized(resolved / rest);
        }
        if (existing == existing.root_path())
            break;
        rest = rest.empty() ? existing.filename() : existing.filename() / rest;
        existing = existing.parent_path();
    }
    return clean;
}

QString toQString(const path& p) {
    return QString::fromUtf8(p.native());
}

path fromQString(const QString& s) {
    return path(s.toUtf8().toStdString());
}

QString displayName(const path& p) {
    return QString::fromUtf8(standardized(p).filename().native());
}

QByteArray logName(const path& p) {
    return displayName(p).toUtf8();
}

std::string lowerExtension(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

std::string lowerExtension(const path& p) {
    return lowerExtension(p.filename().native());
}

} // namespace fadebin
