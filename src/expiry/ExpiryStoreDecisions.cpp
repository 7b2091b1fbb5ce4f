// The decisions: a new download waiting, an expiry set or kept forever, a file let go, moved
// or deleted, and the marks on the file that follow each once it is saved.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/OpenedItem.h"

#include <fcntl.h>

namespace fadebin {

namespace {

// Where the kernel says a file is, opened by the path found and checked to be that file: the
// names and links on the way, swapped meanwhile or not, play no part in the answer.
std::optional<path> kernelPlace(const path& filePath, const FileIdentity& expected) {
    const UniqueFd fd(::open(filePath.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    const auto facts = fd ? statDescriptor(fd.get()) : Result<FileFacts>(SysError::fromErrno());
    if (!facts || !isSameFile(facts->identity, expected))
        return std::nullopt;
    return pathOfDescriptor(fd.get());
}

} // namespace

TrackedFile* ExpiryStore::addPending(const path& given, const std::optional<QString>& source) {
    const path filePath = pathForm(given);
    if (activeFileAtPath(filePath)) {
        // The record there may be of a file since replaced at that name.
        reconcileAt(filePath);
        if (activeFileAtPath(filePath))
            return nullptr;
    }
    // A link in Downloads that leads elsewhere would have us time a file outside it.
    if (!isInsideDownloads(filePath)) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Not tracking %s: it lies outside Downloads",
                         logName(filePath).constData());
        return nullptr;
    }
    auto bookmark = m_bookmarks.create(filePath);
    if (!bookmark) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not create bookmark for %s",
                          logName(filePath).constData());
        return nullptr;
    }
    TrackedFile* record = insertNew(filePath, *bookmark, source, FileStatus::pending, std::nullopt);
    save();
    return record;
}

void ExpiryStore::apply(ExpiryOption option, TrackedFile& record, bool applyFileTag) {
    // A view may still show a row whose record has ended meanwhile; it stays ended.
    if (isFinal(record.status()))
        return;
    const std::optional<path> filePath = resolvePath(record);
    if (const auto length = duration(option)) {
        record.setStatus(FileStatus::scheduled);
        record.setExpiresAt(m_clock.now() + *length);
        record.setDeleteAttempts(0);
    } else {
        record.setStatus(FileStatus::keepForever);
        record.setExpiresAt(std::nullopt);
    }
    if (filePath)
        oweMarks(record, *filePath, applyFileTag);
    save();
}

bool ExpiryStore::reask(TrackedFile& record) {
    const FileStatus status = record.status();
    if (status != FileStatus::scheduled && status != FileStatus::keepForever)
        return status == FileStatus::pending;
    // A kept file may have been moved out since: nothing outside Downloads is ever timed.
    const std::optional<path> filePath = resolvePath(record);
    if (!filePath || !isInsideDownloads(*filePath))
        return false;
    record.setRule(std::nullopt);
    record.setStatus(FileStatus::pending);
    record.setExpiresAt(std::nullopt);
    record.setDeleteAttempts(0);
    // The grace period starts now, as for a new download.
    record.setAddedAt(m_clock.now());
    oweMarks(record, *filePath, false);
    save();
    return true;
}

void ExpiryStore::oweMarks(const TrackedFile& record, const path& filePath, bool applyFileTag) {
    m_owedMarks.insert_or_assign(record.idText(), OwedMarks{filePath, applyFileTag});
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
            if (isInsideDownloads(marks.filePath))
                markScheduled(record, marks.filePath, marks.applyFileTag);
        } else if (record.status() == FileStatus::keepForever ||
                   record.status() == FileStatus::cancelled ||
                   record.status() == FileStatus::pending) {
            clearMarks(marks.filePath, &record);
        }
    }
}

void ExpiryStore::markScheduled(const TrackedFile& record, const path& filePath,
                                bool applyFileTag) {
    m_deleter.writeExpiry(*record.expiresAt(), filePath);
    m_deleter.writeRecordId(record.idText(), filePath);
    if (applyFileTag)
        m_deleter.setFileTag(true, temporaryTag, filePath);
}

void ExpiryStore::clearMarks(const path& filePath, const TrackedFile* owner) {
    // A file that left Downloads loses our marks only while it is provably the owner's file.
    const auto token = owner ? decodeBookmark(owner->bookmark()) : std::nullopt;
    m_deleter.clearMarks(filePath, temporaryTag,
                         token ? std::optional<FileIdentity>(token->identity) : std::nullopt);
}

