#pragma once

#include "platform/BookmarkToken.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fadebin {

struct ResolvedBookmark {
    path filePath;
    // The file is no longer at the path the token recorded: the token should be made anew.
    bool stale = false;
};

// Creates bookmarks and resolves them without ever asking the user anything, and without
// holding anything open: a file deleted frees its space at once and its disk can unmount.
// A token is looked up at its recorded path, then among the entries of the search folders
// (where renames and moves inside Downloads and into a trash end up).
class Bookmarks {
public:
    // searchFolders: where a file whose recorded path no longer holds it may be found
    // (Downloads, its subfolders and the trash folders); asked only when needed.
    explicit Bookmarks(std::function<std::vector<path>()> searchFolders);

    // A token for what the path names (a symbolic link is the link itself).
    [[nodiscard]] Result<QByteArray> create(const path& file) const;
    // The file's current path, or none when it is gone or cannot be told apart from a
    // different file (a reused inode). Where the filesystem gives no birth time, a file that
    // is only waiting for a decision (`undecided`) is taken by its device and inode at its
    // recorded path even when changed since: at worst a question is asked of the wrong file,
    // while a decided one must still prove itself by size and time.
    [[nodiscard]] std::optional<ResolvedBookmark> resolve(const QByteArray& bookmark,
                                                          bool undecided = false) const;

    // While one lives, the search folders are listed once, by the first lookup that needs
    // them, and every lookup meanwhile reads that listing: a start that finds a thousand
    // files moved reads Downloads once, not a thousand times.
    class SearchPass {
    public:
        explicit SearchPass(const Bookmarks& bookmarks)
            : m_bookmarks(bookmarks) {
            ++m_bookmarks.m_passDepth;
        }
        ~SearchPass() {
            if (--m_bookmarks.m_passDepth == 0)
                m_bookmarks.m_listing.reset();
        }
        SearchPass(const SearchPass&) = delete;
        SearchPass& operator=(const SearchPass&) = delete;

    private:
        const Bookmarks& m_bookmarks;
    };

private:
    // The search folders' entries: by inode where the listing tells it, and the rest, each
    // numbered in listing order so that the first folder's match wins as without a pass.
    struct Listing {
        std::unordered_map<std::uint64_t, std::vector<std::pair<std::size_t, path>>> byInode;
        std::vector<std::pair<std::size_t, path>> unknownInode;
    };
    [[nodiscard]] Listing list(std::optional<std::uint64_t> onlyInode) const;
    [[nodiscard]] std::vector<path> candidates(std::uint64_t inode) const;

    std::function<std::vector<path>()> m_searchFolders;
    mutable int m_passDepth = 0;
    mutable std::optional<Listing> m_listing;
};

} // namespace fadebin
