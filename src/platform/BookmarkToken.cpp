#include "platform/BookmarkToken.h"

#include <string_view>

namespace fadebin {

namespace {

// Layout (all integers little-endian):
//   "FBMK", u32 version,
//   v1: u64 device, u64 inode, u32 path length, path bytes
//   v2: u64 device, u64 inode, u8 flags (bit 0: birth time present), i64 birth time (ns),
//       i64 size, i64 mtime seconds, i64 mtime nanoseconds, u32 path length, path bytes
//   v3: as v2, then u8 trashed (0 or 1); when 1: i64 seconds, u64 info device, u64 info inode,
//       u8 flags, i64 info birth time (ns), u32 date length, date bytes; then the path
// Nothing may follow the path.
constexpr std::string_view magic = "FBMK";
constexpr std::uint8_t hasBirthFlag = 0x01;
// Far beyond any real path, small enough that a hostile length cannot cost much.
constexpr std::uint32_t maxPathBytes = 64 * 1024;
constexpr std::int64_t nanosecondsPerSecond = 1'000'000'000;
// A DeletionDate= we write is 19 bytes; anything much longer is not ours.
constexpr std::uint32_t maxDateBytes = 64;

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

} // namespace

QByteArray encodeBookmark(const BookmarkToken& token) {
    QByteArray out;
    out.append(magic.data(), static_cast<qsizetype>(magic.size()));
    // A token read back is written in its own version; anything unknown in the current one.
    const std::uint32_t version =
        token.version >= 1 && token.version <= BookmarkToken::currentVersion
            ? token.version
            : BookmarkToken::currentVersion;
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
    if (version >= 3) {
        out.append(static_cast<char>(token.trashed ? 1 : 0));
        if (const auto& trashed = token.trashed) {
            putI64(out, trashed->atSeconds);
            putU64(out, trashed->info.device);
            putU64(out, trashed->info.inode);
            out.append(static_cast<char>(trashed->info.birthNanoseconds ? hasBirthFlag : 0));
            putI64(out, trashed->info.birthNanoseconds.value_or(0));
            putU32(out, static_cast<std::uint32_t>(trashed->deletionDate.size()));
            out.append(trashed->deletionDate.data(),
                       static_cast<qsizetype>(trashed->deletionDate.size()));
        }
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
    if (token.version >= 3) {
        const std::uint8_t trashed = in.u8();
        if (trashed > 1)
            return std::nullopt;
        if (trashed == 1) {
            BookmarkToken::Trashed stamp;
            stamp.atSeconds = in.i64();
            stamp.info.device = in.u64();
            stamp.info.inode = in.u64();
            const std::uint8_t flags = in.u8();
            const std::int64_t birth = in.i64();
            if ((flags & ~hasBirthFlag) != 0)
                return std::nullopt;
            if (flags & hasBirthFlag)
                stamp.info.birthNanoseconds = birth;
            const std::uint32_t dateLength = in.u32();
            if (!in.ok() || dateLength > maxDateBytes)
                return std::nullopt;
            stamp.deletionDate = in.bytes(static_cast<qsizetype>(dateLength));
            token.trashed = std::move(stamp);
        }
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

} // namespace fadebin