void ExpiryStore::cancel(TrackedFile& record) {
    const std::optional<path> filePath = resolvePath(record);
    record.setStatus(FileStatus::cancelled);
    record.setExpiresAt(std::nullopt);
    if (filePath)
        oweMarks(record, *filePath, false);
    save();
}

void ExpiryStore::relocate(TrackedFile& record, const path& given, bool applyFileTag) {
    const path filePath = pathForm(given);
    if (auto bookmark = m_bookmarks.create(filePath))
        record.setBookmark(*bookmark);
    record.setLastKnownPath(pathForm(filePath));
    record.setDisplayName(displayName(filePath));
    if (auto facts = statPath(filePath))
        record.setSizeBytes(facts->size);
    if (record.status() == FileStatus::scheduled && record.expiresAt())
        oweMarks(record, filePath, applyFileTag);
    save();
}

DeletionOutcome ExpiryStore::deleteFile(TrackedFile& record, DeletionMethod method) {
    const std::optional<path> filePath = resolvePath(record);
    const auto token = decodeBookmark(record.bookmark());
    const QString raced = record.displayName() + QStringLiteral(" moved while it was being "
                                                                "checked: nothing deleted");
    if (!token) {
        record.setStatus(FileStatus::deleted);
        return {DeletionOutcome::Kind::gone, {}, {}};
    }
    // Not found is not gone: a folder on its way swapped away for a moment hides it as well.
    if (!filePath)
        return {DeletionOutcome::Kind::raced, {}, SysError{ENOENT, "not found"}, false, raced};
    const auto facts = lstatPath(*filePath);
    const bool wasFolder = facts && facts->isDirectory;
    const auto deleted = isInsideDownloads(*filePath)
                             ? m_deleter.deleteItem(*filePath, method, token->identity)
                             : Result<std::optional<TrashedItem>>(SysError{EXDEV, {}});
    if (deleted) {
        record.setStatus(FileStatus::deleted);
        std::optional<path> trashedTo;
        if (const std::optional<TrashedItem>& trashed = deleted.value()) {
            trashedTo = trashed->place;
            // The record names its item in the trash and what was written for it: what a
            // later purge proves the item ours by.
            if (!trashed->receipt.deletionDate.empty()) {
                BookmarkToken stamped = *token;
                stamped.version = BookmarkToken::currentVersion;
                stamped.path = trashed->place;
                record.setLastKnownPath(trashed->receipt.originalPath);
                stamped.trashed =
                    BookmarkToken::Trashed{std::chrono::floor<std::chrono::seconds>(m_clock.now())
                                               .time_since_epoch()
                                               .count(),
                                           trashed->receipt.deletionDate, trashed->receipt.info};
                record.setBookmark(encodeBookmark(stamped));
            }
        }
        if (onFileDeleted)
            onFileDeleted(token->identity);
        return {DeletionOutcome::Kind::deleted, trashedTo, {}, wasFolder};
    }
    const int code = deleted.error().code;
    if (code != EXDEV && code != ESTALE && code != ENOENT) {
        const QString refusal =
            deleted.error().context == mountPointRefusal
                ? record.displayName() + QLatin1Char(' ') + QLatin1String(mountPointRefusal)
                : deleted.error().description();
        return {DeletionOutcome::Kind::failed, {}, deleted.error(), wasFolder, refusal};
    }
    // The way to it led out of Downloads, or another file was at its place: either the file
    // left, or a folder on its way was swapped during the check. Only where the kernel says
    // the file is now tells which.
    const std::optional<path> now = resolvePath(record);
    const std::optional<path> place = now ? kernelPlace(*now, token->identity) : std::nullopt;
    const std::string downloads = m_deleter.downloads().canonicalPath().native() + '/';
    if (place && !place->native().starts_with(downloads) && !isInTrash(*place)) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Let go of %s: moved out of Downloads",
                         record.displayName().toUtf8().constData());
        cancel(record);
        return {DeletionOutcome::Kind::letGo,
                {},
                deleted.error(),
                wasFolder,
                record.displayName() + QStringLiteral(" has left Downloads: nothing deleted")};
    }
    if (place && isInTrash(*place)) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "%s went to the Trash by another hand",
                         record.displayName().toUtf8().constData());
        clearMarks(*place, &record);
        record.setStatus(FileStatus::deleted);
        record.setExpiresAt(std::nullopt);
        return {DeletionOutcome::Kind::gone, {}, {}};
    }
    return {DeletionOutcome::Kind::raced, {}, deleted.error(), wasFolder, raced};
}

} // namespace fadebin
