// After a restart or a gap in what was watched: each active record against its file, found
// where it went, and schedules read back from the files' attributes.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

namespace fadebin {

namespace {

// How much of Downloads' subfolders a search after a restart may list: enough for ordinary
// sorting into folders, bounded so that a huge tree cannot stall the start.
constexpr std::size_t subfolderEntryLimit = 4096;

} // namespace

std::vector<path> ExpiryStore::searchFolders() const {
    std::vector<path> folders{m_downloadsPath};
    // Moving a file into a folder inside Downloads keeps it inside, so a restart must find
    // it there too. Links are not followed and trash folders are searched on their own.
    std::deque<path> queue{m_downloadsPath};
    std::size_t listed = 0;
    while (!queue.empty() && listed < subfolderEntryLimit) {
        const path folder = std::move(queue.front());
        queue.pop_front();
        auto names = listNames(folder);
        if (!names)
            continue;
        for (const std::string& name : *names) {
            if (++listed > subfolderEntryLimit)
                break;
            const path child = folder / name;
            const auto facts = lstatPath(child);
            if (facts && facts->isDirectory && !isInTrash(child)) {
                folders.push_back(child);
                queue.push_back(child);
            }
        }
    }
    for (const path& trash : trashFilesFolders(TrashReach::localOnly, m_downloadsPath))
        folders.push_back(trash);
    return folders;
}

std::optional<path> ExpiryStore::resolvePath(TrackedFile& record) {
    auto resolved = m_bookmarks.resolve(record.bookmark(), record.status() == FileStatus::pending);
    if (!resolved)
        return std::nullopt;
    if (resolved->stale) {
        if (auto fresh = m_bookmarks.create(resolved->filePath))
            record.setBookmark(*fresh);
    }
    const path p = pathForm(resolved->filePath);
    if (p != record.lastKnownPath())
        record.setLastKnownPath(p);
    if (displayName(p) != record.displayName())
        record.setDisplayName(displayName(p));
    return p;
}

bool ExpiryStore::isOwnersFile(const TrackedFile& record, const path& other) const {
    // Another name of the same file (a hard link): its marks are the file's own.
    const auto token = decodeBookmark(record.bookmark());
    const auto facts = lstatPath(other);
    return token && facts && isSameFile(facts->identity, token->identity);
}

void ExpiryStore::noteMovedAway(const path& name) {
    m_movedAway.insert(pathForm(name).native());
}

void ExpiryStore::reconcile() {
    if (!downloadsAvailable())
        return;
    // Downloads was not there at start (a disk mounted late): what the start could not read
    // from its files is read now.
    if (!m_recovered)
        recoverFromExtendedAttributes();
    // Names moved away since the last look: a file that left by one and is found nowhere in
    // Downloads or a trash went somewhere else, and is let go rather than taken for deleted.
    const auto movedAway = std::exchange(m_movedAway, {});
    std::vector<TrackedFile*> released;
    {
        const SaveBatch batch(*this);
        // Records not at their paths are looked for in one listing of the search folders.
        const Bookmarks::SearchPass pass(m_bookmarks);
        for (TrackedFile* record : activeFiles())
            reconcileRecord(*record, movedAway, released);
    }
    finishReconcile(released);
}

bool ExpiryStore::reconcileAt(const path& given) {
    if (!downloadsAvailable())
        return false;
    if (!m_recovered) {
        reconcile();
        return true;
    }
    const std::string p = pathForm(given).native();
    std::vector<TrackedFile*> concerned;
    // The record at that name and, for a folder, those of the files below it.
    for (auto [at, end] = m_activeByPath.equal_range(p); at != end; ++at)
        concerned.push_back(at->second);
    const std::string below = p + '/';
    for (auto at = m_activeByPath.lower_bound(below);
         at != m_activeByPath.end() && at->first.starts_with(below); ++at)
        concerned.push_back(at->second);
    if (concerned.empty())
        return false;
    std::unordered_set<std::string> movedAway;
    if (auto name = m_movedAway.extract(p))
        movedAway.insert(std::move(name.value()));
    for (TrackedFile* record : concerned)
        if (auto name = m_movedAway.extract(record->lastKnownPath().native()))
            movedAway.insert(std::move(name.value()));
    std::vector<TrackedFile*> released;
    {
        const SaveBatch batch(*this);
        const Bookmarks::SearchPass pass(m_bookmarks);
        for (TrackedFile* record : concerned)
            if (isActive(record->status()))
                reconcileRecord(*record, movedAway, released);
    }
    finishReconcile(released);
    return true;
}

void ExpiryStore::reconcileRecord(TrackedFile& record,
                                  const std::unordered_set<std::string>& movedAway,
                                  std::vector<TrackedFile*>& released) {
    // Moved away by its own name or with a folder that held it, Downloads itself included.
    bool leftByMove = movedAway.contains(m_downloadsPath.native());
    for (path p = record.lastKnownPath();
         !leftByMove && p != m_downloadsPath && p.has_relative_path(); p = p.parent_path())
        leftByMove = movedAway.contains(p.native());
    const std::optional<path> filePath = resolvePath(record);
    if (!filePath && leftByMove) {
        cancel(record);
        released.push_back(&record);
        return;
    }
    if (!filePath) {
        record.setStatus(FileStatus::deleted);
        return;
    }
    if (isInsideDownloads(*filePath))
        return;
    if (isInTrash(*filePath)) {
        clearMarks(*filePath, &record);
        record.setStatus(FileStatus::deleted);
        record.setExpiresAt(std::nullopt);
        return;
    }
    cancel(record);
    released.push_back(&record);
}

void ExpiryStore::finishReconcile(const std::vector<TrackedFile*>& released) {
    save();
    if (!released.empty() && onReleased)
        onReleased(released);
}

void ExpiryStore::recoverFromExtendedAttributes() {
    if (!downloadsAvailable())
        return;
    m_recovered = true;
    // One transaction, and one listing for the records found under another name.
    std::optional<SaveBatch> batch(std::in_place, *this);
    const Bookmarks::SearchPass pass(m_bookmarks);
    std::vector<path> foreign;
    std::unordered_set<std::string> known;
    std::unordered_map<FileIdentity, TrackedFile*, FileIdentityHash> byIdentity;
    for (TrackedFile* record : activeFiles()) {
        known.insert(record->lastKnownPath().native());
        if (const auto token = decodeBookmark(record->bookmark()))
            byIdentity.emplace(token->identity, record);
    }
    auto names = listNames(m_downloadsPath);
    if (!names)
        return;
    long count = 0;
    const std::string folder = m_downloadsPath.native() + '/';
    for (const std::string& name : *names) {
        // The attribute first, on a path joined as plain text: most files have none and one
        // call says so, where the checks below resolve the whole path. A Downloads of
        // 100,000 files is read in a fraction of a second this way.
        const std::string joined = folder + name;
        if (name.front() == '.' || !hasXattr(joined.c_str(), expiryAttribute))
            continue;
        const path child(joined);
        const auto text = m_deleter.readAttribute(expiryAttribute, child);
        const auto expiresAt = text ? parseExpiry(*text) : std::nullopt;
        if (!expiresAt || !isInsideDownloads(child))
            continue;
        const path p = pathForm(child);
        // Which record timed this file: the id it carries, or failing that (a file marked
        // before ids were written) the identity of an active record's file.
        const auto idText = m_deleter.readAttribute(recordIdAttribute, child);
        TrackedFile* owner = idText ? recordWithId(*idText) : nullptr;
        if (!owner) {
            const auto facts = lstatPath(child);
            const auto found = facts ? byIdentity.find(facts->identity) : byIdentity.end();
            if (found != byIdentity.end())
                owner = found->second;
        }
        if (owner && !isActive(owner->status())) {
            // Kept, let go or done: the user's decision stands over a leftover expiry.
            clearMarks(child);
            FADEBIN_LOG_INFO(LogCategory::Expiry, "Removed a stale expiry from %s",
                             logName(child).constData());
            continue;
        }
        if (owner) {
            const std::optional<path> current = resolvePath(*owner);
            if (!current) {
                relocate(*owner, child, false); // moved or renamed while we were not running
            } else if (*current != p && !isOwnersFile(*owner, child)) {
                clearMarks(child); // a copy of the timed file, not the file itself
                continue;
            }
            // The database decides; the file's marks follow it (a crash may have come between
            // saving a decision and marking the file).
            if (owner->status() == FileStatus::pending)
                clearMarks(child, owner);
            else if (!owner->expiresAt() || formatExpiry(*owner->expiresAt()) != text->toLatin1() ||
                     !idText)
                oweMarks(*owner, child, false);
            continue;
        }
        if (known.contains(p.native()))
            continue;
        if (!m_databaseLost) {
            // The database knows every schedule of ours: an expiry it does not know came with
            // the file (a copy with its attributes, a backup, another computer's disk).
            clearMarks(child);
            FADEBIN_LOG_INFO(LogCategory::Expiry, "Removed a foreign expiry from %s",
                             logName(child).constData());
            foreign.push_back(child);
            continue;
        }
        auto bookmark = m_bookmarks.create(child);
        if (!bookmark)
            continue;
        TrackedFile* record =
            insertNew(child, *bookmark, std::nullopt, FileStatus::scheduled, *expiresAt);
        oweMarks(*record, child, false);
        ++count;
    }
    if (count > 0)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Recovered %ld tracked file(s) from xattrs", count);
    batch.reset();
    if (onForeignSchedule)
        for (const path& file : foreign)
            onForeignSchedule(file);
}

} // namespace fadebin
