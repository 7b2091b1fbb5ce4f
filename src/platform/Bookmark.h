#pragma once

#include "platform/FileSystem.h"
#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

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

struct ResolvedBookmark {
    path url;
    // The token should be created anew: the file is no longer at the path the token
    // recorded, or the token lacks a birth time and no longer matches the file's size and
    // modification time (it could not be verified after a restart).
    bool stale = false;
};

// Creates bookmarks and resolves them without ever asking the user anything. While the
// program runs, each resolved bookmark keeps an O_PATH descriptor under its key, which
// follows the file through renames and moves on its filesystem. After a restart a token
// is looked up at its recorded path, then among the children of the search folders.
class Bookmarks {
public:
    // searchFolders: where a file whose recorded path no longer holds it may be found
    // (Downloads and the trash folders); asked only when needed.
    explicit Bookmarks(std::function<std::vector<path>()> searchFolders);
    ~Bookmarks();
    Bookmarks(const Bookmarks&) = delete;
    Bookmarks& operator=(const Bookmarks&) = delete;

    // A token for what the path names (a symbolic link is the link itself).
    [[nodiscard]] Result<QByteArray> create(const path& file) const;
    // The file's current path, or none when it is gone or cannot be told apart from a
    // different file (a reused inode).
    [[nodiscard]] std::optional<ResolvedBookmark> resolve(const QByteArray& bookmark,
                                                          const QString& key);
    // Closes the descriptor kept under key (the record is final, or its file is gone).
    void forget(const QString& key);
    [[nodiscard]] std::size_t openDescriptorCount() const;

private:
    struct KeyHash {
        std::size_t operator()(const QString& key) const noexcept;
    };

    // The lookup by path after a restart, or when the kept descriptor names another file.
    [[nodiscard]] std::optional<ResolvedBookmark> lookUp(const BookmarkToken& token,
                                                         const QString& key);
    // Checks one place; on a match keeps a descriptor for it under key.
    [[nodiscard]] std::optional<ResolvedBookmark>
    tryCandidate(const path& candidate, const BookmarkToken& token, const QString& key);

    std::function<std::vector<path>()> m_searchFolders;
    std::unordered_map<QString, UniqueFd, KeyHash> m_descriptors;
};

} // namespace fadebin
