#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/XdgPaths.h"

#include <QPointer>

#include <algorithm>
#include <deque>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>

namespace fadebin {

namespace {

// How much of Downloads' subfolders a search after a restart may list: enough for ordinary
// sorting into folders, bounded so that a huge tree cannot stall the start.
constexpr std::size_t subfolderEntryLimit = 4096;

std::int64_t sizeOf(const path& url) {
    auto facts = statPath(url);
    return facts ? facts->size : 0;
}

bool startsWithFolder(const std::string& p, const std::string& folder) {
    // Only for telling trash folders apart: what is inside Downloads the kernel decides.
    return p.size() > folder.size() + 1 && p.compare(0, folder.size(), folder) == 0 &&
           p[folder.size()] == '/';
}

} // namespace

std::optional<path> ExpiryStore::defaultDatabaseFile() {
    auto data = dataHome();
    if (!data)
        return std::nullopt;
    return *data / "Fadebin" / "Fadebin.store";
}

std::unique_ptr<ExpiryStore> ExpiryStore::open(const path& downloadsURL, Clock& clock,
                                               FileDeleter& deleter, QString& error,
                                               std::optional<path> databaseFile) {
    if (!databaseFile)
        databaseFile = defaultDatabaseFile();
    if (!databaseFile) {
        error = QStringLiteral("no home folder to keep the database in");
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::create_directories(databaseFile->parent_path(), ec);
    if (ec) {
        error = QString::fromStdString(ec.message());
        return nullptr;
    }
    // A database made at this start (none, or an empty file) lost what it knew: only then do
    // the files' attributes tell which schedules there were.
    const bool lost = !std::filesystem::exists(*databaseFile, ec) ||
                      std::filesystem::file_size(*databaseFile, ec) == 0 || ec;
    auto database = Database::open(*databaseFile, error);
    if (!database)
        return nullptr;
    auto store = std::unique_ptr<ExpiryStore>(
        new ExpiryStore(downloadsURL, clock, deleter, std::move(database)));
    store->m_databaseLost = lost;
    if (!store->loadActive(error))
        return nullptr;
    return store;
}

ExpiryStore::ExpiryStore(path downloadsURL, Clock& clock, FileDeleter& deleter,
                         std::unique_ptr<Database> database)
    : m_downloadsURL(std::move(downloadsURL))
    , m_downloadsPath(resolvedPath(m_downloadsURL))
    , m_clock(clock)
    , m_deleter(deleter)
    , m_database(std::move(database))
    , m_bookmarks([this] { return searchFolders(); }) {
    m_deleter.openDownloads(m_downloadsURL);
}

ExpiryStore::~ExpiryStore() {
    // Retired records nobody deleted yet (no event loop turned since) go with the store.
    for (const QPointer<TrackedFile>& record : m_retired)
        delete record.data();
}

bool ExpiryStore::loadActive(QString& error) {
    auto rows =
        m_database->fetch({rawValue(FileStatus::pending), rawValue(FileStatus::scheduled)}, error);
    if (!rows)
        return false;
    [[maybe_unused]] const auto loaded = liveRecords(std::move(*rows));
    return true;
}

ExpiryStore::ListKey ExpiryStore::listKey(const TrackedFile& record, std::uint64_t sequence) {
    // A scheduled record without an expiry (none is made so) would come last.
    return {record.status() == FileStatus::pending ? record.addedAt()
                                                   : record.expiresAt().value_or(Instant::max()),
            sequence};
}

ExpiryStore::List& ExpiryStore::listOf(bool pending) {
    return pending ? m_pendingOrder : m_scheduledOrder;
}

void ExpiryStore::unfile(const TrackedFile& record) {
    const auto filed = m_filing.find(&record);
    if (filed == m_filing.end() || !filed->second.active)
        return;
    Filing& filing = filed->second;
    for (auto [at, end] = m_activeByPath.equal_range(filing.path); at != end; ++at)
        if (at->second == &record) {
            m_activeByPath.erase(at);
            break;
        }
    if (filing.identity)
        for (auto [at, end] = m_activeByIdentity.equal_range(*filing.identity); at != end; ++at)
            if (at->second == &record) {
                m_activeByIdentity.erase(at);
                break;
            }
    listOf(filing.pending).erase(filing.listKey);
    ++(filing.pending ? m_pendingVersion : m_scheduledVersion);
    if (filing.identity) {
        const auto device = m_activeOnDevice.find(filing.identity->device);
        if (--device->second == 0)
            m_activeOnDevice.erase(device);
    }
    filing.active = false;
}

void ExpiryStore::file(TrackedFile& record) {
    unfile(record);
    Filing& filing = m_filing[&record];
    if (!isActive(record.status()))
        return;
    filing.active = true;
    filing.path = record.lastKnownPath().native();
    filing.identity.reset();
    if (const auto token = decodeBookmark(record.bookmark()))
        filing.identity = FileIdentity{token->identity.device, token->identity.inode, {}};
    filing.pending = record.status() == FileStatus::pending;
    filing.listKey = listKey(record, filing.sequence);
    m_activeByPath.emplace(filing.path, &record);
    if (filing.identity) {
        m_activeByIdentity.emplace(*filing.identity, &record);
        ++m_activeOnDevice[filing.identity->device];
    }
    listOf(filing.pending).emplace(filing.listKey, &record);
    ++(filing.pending ? m_pendingVersion : m_scheduledVersion);
}

void ExpiryStore::recordChanged(TrackedFile& record, bool filing) {
    m_unsaved.emplace(m_filing[&record].sequence, &record);
    m_mayHaveEnded.insert(&record);
    if (filing)
        file(record);
}

void ExpiryStore::dropEnded() {
    std::erase_if(m_retired, [](const QPointer<TrackedFile>& record) { return record.isNull(); });
    const std::size_t retired = m_retired.size();
    std::erase_if(m_mayHaveEnded, [this](TrackedFile* record) {
        if (isActive(record->status()))
            return true; // looked at again when it changes
        if (record->isDirty() || m_owedMarks.contains(record->idText()))
            return false; // once saved and marked
        unfile(*record);
        m_filing.erase(record);
        record->setObserver(nullptr);
        auto owned = m_records.extract(record->idText());
        // Views and callers may still hold it until the event loop turns.
        owned.mapped().release()->deleteLater();
        m_retired.emplace_back(record);
        return true;
    });
    // Many records gone (a burst that ended): what they held goes back to the system a moment
    // later, once they are deleted, rather than staying with the process.
    m_droppedSinceTrim += m_retired.size() - retired;
    if (m_droppedSinceTrim >= dropsBeforeTrim && !(m_trim && m_trim->isActive())) {
        m_trim = m_clock.singleShot(Duration{2'000}, [this] {
            m_droppedSinceTrim = 0;
            ::malloc_trim(0);
        });
    }
}

path ExpiryStore::pathForm(const path& url) {
    path p = url;
    if (!p.is_absolute()) {
        std::error_code ec;
        p = std::filesystem::absolute(p, ec);
    }
    p = standardized(p);
    if (!p.has_filename())
        return resolvedPath(p);
    return resolvedPath(p.parent_path()) / p.filename();
}

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

TrackedFile* ExpiryStore::adopt(std::unique_ptr<TrackedFile> record) {
    TrackedFile* raw = record.get();
    m_records.emplace(raw->idText(), std::move(record));
    m_filing[raw].sequence = m_nextSequence++;
    file(*raw);
    raw->setObserver(this);
    if (raw->isDirty())
        m_unsaved.emplace(m_filing[raw].sequence, raw);
    if (!isActive(raw->status()))
        m_mayHaveEnded.insert(raw);
    return raw;
}

std::vector<TrackedFile*> ExpiryStore::liveRecords(std::vector<TrackedFile::Fields> rows) {
    std::vector<TrackedFile*> records;
    records.reserve(rows.size());
    for (auto& row : rows) {
        const QString id = row.id.toString(QUuid::WithoutBraces);
        auto live = m_records.find(id);
        records.push_back(live != m_records.end()
                              ? live->second.get()
                              : adopt(std::make_unique<TrackedFile>(std::move(row))));
    }
    return records;
}

std::vector<TrackedFile*> ExpiryStore::fetch(const std::vector<QString>& statuses) {
    QString error;
    auto rows = m_database->fetch(statuses, error);
    if (!rows) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Fetch failed: %s", error.toUtf8().constData());
        return {};
    }
    auto wanted = [&statuses](const TrackedFile* r) {
        return std::find(statuses.begin(), statuses.end(), r->statusRaw()) != statuses.end();
    };
    std::vector<TrackedFile*> result;
    const std::vector<TrackedFile*> stored = liveRecords(std::move(*rows));
    // The live object may hold changes not saved yet; they decide.
    std::copy_if(stored.begin(), stored.end(), std::back_inserter(result), wanted);
    const std::unordered_set<const TrackedFile*> seen(stored.begin(), stored.end());
    for (const auto& [sequence, record] : m_unsaved)
        if (!seen.contains(record) && wanted(record))
            result.push_back(record);
    return result;
}

std::vector<TrackedFile*> ExpiryStore::files(FileStatus status) {
    // Every active record is in memory from the start and filed in order.
    const auto listed = [](const auto& order) {
        std::vector<TrackedFile*> records;
        records.reserve(order.size());
        for (const auto& [key, record] : order)
            records.push_back(record);
        return records;
    };
    if (status == FileStatus::pending)
        return listed(m_pendingOrder);
    if (status == FileStatus::scheduled)
        return listed(m_scheduledOrder);
    return fetch({rawValue(status)});
}

std::vector<TrackedFile*> ExpiryStore::activeFiles() {
    std::vector<TrackedFile*> active = files(FileStatus::pending);
    const std::vector<TrackedFile*> scheduled = files(FileStatus::scheduled);
    active.insert(active.end(), scheduled.begin(), scheduled.end());
    return active;
}

TrackedFile* ExpiryStore::oldestPending() const {
    return m_pendingOrder.empty() ? nullptr : m_pendingOrder.begin()->second;
}

TrackedFile* ExpiryStore::soonestScheduled() const {
    return m_scheduledOrder.empty() ? nullptr : m_scheduledOrder.begin()->second;
}

TrackedFile* ExpiryStore::recordWithId(const QString& id) {
    // The id came from a file's attribute: anything but a well-formed id names no record.
    const QUuid uuid = QUuid::fromString(id);
    if (uuid.isNull() || uuid.toString(QUuid::WithoutBraces) != id)
        return nullptr;
    if (auto live = m_records.find(id); live != m_records.end())
        return live->second.get();
    QString error;
    auto rows = m_database->fetchById(id, error);
    if (!rows || rows->empty())
        return nullptr;
    return liveRecords(std::move(*rows)).front();
}

TrackedFile* ExpiryStore::recordForPath(const path& given) {
    const path p = pathForm(given);
    QString error;
    auto rows = m_database->fetchNewestAtPath(p, error);
    if (!rows)
        return nullptr;
    TrackedFile* newest = nullptr;
    std::vector<TrackedFile*> candidates = liveRecords(std::move(*rows));
    // Changes not saved yet count as well.
    for (const auto& [sequence, record] : m_unsaved)
        candidates.push_back(record);
    for (TrackedFile* record : candidates)
        if (record->lastKnownPath() == p && (!newest || record->addedAt() > newest->addedAt()))
            newest = record;
    return newest;
}

TrackedFile* ExpiryStore::activeFileAtPath(const path& given) {
    const auto found = m_activeByPath.find(pathForm(given).native());
    return found == m_activeByPath.end() ? nullptr : found->second;
}

TrackedFile* ExpiryStore::activeFileFor(const path& given) {
    const path p = pathForm(given);
    if (TrackedFile* record = activeFileAtPath(p))
        return record;
    // A file the store knows under another name: its record follows it there.
    const auto facts = lstatPath(p);
    if (!facts)
        return nullptr;
    const FileIdentity key{facts->identity.device, facts->identity.inode, {}};
    std::vector<TrackedFile*> candidates;
    for (auto [at, end] = m_activeByIdentity.equal_range(key); at != end; ++at)
        candidates.push_back(at->second);
    for (TrackedFile* record : candidates)
        if (resolveURL(*record) == p)
            return record;
    return nullptr;
}

TrackedFile* ExpiryStore::insertNew(const path& url, const QByteArray& bookmark,
                                    const std::optional<QString>& source, FileStatus status,
                                    std::optional<Instant> expiresAt) {
    auto record =
        std::make_unique<TrackedFile>(bookmark, displayName(url), source, sizeOf(url),
                                      rawValue(status), expiresAt, pathForm(url), m_clock);
    return adopt(std::move(record));
}

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

bool ExpiryStore::isOwnersFile(const TrackedFile& record, const path& other) const {
    // Another name of the same file (a hard link): its marks are the file's own.
    const auto token = decodeBookmark(record.bookmark());
    const auto facts = lstatPath(other);
    return token && facts && isSameFile(facts->identity, token->identity);
}

std::optional<path> ExpiryStore::resolveURL(TrackedFile& record) {
    auto resolved = m_bookmarks.resolve(record.bookmark(), record.status() == FileStatus::pending);
    if (!resolved)
        return std::nullopt;
    if (resolved->stale) {
        if (auto fresh = m_bookmarks.create(resolved->url))
            record.setBookmark(*fresh);
    }
    const path p = pathForm(resolved->url);
    if (p != record.lastKnownPath())
        record.setLastKnownPath(p);
    if (displayName(p) != record.displayName())
        record.setDisplayName(displayName(p));
    return p;
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

void ExpiryStore::noteMovedAway(const path& name) {
    m_movedAway.insert(pathForm(name).native());
}

bool ExpiryStore::isInsideDownloads(const path& url) const {
    return m_deleter.downloads().contains(url) && !isInTrash(url);
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

bool ExpiryStore::downloadsAvailable() {
    std::optional<std::string> reason;
    const auto folder = statPath(m_downloadsPath);
    if (!folder) {
        reason = folder.error().text();
    } else if (!folder->isDirectory) {
        reason = "it is not a folder";
    } else if (::access(m_downloadsPath.c_str(), R_OK | X_OK) != 0) {
        reason = SysError{errno, {}}.text();
    } else {
        // An empty folder on another device than every tracked file: the mount point of a
        // disk that is not mounted (yet), not a Downloads the user emptied. Only then is the
        // folder read, which in a folder of many thousand files is not free.
        const auto onFolderDevice = m_activeOnDevice.find(folder->identity.device);
        const bool elsewhere =
            m_activeOnDevice.size() > (onFolderDevice == m_activeOnDevice.end() ? 0u : 1u);
        if (elsewhere && onFolderDevice == m_activeOnDevice.end()) {
            if (const auto entries = hasEntries(m_downloadsPath); !entries)
                reason = entries.error().text();
            else if (!*entries)
                reason = "its disk is not mounted";
        }
    }
    if (reason) {
        if (!m_toldUnavailable)
            FADEBIN_LOG_ERROR(LogCategory::Expiry,
                              "Downloads is unavailable (%s); records are left as they are",
                              reason->c_str());
        m_toldUnavailable = true;
        return false;
    }
    if (m_toldUnavailable)
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Downloads is available again");
    m_toldUnavailable = false;
    return true;
}

bool ExpiryStore::isInTrash(const path& url) const {
    if (!m_trashFolders) {
        m_trashFolders.emplace();
        if (auto data = dataHome())
            m_trashFolders->push_back(resolvedPath(*data / "Trash"));
        for (const path& files : trashFilesFolders(TrashReach::localOnly, m_downloadsPath))
            m_trashFolders->push_back(resolvedPath(files.parent_path()));
    }
    const std::string p = resolvedPath(url).native();
    for (const path& folder : *m_trashFolders)
        if (startsWithFolder(p, folder.native()))
            return true;
    // Volume trashes made after the list was gathered still have their well-known names.
    const std::string volumeTrash = "/.Trash-" + std::to_string(::getuid()) + "/";
    return p.find("/.Trash/") != std::string::npos || p.find("/.Trashes/") != std::string::npos ||
           p.find(volumeTrash) != std::string::npos;
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
    // Moved away by its own name or with a folder that held it.
    bool leftByMove = false;
    for (path p = record.lastKnownPath();
         !leftByMove && p != m_downloadsPath && p.has_relative_path(); p = p.parent_path())
        leftByMove = movedAway.contains(p.native());
    const std::optional<path> url = resolveURL(record);
    if (!url && leftByMove) {
        cancel(record);
        released.push_back(&record);
        return;
    }
    if (!url) {
        record.setStatus(FileStatus::deleted);
        return;
    }
    if (isInsideDownloads(*url))
        return;
    if (isInTrash(*url)) {
        clearMarks(*url, &record);
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
            const std::optional<path> current = resolveURL(*owner);
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

bool ExpiryStore::save() {
    if (m_batchDepth > 0)
        return true; // written, marks and all, when the batch ends
    std::vector<const TrackedFile*> dirty;
    dirty.reserve(m_unsaved.size());
    for (const auto& [sequence, record] : m_unsaved)
        dirty.push_back(record);
    QString error;
    if (!dirty.empty() && !m_database->write(dirty, error)) {
        saveFailed(error);
        return false;
    }
    for (const auto& [sequence, record] : std::exchange(m_unsaved, {}))
        record->clearDirty();
    if (m_saveProblem) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Records saved again");
        m_saveProblem.reset();
        m_saveRetry.reset();
        m_saveRetryDelay = Duration::zero();
        Q_EMIT saveProblemChanged();
    }
    payOwedMarks();
    dropEnded();
    return true;
}

void ExpiryStore::saveFailed(const QString& error) {
    // What the user can do something about, in their words; anything else as SQLite says it.
    const QString reason =
        error.contains(QLatin1String("full"))       ? QStringLiteral("the disk is full")
        : error.contains(QLatin1String("readonly")) ? QStringLiteral("the disk is read-only")
                                                    : error;
    const QString problem = QStringLiteral("Fadebin can't save its records: ") + reason;
    if (problem != m_saveProblem) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Save failed: %s", error.toUtf8().constData());
        m_saveProblem = problem;
        Q_EMIT saveProblemChanged();
    }
    // Tried again on its own, a little later after each failed try (other saves failing
    // meanwhile do not put it off), until one goes through.
    if (m_saveRetry && m_saveRetry->isActive())
        return;
    m_saveRetryDelay = std::clamp(m_saveRetryDelay * 2, firstSaveRetry, longestSaveRetry);
    QPointer<ExpiryStore> self(this);
    m_saveRetry = m_clock.singleShot(m_saveRetryDelay, [self] {
        if (self)
            self->save();
    });
}

} // namespace fadebin
