#include "platform/Bookmark.h"

#include "platform/Log.h"

#include <algorithm>
#include <atomic>

namespace fadebin {

namespace {

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
