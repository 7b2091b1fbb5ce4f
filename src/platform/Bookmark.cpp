#include "platform/Bookmark.h"

#include "platform/Log.h"
#include "platform/OpenedItem.h"

#include <QHashFunctions>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <string_view>

namespace fadebin {

namespace {

// Layout (all integers little-endian):
//   "FBMK", u32 version,
//   v1: u64 device, u64 inode, u32 path length, path bytes
//   v2: u64 device, u64 inode, u8 flags (bit 0: birth time present), i64 birth time (ns),
//       i64 size, i64 mtime seconds, i64 mtime nanoseconds, u32 path length, path bytes
// Nothing may follow the path.
constexpr std::string_view magic = "FBMK";
constexpr std::uint8_t hasBirthFlag = 0x01;
// Far beyond any real path, small enough that a hostile length cannot cost much.
constexpr std::uint32_t maxPathBytes = 64 * 1024;
constexpr std::int64_t nanosecondsPerSecond = 1'000'000'000;

void putU64(QByteArray& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void putU32(QByteArray& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>((value >> (8 * i)) & 0xff));
}

void putI64(QByteArray& out, std::int64_t value) {
    putU64(out, static_cast<std::uint64_t>(value));
}

// Bounds-checked reading; every read fails once one has failed.
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes) {}

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] qsizetype remaining() const { return m_bytes.size() - m_pos; }

    [[nodiscard]] std::uint64_t u64() { return readLittleEndian(8); }
    [[nodiscard]] std::uint32_t u32() { return static_cast<std::uint32_t>(readLittleEndian(4)); }
    [[nodiscard]] std::uint8_t u8() { return static_cast<std::uint8_t>(readLittleEndian(1)); }
    [[nodiscard]] std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    [[nodiscard]] std::string bytes(qsizetype count) {
        if (!m_ok || count < 0 || count > remaining()) {
            m_ok = false;
            return {};
        }
        std::string out(m_bytes.constData() + m_pos, static_cast<std::size_t>(count));
        m_pos += count;
        return out;
    }

private:
    std::uint64_t readLittleEndian(int width) {
        if (!m_ok || remaining() < width) {
            m_ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i)
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(m_bytes[m_pos + i]))
                     << (8 * i);
        m_pos += width;
        return value;
    }

    const QByteArray& m_bytes;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

struct ObjectFacts {
    FileFacts facts;
    std::uint32_t links = 0;
};

