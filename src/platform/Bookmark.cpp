#include "platform/Bookmark.h"

#include "platform/Log.h"

#include <algorithm>
#include <atomic>
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

Bookmarks::Bookmarks(std::function<std::vector<path>()> searchFolders)
    : m_searchFolders(std::move(searchFolders)) {}

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
    static std::atomic<bool> toldWeaker{false};
    if (!facts->identity.birthNanoseconds && !toldWeaker.exchange(true))
        FADEBIN_LOG_INFO(LogCategory::Expiry,
                         "This filesystem gives no birth times: files are told apart by device, "
                         "inode, size and modification time (%s)",
                         absolute.parent_path().c_str());
    BookmarkToken token;
    token.identity = facts->identity;
    token.size = facts->size;
    token.modifiedSeconds = facts->modifiedSeconds;
    token.modifiedNanoseconds = facts->modifiedNanoseconds;
    token.path = std::move(absolute);
    return encodeBookmark(token);
}

Bookmarks::Listing Bookmarks::list(std::optional<std::uint64_t> onlyInode) const {
    Listing listing;
    std::vector<path> folders;
    try {
        if (m_searchFolders)
            folders = m_searchFolders();
    } catch (const std::exception&) {
        // Resolution never throws; without folders the file is simply not found.
        folders.clear();
    }
    std::size_t order = 0;
    for (const path& folder : folders) {
        // Where the listing tells each entry's inode, only an entry with the token's inode
        // needs a look of its own: a folder of 100,000 names is read, not stat'ed.
        const bool listed = listingGivesIdentities(folder);
        [[maybe_unused]] const Status read =
            visitFolder(folder, [&](int, const FolderEntry& entry) {
                ++order;
                if (!listed || !entry.isPlainItem)
                    listing.unknownInode.emplace_back(order, folder / entry.name);
                else if (!onlyInode || entry.inode == *onlyInode)
                    listing.byInode[entry.inode].emplace_back(order, folder / entry.name);
            });
    }
    return listing;
}

std::vector<path> Bookmarks::candidates(std::uint64_t inode) const {
    // Within a pass the whole listing is kept for the lookups to come; alone, a lookup keeps
    // only what can be its file.
    std::optional<Listing> single;
    if (m_passDepth > 0 && !m_listing)
        m_listing = list(std::nullopt);
    if (m_passDepth == 0)
        single = list(inode);
    const Listing& listing = single ? *single : *m_listing;
    std::vector<std::pair<std::size_t, path>> numbered = listing.unknownInode;
    if (const auto same = listing.byInode.find(inode); same != listing.byInode.end())
        numbered.insert(numbered.end(), same->second.begin(), same->second.end());
    std::sort(numbered.begin(), numbered.end());
    std::vector<path> found;
    found.reserve(numbered.size());
    for (auto& [order, candidate] : numbered)
        found.push_back(std::move(candidate));
    return found;
}

std::optional<ResolvedBookmark> Bookmarks::resolve(const QByteArray& bookmark,
                                                   bool undecided) const {
    const auto token = decodeBookmark(bookmark);
    if (!token)
        return std::nullopt;
    if (const auto here = lstatPath(token->path)) {
        if (provenSame(*here, *token))
            return ResolvedBookmark{token->path, false};
        // Changed since the token was made: a new token records it as it is now.
        if (undecided && !token->identity.birthNanoseconds &&
            here->identity.device == token->identity.device &&
            here->identity.inode == token->identity.inode)
            return ResolvedBookmark{token->path, true};
    }
    for (const path& candidate : candidates(token->identity.inode))
        if (const auto facts = lstatPath(candidate);
            candidate != token->path && facts && provenSame(*facts, *token))
            return ResolvedBookmark{candidate, true};
    return std::nullopt;
}

} // namespace fadebin
