#pragma once

#include "platform/FileFacts.h"

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <optional>

namespace fadebin {

// What a bookmark remembers of a file: who it is and where it was. Tokens are versioned so
// that tokens already stored keep reading after the format grows.
struct BookmarkToken {
    static constexpr std::uint32_t currentVersion = 2;

    std::uint32_t version = currentVersion;
    FileIdentity identity; // birth time included when the filesystem reports one
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::filesystem::path path;
};

[[nodiscard]] QByteArray encodeBookmark(const BookmarkToken& token);
// Hostile bytes give none, never a crash.
[[nodiscard]] std::optional<BookmarkToken> decodeBookmark(const QByteArray& bytes);

} // namespace fadebin
