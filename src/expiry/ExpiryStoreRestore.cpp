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
    TrashIndex index{trashedIdentities(), {}, {}};
    for (const path& folder : trashFilesFolders(TrashReach::localOnly, m_downloadsPath))
        if (auto names = listNames(folder)) {
            std::vector<std::string> sorted = std::move(names).value();
            std::sort(sorted.begin(), sorted.end());
            index.folders.emplace_back(folder, std::move(sorted));
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
        m_trashIndex->gone.insert(itemInFiles.native());
    return restored;
}

std::optional<path> ExpiryStore::findTrashed(const std::optional<path>& originalPath) {
    std::optional<TrashIndex> own;
    const TrashIndex& index = trashIndex(own);
    const std::optional<path> wanted =
        originalPath ? std::optional<path>(pathForm(*originalPath)) : std::nullopt;
    // Trashed under its own name or a numbered one ("report.2.pdf", "report (2).pdf"): the
    // name begins as the stem does, unless that was cut to fit (never to fewer than 64 bytes).
    std::string prefix;
    bool wholeStem = false;
    if (wanted) {
        const std::string name = wanted->filename().native();
        const auto dot = name.rfind('.');
        const std::size_t stem = dot == 0 || dot == std::string::npos ? name.size() : dot;
        prefix = name.substr(0, std::min<std::size_t>(stem, 64));
        wholeStem = stem <= 64;
    }
    std::optional<path> best;
    std::string bestDate;
    for (const auto& [folder, names] : index.folders) {
        for (auto at = std::lower_bound(names.begin(), names.end(), prefix);
             at != names.end() && at->starts_with(prefix); ++at) {
            // After a whole stem comes its extension or a number (".2", " (2)"): "f10.txt" is
            // not "f1.txt" trashed again, and reading the info of every such neighbour made
            // one restore cost a thousand reads.
            if (wholeStem && at->size() > prefix.size() && (*at)[prefix.size()] != '.' &&
                (*at)[prefix.size()] != ' ')
                continue;
            const path item = folder / *at;
            if (index.gone.contains(item.native()))
                continue;
            const auto facts = lstatPath(item);
            if (!facts || !index.ours.contains(facts->identity))
                continue;
            const auto info = trashInfoOf(item);
            // The info file is anyone's to write: only a place inside Downloads is a place
            // we would put anything back.
            if (!info || !isInsideDownloads(info->originalPath) ||
                (wanted && pathForm(info->originalPath) != *wanted))
                continue;
            if (!best || info->deletionDate > bestDate) {
                best = item;
                bestDate = info->deletionDate;
            }
        }
    }
    return best;
}

} // namespace fadebin
