// Emptying from the trashes what Fadebin put there, once it has been there long enough.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/TrashPurge.h"

namespace fadebin {

std::size_t ExpiryStore::purgeTrashed(Instant trashedBy) {
    const std::int64_t by =
        std::chrono::floor<std::chrono::seconds>(trashedBy).time_since_epoch().count();
    const auto due = [by](const QByteArray& bookmark) -> std::optional<BookmarkToken> {
        auto token = decodeBookmark(bookmark);
        if (!token || !token->trashed || token->trashed->atSeconds > by)
            return std::nullopt;
        return token;
    };
    // Only the rows that are due come into memory.
    QString error;
    auto rows = m_database->fetch({rawValue(FileStatus::deleted)}, error);
    if (!rows) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not read the trashed files: %s",
                          error.toUtf8().constData());
        return 0;
    }
    std::vector<TrackedFile::Fields> dueRows;
    for (TrackedFile::Fields& row : *rows)
        if (due(row.bookmark))
            dueRows.push_back(std::move(row));
    if (dueRows.empty())
        return 0;

    TrashPurge purge(trashFilesFolders(TrashReach::localOnly, m_downloadsPath));
    const SaveBatch batch(*this);
    std::size_t removed = 0;
    for (TrackedFile* record : liveRecords(std::move(dueRows))) {
        const auto token = due(record->bookmark());
        if (record->status() != FileStatus::deleted || !token)
            continue;
        const OwnTrashedItem item{token->path, token->identity, record->lastKnownPath(),
                                  token->trashed->deletionDate, token->trashed->info};
        SysError failure;
        switch (purge.remove(item, failure)) {
        case PurgeResult::removed:
            record->setStatus(FileStatus::purged);
            ++removed;
            break;
        case PurgeResult::notOurs:
            FADEBIN_LOG_DEBUG(LogCategory::Expiry,
                              "Left %s in the Trash: it is not the item Fadebin put there",
                              logName(token->path).constData());
            break;
        case PurgeResult::notThere:
            break;
        case PurgeResult::failed:
            FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not remove %s from the Trash: %s",
                              logName(token->path).constData(), failure.text().c_str());
            break;
        }
    }
    if (removed > 0)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Removed %zu files Fadebin had moved to the Trash",
                         removed);
    return removed;
}

} // namespace fadebin
