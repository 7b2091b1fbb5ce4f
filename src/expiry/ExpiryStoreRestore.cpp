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

Result<path> ExpiryStore::restoreTrashed(const path& itemInFiles,
                                         const std::optional<path>& originalPath) {
    const auto ours = trashedIdentities();
    const std::optional<path> wanted =
        originalPath ? std::optional<path>(pathForm(*originalPath)) : std::nullopt;
    return restoreFromTrash(
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
}

std::optional<path> ExpiryStore::findTrashed(const std::optional<path>& originalPath) {
    const auto ours = trashedIdentities();
    const std::optional<path> wanted =
        originalPath ? std::optional<path>(pathForm(*originalPath)) : std::nullopt;
    std::optional<path> best;
    std::string bestDate;
    for (const path& folder : trashFilesFolders(TrashReach::localOnly, m_downloadsPath)) {
        auto names = listNames(folder);
        if (!names)
            continue;
        for (const std::string& name : *names) {
            const path item = folder / name;
            const auto facts = lstatPath(item);
            if (!facts || !ours.contains(facts->identity))
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