// Same device encoding as the statx wrapper in FileSystem.cpp, so identities compare.
std::optional<ObjectFacts> statxFacts(int dirFd, const char* name, int flags) {
    struct statx sx {};
    if (::statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT,
                STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_MTIME | STATX_BTIME,
                &sx) != 0)
        return std::nullopt;
    ObjectFacts out;
    FileFacts& facts = out.facts;
    facts.identity.device = (static_cast<std::uint64_t>(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    facts.identity.inode = sx.stx_ino;
    if (sx.stx_mask & STATX_BTIME)
        facts.identity.birthNanoseconds =
            static_cast<std::int64_t>(sx.stx_btime.tv_sec) * nanosecondsPerSecond +
            sx.stx_btime.tv_nsec;
    facts.isDirectory = S_ISDIR(sx.stx_mode);
    facts.isRegular = S_ISREG(sx.stx_mode);
    facts.size = static_cast<std::int64_t>(sx.stx_size);
    facts.modifiedSeconds = sx.stx_mtime.tv_sec;
    facts.modifiedNanoseconds = sx.stx_mtime.tv_nsec;
    out.links = sx.stx_nlink;
    return out;
}

std::optional<ObjectFacts> factsOfDescriptor(int fd) {
    return statxFacts(fd, "", AT_EMPTY_PATH);
}

std::optional<ObjectFacts> factsOfPath(const path& p) {
    return statxFacts(AT_FDCWD, p.c_str(), 0);
}

// Whether a file found on disk can be proven to be the one the token was made for. Device
// and inode alone are not enough: ext4 gives a freed inode number to the next new file.
// Without a birth time, size and modification time must match as well; a version 1 token
// recorded neither, so it can never be proven and never resolves by lookup. Refusing is
// the safe side: a file that cannot be proven to be the same one is never deleted.
bool provenSame(const FileFacts& found, const BookmarkToken& token) {
    if (found.identity.device != token.identity.device ||
        found.identity.inode != token.identity.inode)
        return false;
    if (token.identity.birthNanoseconds)
        return found.identity.birthNanoseconds == token.identity.birthNanoseconds;
    return token.version >= 2 && found.size == token.size &&
           found.modifiedSeconds == token.modifiedSeconds &&
           found.modifiedNanoseconds == token.modifiedNanoseconds;
}

// Whether a descriptor kept under a record's key was opened for the file the token names.
// The descriptor itself proves sameness while it is open, so size and time may have moved.
bool descriptorIsFor(const FileIdentity& held, const BookmarkToken& token) {
    if (held.device != token.identity.device || held.inode != token.identity.inode)
        return false;
    return !token.identity.birthNanoseconds ||
           held.birthNanoseconds == token.identity.birthNanoseconds;
}

// A token that a restart could not verify any more should be created anew.
bool tokenOutdated(const FileFacts& current, const BookmarkToken& token) {
    if (token.identity.birthNanoseconds)
        return false;
    return token.version < 2 || current.size != token.size ||
           current.modifiedSeconds != token.modifiedSeconds ||
           current.modifiedNanoseconds != token.modifiedNanoseconds;
}

enum class Followed { Found, Gone, OtherFile };

struct FollowOutcome {
    Followed kind = Followed::Gone;
    ResolvedBookmark resolved;
};

FollowOutcome follow(int fd, const BookmarkToken& token) {
    const auto held = factsOfDescriptor(fd);
    if (!held)
        return {};
    if (!descriptorIsFor(held->facts.identity, token))
        return {Followed::OtherFile, {}};
    if (held->links == 0)
        return {};
    const bool outdated = tokenOutdated(held->facts, token);
    // The recorded path first: through a symbolic link in a parent folder the kernel's
    // name for the file differs from ours, and the file has not really moved.
    if (const auto atRecorded = factsOfPath(token.path);
        atRecorded && atRecorded->facts.identity == held->facts.identity)
        return {Followed::Found, {token.path, outdated}};
    // A file unlinked while other hard links remain reads as "<old path> (deleted)"; the
    // identity check below turns that into gone, while a file that really carries such a
    // name is still found.
    const auto current = pathOfDescriptor(fd);
    if (!current)
        return {};
    const auto there = factsOfPath(*current);
    if (!there || there->facts.identity != held->facts.identity)
        return {};
    return {Followed::Found, {*current, outdated || *current != token.path}};
}

void raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
        return;
    // An unlimited hard limit cannot become the soft limit; the kernel's ceiling can.
    if (limit.rlim_max == RLIM_INFINITY) {
        std::ifstream in("/proc/sys/fs/nr_open");
        rlim_t ceiling = 0;
        if (in >> ceiling && ceiling > limit.rlim_cur) {
            raised.rlim_cur = ceiling;
            if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
                return;
        }
    }
    FADEBIN_LOG_DEBUG(LogCategory::Expiry, "Could not raise the open-file limit: %s",
                      std::strerror(errno));
}

} // namespace

QByteArray encodeBookmark(const BookmarkToken& token) {
    QByteArray out;
    out.append(magic.data(), static_cast<qsizetype>(magic.size()));
    const std::uint32_t version = token.version == 1 ? 1 : BookmarkToken::currentVersion;
    putU32(out, version);
    putU64(out, token.identity.device);
    putU64(out, token.identity.inode);
    if (version >= 2) {
        const auto birth = token.identity.birthNanoseconds;
        out.append(static_cast<char>(birth ? hasBirthFlag : 0));
        putI64(out, birth.value_or(0));
        putI64(out, token.size);
        putI64(out, token.modifiedSeconds);
        putI64(out, token.modifiedNanoseconds);
    }
    const std::string& bytes = token.path.native();
    putU32(out, static_cast<std::uint32_t>(bytes.size()));
    out.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return out;
}

