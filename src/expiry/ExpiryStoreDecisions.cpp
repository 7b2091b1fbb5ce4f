// The decisions: a new download waiting, an expiry set or kept forever, a file let go, moved
// or deleted, and the marks on the file that follow each once it is saved.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"

namespace fadebin {

TrackedFile* ExpiryStore::addPending(const path& given, const std::optional<QString>& source) {
    const path url = pathForm(given);
    if (activeFileAtPath(url)) {
        // The record there may be of a file since replaced at that name.
        reconcileAt(url);
        if (activeFileAtPath(url))
            return nullptr;
    }
    // A link in Downloads that leads elsewhere would have us time a file outside it.
    if (!isInsideDownloads(url)) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Not tracking %s: it lies outside Downloads",
                         logName(url).constData());
        return nullptr;
    }
    auto bookmark = m_bookmarks.create(url);
    if (!bookmark) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not create bookmark for %s",
                          logName(url).constData());
        return nullptr;
    }
    TrackedFile* record = insertNew(url, *bookmark, source, FileStatus::pending, std::nullopt);
    save();
    return record;
}

void ExpiryStore::apply(ExpiryOption option, TrackedFile& record, bool applyFinderTag) {
    // A view may still show a row whose record has ended meanwhile; it stays ended.
    if (isFinal(record.status()))
        return;
    const std::optional<path> url = resolveURL(record);
    if (const auto length = duration(option)) {
        record.setStatus(FileStatus::scheduled);
        record.setExpiresAt(m_clock.now() + *length);
        record.setDeleteAttempts(0);
    } else {
        record.setStatus(FileStatus::keepForever);
        record.setExpiresAt(std::nullopt);
    }
    if (url)
        oweMarks(record, *url, applyFinderTag);
    save();
}

void ExpiryStore::oweMarks(const TrackedFile& record, const path& url, bool applyFinderTag) {
    m_owedMarks.insert_or_assign(record.idText(), OwedMarks{url, applyFinderTag});
}

void ExpiryStore::payOwedMarks() {
    // The database holds the decision now; the file follows it. A crash before this point
    // leaves the file's old marks, which the next start corrects from the database.
    auto owed = std::exchange(m_owedMarks, {});
    for (const auto& [id, marks] : owed) {
        const auto live = m_records.find(id);
        if (live == m_records.end())
            continue;
        const TrackedFile& record = *live->second;
        if (record.status() == FileStatus::scheduled && record.expiresAt()) {
            // Attributes are only ever written on files inside Downloads.
            if (isInsideDownloads(marks.url))
                markScheduled(record, marks.url, marks.applyFinderTag);
        } else if (record.status() == FileStatus::keepForever ||
                   record.status() == FileStatus::cancelled) {
            clearMarks(marks.url, &record);
        }
    }
}

void ExpiryStore::markScheduled(const TrackedFile& record, const path& url, bool applyFinderTag) {
    m_deleter.writeExpiry(*record.expiresAt(), url);
    m_deleter.writeRecordId(record.idText(), url);
    if (applyFinderTag)
        m_deleter.setFinderTag(true, temporaryTag, url);
}

void ExpiryStore::clearMarks(const path& url, const TrackedFile* owner) {
    // A file that left Downloads loses our marks only while it is provably the owner's file.
    const auto token = owner ? decodeBookmark(owner->bookmark()) : std::nullopt;
    m_deleter.clearMarks(url, temporaryTag,
                         token ? std::optional<FileIdentity>(token->identity) : std::nullopt);
}

void ExpiryStore::cancel(TrackedFile& record) {
    const std::optional<path> url = resolveURL(record);
    record.setStatus(FileStatus::cancelled);
    record.setExpiresAt(std::nullopt);
    if (url)
        oweMarks(record, *url, false);
    save();
}

void ExpiryStore::relocate(TrackedFile& record, const path& given, bool applyFinderTag) {
    const path url = pathForm(given);
    if (auto bookmark = m_bookmarks.create(url))
        record.setBookmark(*bookmark);
    record.setLastKnownPath(pathForm(url));
    record.setDisplayName(displayName(url));
    if (auto facts = statPath(url))
        record.setSizeBytes(facts->size);
    if (record.status() == FileStatus::scheduled && record.expiresAt())
        oweMarks(record, url, applyFinderTag);
    save();
}

DeletionOutcome ExpiryStore::deleteFile(TrackedFile& record, DeletionMethod method) {
    const std::optional<path> url = resolveURL(record);
    const auto token = decodeBookmark(record.bookmark());
    if (!url || !token) {
        record.setStatus(FileStatus::deleted);
        return {DeletionOutcome::Kind::gone, {}, {}};
    }
    const auto facts = lstatPath(*url);
    const bool wasFolder = facts && facts->isDirectory;
    const auto deleted = isInsideDownloads(*url)
                             ? m_deleter.deleteItem(*url, method, token->identity)
                             : Result<std::optional<path>>(SysError{EXDEV, {}});
    if (deleted) {
        record.setStatus(FileStatus::deleted);
        return {DeletionOutcome::Kind::deleted, deleted.value(), {}, wasFolder};
    }
    // Moved out of Downloads, or another file is at its place now: not ours to delete.
    if (deleted.error().code == EXDEV || deleted.error().code == ESTALE) {
        cancel(record);
        return {DeletionOutcome::Kind::letGo, {}, deleted.error(), wasFolder};
    }
    return {DeletionOutcome::Kind::failed, {}, deleted.error(), wasFolder};
}

} // namespace fadebin
