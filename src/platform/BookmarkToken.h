#pragma once

#include "platform/FileFacts.h"

#include <QByteArray>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace fadebin {

// What a bookmark remembers of a file: who it is and where it was. Tokens are versioned so
// that tokens already stored keep reading after the format grows.
struct BookmarkToken {
    static constexpr std::uint32_t currentVersion = 3;

    std::uint32_t version = currentVersion;
    FileIdentity identity; // birth time included when the filesystem reports one
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::filesystem::path path;
    // Set when we moved the file to a trash (path is then its place in files/): when, and what
    // its info file was, so that a later look can tell that item and info file are still ours.
    // Written from version 3 on.
    struct Trashed {
        std::int64_t atSeconds = 0; // by the program's clock
        std::string deletionDate;   // the DeletionDate= written
        FileIdentity info;          // the info file created for it
        friend bool operator==(const Trashed&, const Trashed&) = default;
    };
    std::optional<Trashed> trashed;
};

[[nodiscard]] QByteArray encodeBookmark(const BookmarkToken& token);
// Hostile bytes give none, never a crash.
[[nodiscard]] std::optional<BookmarkToken> decodeBookmark(const QByteArray& bytes);

} // namespace fadebin
