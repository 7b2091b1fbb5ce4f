// The records: opening the database, the live objects and their indexes, lookups, saving.
#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/SpareCapacity.h"
#include "platform/XdgPaths.h"

#include <QPointer>

#include <algorithm>
#include <malloc.h>
#include <unordered_map>
#include <unordered_set>

namespace fadebin {

namespace {

std::int64_t sizeOf(const path& filePath) {
    auto facts = statPath(filePath);
    return facts ? facts->size : 0;
}

} // namespace

std::optional<path> ExpiryStore::defaultDatabaseFile() {
    auto data = dataHome();
    if (!data)
        return std::nullopt;
    return *data / "Fadebin" / "Fadebin.store";
}

std::unique_ptr<ExpiryStore> ExpiryStore::open(const path& downloadsFolder, Clock& clock,
                                               FileDeleter& deleter, QString& error,
                                               std::optional<path> databaseFile, bool neverRan) {
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
    // the files' attributes tell which schedules there were. On a first run there was none to
    // lose, and an expiry on a file came with it from elsewhere.
    const bool lost = !neverRan && (!std::filesystem::exists(*databaseFile, ec) ||
                                    std::filesystem::file_size(*databaseFile, ec) == 0 || ec);
    auto database = Database::open(*databaseFile, error);
    if (!database)
        return nullptr;
    auto store = std::unique_ptr<ExpiryStore>(
        new ExpiryStore(downloadsFolder, clock, deleter, std::move(database)));
    store->m_databaseLost = lost;
    if (!store->loadActive(error))
        return nullptr;
    return store;
}

ExpiryStore::ExpiryStore(path downloadsFolder, Clock& clock, FileDeleter& deleter,
                         std::unique_ptr<Database> database)
    : m_downloadsFolder(std::move(downloadsFolder))
    , m_downloadsPath(resolvedPath(m_downloadsFolder))
    , m_clock(clock)
    , m_deleter(deleter)
    , m_database(std::move(database))
    , m_bookmarks([this] { return searchFolders(); }) {
    m_deleter.openDownloads(m_downloadsFolder);
}

ExpiryStore::~ExpiryStore() {
    saveBeforeStop();
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
    m_droppedSinceTrim += m_retired.size() - retired;
    // After many drops, once they have stopped for a moment: a trim in the middle of a storm
    // would leave the rest of it with the process. A few drops are pruned by the next ones.
    if (m_retired.size() > retired && m_droppedSinceTrim >= dropsBeforeTrim)
        m_trim = m_clock.singleShot(Duration{5'000}, [this] { releaseRetired(); });
}

// A moment after many records were dropped (a burst that ended), once they are deleted: the
// guards that watched them go (thousands of small blocks left among the freed records would
// keep those pages), then what the records held goes back to the system.
void ExpiryStore::releaseRetired() {
    std::erase_if(m_retired, [](const QPointer<TrackedFile>& record) { return record.isNull(); });
    if (m_retired.empty())
        m_retired = {};
    releaseSpareCapacity(m_records);
    releaseSpareCapacity(m_filing);
    releaseSpareCapacity(m_mayHaveEnded);
    releaseSpareCapacity(m_activeByIdentity);
    m_database->releaseMemory();
    m_droppedSinceTrim = 0;
    ::malloc_trim(0);
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
        if (resolvePath(*record) == p)
            return record;
    return nullptr;
}

TrackedFile* ExpiryStore::insertNew(const path& filePath, const QByteArray& bookmark,
                                    const std::optional<QString>& source, FileStatus status,
                                    std::optional<Instant> expiresAt) {
    auto record =
        std::make_unique<TrackedFile>(bookmark, displayName(filePath), source, sizeOf(filePath),
                                      rawValue(status), expiresAt, pathForm(filePath), m_clock);
    return adopt(std::move(record));
}

} // namespace fadebin
