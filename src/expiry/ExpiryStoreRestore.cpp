// Putting back what Fadebin moved to a trash: only items of its own records, only to places
// inside Downloads.
#include "expiry/ExpiryStore.h"

#include "platform/Trash.h"

#include <unordered_set>

namespace fadebin {

std::unordered_set<FileIdentity, FileIdentityHash> ExpiryStore::trashedIdentities() {
    std::unordered_set<FileIdentity, FileIdentityHash> ours;
    const auto add = [&ours](const QByteArray& bookmark) {
        if (const auto token = decodeBookmark(bookmark))
            ours.insert(token->identity);
    };
    // Read from the rows alone: ended records are not brought back into memory for this.
    QString error;
    if (auto rows = m_database->fetch({rawValue(FileStatus::deleted)}, error))
        for (const TrackedFile::Fields& row : *rows)
            add(row.bookmark);
    for (const auto& [sequence, record] : m_unsaved)
        if (record->status() == FileStatus::deleted)
            add(record->bookmark());
    return ours;
}

ExpiryStore::TrashIndex ExpiryStore::listTrashed() {
    TrashIndex index{trashedIdentities(), {}};
    for (const path& folder : trashFilesFolders(TrashReach::localOnly, m_downloadsPath)) {
        auto names = listNames(folder);
        if (!names)
            continue;
        for (const std::string& name : *names) {
            const path item = folder / name;
            const auto facts = lstatPath(item);
            if (!facts || !index.ours.contains(facts->identity))
                continue;
            const auto info = trashInfoOf(item);
            // The info file is anyone's to write: only a place inside Downloads is a place
            // we would put anything back.
            if (!info || !isInsideDownloads(info->originalPath))
                continue;
            index.byPlace[pathForm(info->originalPath).native()].push_back(
                {item, info->deletionDate});
        }
    }
    return index;
}

ExpiryStore::TrashIndex& ExpiryStore::trashIndex(std::optional<TrashIndex>& own) {
    std::optional<TrashIndex>& index = m_trashPassDepth > 0 ? m_trashIndex : own;
    if (!index)
        index = listTrashed();
    return *index;
}

Result<path> ExpiryStore::restoreTrashed(const path& itemInFiles,
                                         const std::optional<path>& originalPath) {
    // Outside a pass the trash need not be listed: the identities of ours decide.
    std::optional<std::unordered_set<FileIdentity, FileIdentityHash>> ownOurs;
    if (!m_trashIndex)
        ownOurs = trashedIdentities();
    const auto& ours = ownOurs ? *ownOurs : m_trashIndex->ours;
    const std::optional<path> wanted =
        originalPath ? std::optional<path>(pathForm(*originalPath)) : std::nullopt;
    auto restored = restoreFromTrash(
        itemInFiles, [&](const TrashInfo& info, const FileFacts& item) -> Result<OpenedItem> {
            if (!ours.contains(item.identity))
                return SysError{EPERM, "Fadebin did not put that item in the Trash"};
            if (wanted && pathForm(info.originalPath) != *wanted)
                return SysError{ENOENT, "the item is no longer in the trash"};
            // The info file is anyone's to write: only a place inside Downloads is a place we
            // would put anything back, and its folder is opened beneath Downloads.
            if (isInTrash(info.originalPath))
                return SysError{EXDEV, "outside Downloads"};
            return m_deleter.downloads().openPlace(info.originalPath);
        });
    // Back, or gone from the trash meanwhile: not to be found there again.
    if (m_trashIndex && (restored || restored.error().code == ENOENT))
        for (auto& [place, items] : m_trashIndex->byPlace)
            std::erase_if(items,
                          [&](const TrashIndex::Item& entry) { return entry.item == itemInFiles; });
    return restored;
}

std::optional<path> ExpiryStore::findTrashed(const std::optional<path>& originalPath) {
    std::optional<TrashIndex> own;
    const TrashIndex& index = trashIndex(own);
    const TrashIndex::Item* best = nullptr;
    const auto consider = [&best](const std::vector<TrashIndex::Item>& items) {
        for (const TrashIndex::Item& entry : items)
            if (!best || entry.deletionDate > best->deletionDate)
                best = &entry;
    };
    if (originalPath) {
        if (const auto found = index.byPlace.find(pathForm(*originalPath).native());
            found != index.byPlace.end())
            consider(found->second);
    } else {
        for (const auto& [place, items] : index.byPlace)
            consider(items);
    }
    return best ? std::optional<path>(best->item) : std::nullopt;
}

} // namespace fadebin
