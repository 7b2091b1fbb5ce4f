// Emptying from the trashes what Fadebin put there: once it has been there long enough, or
// when space is asked for.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/TrashPurge.h"

#include <algorithm>

namespace fadebin {

std::vector<std::pair<TrackedFile::Fields, BookmarkToken>> ExpiryStore::trashedRows() {
    std::vector<std::pair<TrackedFile::Fields, BookmarkToken>> out;
    // Only the rows of trashed items come into memory; a changed record's own fields win.
    QString error;
    auto rows = m_database->fetch({rawValue(FileStatus::deleted)}, error);
    if (!rows) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not read the trashed files: %s",
                          error.toUtf8().constData());
        return out;
    }
    QSet<QUuid> unsaved;
    for (const auto& [sequence, record] : m_unsaved)
        unsaved.insert(record->id());
    const auto take = [&out](TrackedFile::Fields fields) {
        auto token = decodeBookmark(fields.bookmark);
        if (token && token->trashed)
            out.emplace_back(std::move(fields), std::move(*token));
    };
    for (TrackedFile::Fields& row : *rows)
        if (!unsaved.contains(row.id))
            take(std::move(row));
    for (const auto& [sequence, record] : m_unsaved)
        if (record->status() == FileStatus::deleted)
            take(record->fields());
    return out;
}

QSet<QUuid>
ExpiryStore::purgeRows(std::vector<std::pair<TrackedFile::Fields, BookmarkToken>> rows) {
    QSet<QUuid> removed;
    if (rows.empty())
        return removed;
    std::vector<TrackedFile::Fields> fields;
    QHash<QUuid, std::pair<QByteArray, BookmarkToken>> chosen;
    for (auto& [row, token] : rows) {
        chosen.insert(row.id, {row.bookmark, std::move(token)});
        fields.push_back(std::move(row));
    }
    TrashPurge purge(trashFilesFolders(TrashReach::localOnly, m_downloadsPath));
    const SaveBatch batch(*this);
    for (TrackedFile* record : liveRecords(std::move(fields))) {
        const auto found = chosen.constFind(record->id());
        // Changed meanwhile (restored, say): no longer what was chosen.
        if (record->status() != FileStatus::deleted || found == chosen.cend() ||
            record->bookmark() != found->first)
            continue;
        const BookmarkToken& token = found->second;
        const OwnTrashedItem item{token.path, token.identity, record->lastKnownPath(),
                                  token.trashed->deletionDate, token.trashed->info};
        SysError failure;
        switch (purge.remove(item, failure)) {
        case PurgeResult::removed:
            record->setStatus(FileStatus::purged);
            removed.insert(record->id());
            break;
        case PurgeResult::notOurs:
            FADEBIN_LOG_DEBUG(LogCategory::Expiry,
                              "Left %s in the Trash: it is not the item Fadebin put there",
                              logName(token.path).constData());
            break;
        case PurgeResult::notThere:
            break;
        case PurgeResult::failed:
            FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not remove %s from the Trash: %s",
                              logName(token.path).constData(), failure.text().c_str());
            break;
        }
    }
    if (!removed.isEmpty())
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Removed %lld files Fadebin had moved to the Trash",
                         static_cast<long long>(removed.size()));
    return removed;
}

std::size_t ExpiryStore::purgeTrashed(Instant trashedBy) {
    const std::int64_t by =
        std::chrono::floor<std::chrono::seconds>(trashedBy).time_since_epoch().count();
    auto rows = trashedRows();
    std::erase_if(rows, [by](const auto& row) { return row.second.trashed->atSeconds > by; });
    return static_cast<std::size_t>(purgeRows(std::move(rows)).size());
}

std::vector<ExpiryStore::OwnTrashed> ExpiryStore::ownTrashed() {
    return ownTrashedIn(trashedRows());
}

std::vector<ExpiryStore::OwnTrashed>
ExpiryStore::ownTrashedIn(const std::vector<std::pair<TrackedFile::Fields, BookmarkToken>>& rows) {
    const std::vector<path> folders = trashFilesFolders(TrashReach::localOnly, m_downloadsPath);
    std::vector<OwnTrashed> items;
    for (const auto& [row, token] : rows) {
        // Still there and still the very item: what the user emptied, restored or replaced
        // would free nothing.
        if (std::find(folders.begin(), folders.end(), token.path.parent_path()) == folders.end())
            continue;
        const Result<FileFacts> facts = lstatPath(token.path);
        if (!facts || facts->identity != token.identity)
            continue;
        items.push_back({row.id, token.path, row.lastKnownPath,
                         facts->isRegular ? facts->size : row.sizeBytes,
                         fromUnixSeconds(static_cast<double>(token.trashed->atSeconds))});
    }
    std::stable_sort(items.begin(), items.end(), [](const OwnTrashed& a, const OwnTrashed& b) {
        return a.trashedAt < b.trashedAt;
    });
    return items;
}

std::vector<ExpiryStore::OwnTrashed> ExpiryStore::freeTrashed(qint64 bytesWanted) {
    // One read of the rows: what is chosen from them is what goes.
    auto rows = trashedRows();
    std::vector<OwnTrashed> chosen;
    qint64 sum = 0;
    for (OwnTrashed& item : ownTrashedIn(rows)) {
        if (sum >= bytesWanted)
            break;
        sum += item.size;
        chosen.push_back(std::move(item));
    }
    QSet<QUuid> ids;
    for (const OwnTrashed& item : chosen)
        ids.insert(item.id);
    std::erase_if(rows, [&ids](const auto& row) { return !ids.contains(row.first.id); });
    const QSet<QUuid> removed = purgeRows(std::move(rows));
    std::erase_if(chosen,
                  [&removed](const OwnTrashed& item) { return !removed.contains(item.id); });
    return chosen;
}

} // namespace fadebin