std::optional<BookmarkToken> decodeBookmark(const QByteArray& bytes) {
    Reader in(bytes);
    if (in.bytes(static_cast<qsizetype>(magic.size())) != magic)
        return std::nullopt;
    BookmarkToken token;
    token.version = in.u32();
    if (!in.ok() || token.version < 1 || token.version > BookmarkToken::currentVersion)
        return std::nullopt;
    token.identity.device = in.u64();
    token.identity.inode = in.u64();
    if (token.version >= 2) {
        const std::uint8_t flags = in.u8();
        const std::int64_t birth = in.i64();
        if ((flags & ~hasBirthFlag) != 0)
            return std::nullopt;
        if (flags & hasBirthFlag)
            token.identity.birthNanoseconds = birth;
        token.size = in.i64();
        token.modifiedSeconds = in.i64();
        token.modifiedNanoseconds = in.i64();
        if (token.size < 0 || token.modifiedNanoseconds < 0 ||
            token.modifiedNanoseconds >= nanosecondsPerSecond)
            return std::nullopt;
    }
    const std::uint32_t length = in.u32();
    if (!in.ok() || length == 0 || length > maxPathBytes || in.remaining() != length)
        return std::nullopt;
    std::string name = in.bytes(static_cast<qsizetype>(length));
    // Only absolute paths, and no NUL that would cut the path short in a system call.
    if (!in.ok() || name.front() != '/' || name.find('\0') != std::string::npos)
        return std::nullopt;
    token.path = path(std::move(name));
    return token;
}

std::size_t Bookmarks::KeyHash::operator()(const QString& key) const noexcept {
    return qHash(key);
}

Bookmarks::Bookmarks(std::function<std::vector<path>()> searchFolders)
    : m_searchFolders(std::move(searchFolders)) {
    // Every active record keeps one descriptor; there may be more than the default 1024.
    raiseDescriptorLimit();
}

Bookmarks::~Bookmarks() = default;

Result<QByteArray> Bookmarks::create(const path& file) const {
    path absolute = file;
    if (!file.is_absolute()) {
        std::error_code ec;
        absolute = std::filesystem::absolute(file, ec);
        if (ec)
            return SysError{ec.value(), {}};
    }
    auto facts = lstatPath(absolute);
    if (!facts)
        return facts.error();
    BookmarkToken token;
    token.identity = facts->identity;
    token.size = facts->size;
    token.modifiedSeconds = facts->modifiedSeconds;
    token.modifiedNanoseconds = facts->modifiedNanoseconds;
    token.path = std::move(absolute);
    return encodeBookmark(token);
}

std::optional<ResolvedBookmark> Bookmarks::resolve(const QByteArray& bookmark, const QString& key) {
    const auto token = decodeBookmark(bookmark);
    if (!token) {
        forget(key);
        return std::nullopt;
    }
    if (const auto kept = m_descriptors.find(key); kept != m_descriptors.end()) {
        FollowOutcome outcome = follow(kept->second.get(), *token);
        if (outcome.kind == Followed::Found)
            return std::move(outcome.resolved);
        m_descriptors.erase(kept);
        if (outcome.kind == Followed::Gone)
            return std::nullopt;
        // The record was given a token for another file (it was saved over in place).
    }
    return lookUp(*token, key);
}

std::optional<ResolvedBookmark> Bookmarks::lookUp(const BookmarkToken& token, const QString& key) {
    if (auto found = tryCandidate(token.path, token, key))
        return found;
    std::vector<path> folders;
    try {
        if (m_searchFolders)
            folders = m_searchFolders();
    } catch (const std::exception&) {
        // Resolution never throws; without folders the file is simply not found.
        return std::nullopt;
    }
    for (const path& folder : folders) {
        auto names = listNames(folder);
        if (!names)
            continue;
        for (const std::string& name : *names) {
            path candidate = folder / name;
            if (candidate == token.path)
                continue;
            if (auto found = tryCandidate(candidate, token, key))
                return found;
        }
    }
    return std::nullopt;
}

std::optional<ResolvedBookmark>
Bookmarks::tryCandidate(const path& candidate, const BookmarkToken& token, const QString& key) {
    const auto facts = factsOfPath(candidate);
    if (!facts || !provenSame(facts->facts, token))
        return std::nullopt;
    ResolvedBookmark resolved{candidate, candidate != token.path};
    UniqueFd fd(::open(candidate.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        // Gone between the two calls: not here after all.
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        // Out of descriptors or similar: the path is still right, it just is not followed.
        return resolved;
    }
    // Something else may have been put at the path between the two calls.
    const auto opened = factsOfDescriptor(fd.get());
    if (!opened || !provenSame(opened->facts, token))
        return std::nullopt;
    m_descriptors.insert_or_assign(key, std::move(fd));
    return resolved;
}

void Bookmarks::forget(const QString& key) {
    m_descriptors.erase(key);
}

std::size_t Bookmarks::openDescriptorCount() const {
    return m_descriptors.size();
}

} // namespace fadebin
