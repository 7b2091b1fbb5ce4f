#include "expiry/ExpiryStore.h"

#include "platform/Log.h"
#include "platform/Trash.h"
#include "platform/XdgPaths.h"

#include <QPointer>

#include <algorithm>
#include <sys/stat.h>
#include <unordered_set>

namespace fadebin {

namespace {

bool isFinal(FileStatus status) {
    return status == FileStatus::deleted || status == FileStatus::cancelled;
}

std::int64_t sizeOf(const path& url) {
    auto facts = statPath(url);
    return facts ? facts->size : 0;
}

bool startsWithFolder(const std::string& p, const std::string& folder) {
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
    auto database = Database::open(*databaseFile, error);
    if (!database)
        return nullptr;
    return std::unique_ptr<ExpiryStore>(
        new ExpiryStore(downloadsURL, clock, deleter, std::move(database)));
}

ExpiryStore::ExpiryStore(path downloadsURL, Clock& clock, FileDeleter& deleter,
                         std::unique_ptr<Database> database)
    : m_downloadsURL(std::move(downloadsURL))
    , m_downloadsPath(resolvedPath(m_downloadsURL))
    , m_clock(clock)
    , m_deleter(deleter)
    , m_database(std::move(database))
    , m_bookmarks([this] {
        std::vector<path> folders{m_downloadsPath};
        for (const path& trash : trashFilesFolders())
            folders.push_back(trash);
        return folders;
    }) {}

ExpiryStore::~ExpiryStore() = default;

TrackedFile* ExpiryStore::adopt(std::unique_ptr<TrackedFile> record) {
    TrackedFile* raw = record.get();
    // A record that is done needs no descriptor keeping its file findable (or allocated).
    connect(raw, &TrackedFile::statusRawChanged, this, [this, raw] {
        if (isFinal(raw->status()))
            m_bookmarks.forget(raw->idText());
    });
    m_records.emplace(raw->idText(), std::move(record));
    m_insertionOrder.push_back(raw);
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
    for (TrackedFile* record : m_insertionOrder)
        if (record->isDirty() && !seen.contains(record) && wanted(record))
            result.push_back(record);
    return result;
}

std::vector<TrackedFile*> ExpiryStore::files(FileStatus status) {
    return fetch({rawValue(status)});
}

std::vector<TrackedFile*> ExpiryStore::activeFiles() {
    std::vector<TrackedFile*> pending = files(FileStatus::pending);
    std::vector<TrackedFile*> scheduled = files(FileStatus::scheduled);
    std::stable_sort(pending.begin(), pending.end(),
                     [](auto* a, auto* b) { return a->addedAt() < b->addedAt(); });
    std::stable_sort(scheduled.begin(), scheduled.end(), [](auto* a, auto* b) {
        return a->expiresAt().value_or(Instant::max()) < b->expiresAt().value_or(Instant::max());
    });
    pending.insert(pending.end(), scheduled.begin(), scheduled.end());
    return pending;
}

TrackedFile* ExpiryStore::recordForPath(const path& p) {
    QString error;
    auto rows = m_database->fetchNewestAtPath(p, error);
    if (!rows)
        return nullptr;
    TrackedFile* newest = nullptr;
    std::vector<TrackedFile*> candidates = liveRecords(std::move(*rows));
    // Changes not saved yet count as well.
    for (TrackedFile* record : m_insertionOrder)
        if (record->isDirty())
            candidates.push_back(record);
    for (TrackedFile* record : candidates)
        if (record->lastKnownPath() == p && (!newest || record->addedAt() > newest->addedAt()))
            newest = record;
    return newest;
}

TrackedFile* ExpiryStore::activeFileAtPath(const path& p) {
    for (TrackedFile* record : activeFiles())
        if (record->lastKnownPath() == p)
            return record;
    return nullptr;
}

TrackedFile* ExpiryStore::insertNew(const path& url, const QByteArray& bookmark,
                                    const std::optional<QString>& source, FileStatus status,
                                    std::optional<Instant> expiresAt) {
    auto record =
        std::make_unique<TrackedFile>(bookmark, displayName(url), source, sizeOf(url),
                                      rawValue(status), expiresAt, standardized(url), m_clock);
    TrackedFile* adopted = adopt(std::move(record));
    // Pin the file now, so that a rename before the first look is followed too.
    [[maybe_unused]] auto pinned = m_bookmarks.resolve(adopted->bookmark(), adopted->idText());
    return adopted;
}

TrackedFile* ExpiryStore::addPending(const path& url, const std::optional<QString>& source) {
    const path p = standardized(url);
    if (activeFileAtPath(p))
        return nullptr;
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

std::optional<path> ExpiryStore::resolveURL(TrackedFile& record) {
    auto resolved = m_bookmarks.resolve(record.bookmark(), record.idText());
    if (!resolved)
        return std::nullopt;
    if (!lstatPath(resolved->url).ok()) {
        m_bookmarks.forget(record.idText());
        return std::nullopt;
    }
    if (resolved->stale) {
        if (auto fresh = m_bookmarks.create(resolved->url))
            record.setBookmark(*fresh);
    }
    const path p = standardized(resolved->url);
    if (p != record.lastKnownPath())
        record.setLastKnownPath(p);
    if (displayName(p) != record.displayName())
        record.setDisplayName(displayName(p));
    return p;
}

void ExpiryStore::apply(ExpiryOption option, TrackedFile& record, bool applyFinderTag) {
    const std::optional<path> url = resolveURL(record);
    const Instant now = m_clock.now();
    // Attributes are only ever written on files inside Downloads.
    const bool touchFile = url && isInsideDownloads(*url);
    if (const auto length = duration(option)) {
        record.setStatus(FileStatus::scheduled);
        record.setExpiresAt(now + *length);
        record.setDeleteAttempts(0);
        if (touchFile) {
            m_deleter.writeExpiry(*record.expiresAt(), *url);
            if (applyFinderTag)
                m_deleter.setFinderTag(true, temporaryTag, *url);
        }
    } else {
        record.setStatus(FileStatus::keepForever);
        record.setExpiresAt(std::nullopt);
        if (touchFile)
            clearMarks(*url);
    }
    save();
}

void ExpiryStore::clearMarks(const path& url) {
    m_deleter.removeExpiry(url);
    m_deleter.setFinderTag(false, temporaryTag, url);
}

void ExpiryStore::cancel(TrackedFile& record) {
    const std::optional<path> url = resolveURL(record);
    record.setStatus(FileStatus::cancelled);
    record.setExpiresAt(std::nullopt);
    if (url)
        clearMarks(*url);
    save();
}

void ExpiryStore::relocate(TrackedFile& record, const path& url, bool applyFinderTag) {
    if (auto bookmark = m_bookmarks.create(url)) {
        // The old file's descriptor must not keep answering for the record.
        m_bookmarks.forget(record.idText());
        record.setBookmark(*bookmark);
    }
    record.setLastKnownPath(standardized(url));
    record.setDisplayName(displayName(url));
    if (auto facts = statPath(url))
        record.setSizeBytes(facts->size);
    if (record.status() == FileStatus::scheduled && record.expiresAt() && isInsideDownloads(url)) {
        m_deleter.writeExpiry(*record.expiresAt(), url);
        if (applyFinderTag)
            m_deleter.setFinderTag(true, temporaryTag, url);
    }
    save();
}

bool ExpiryStore::isInsideDownloads(const path& url) const {
    return startsWithFolder(resolvedPath(url).native(), m_downloadsPath.native());
}

bool ExpiryStore::isInTrash(const path& url) {
    if (!m_trashFolders) {
        m_trashFolders.emplace();
        if (auto data = dataHome())
            m_trashFolders->push_back(resolvedPath(*data / "Trash"));
        for (const path& files : trashFilesFolders())
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
    std::vector<TrackedFile*> released;
    for (TrackedFile* record : activeFiles()) {
        const std::optional<path> url = resolveURL(*record);
        if (!url) {
            record->setStatus(FileStatus::deleted);
            continue;
        }
        if (isInsideDownloads(*url))
            continue;
        if (isInTrash(*url)) {
            m_deleter.removeExpiry(*url);
            record->setStatus(FileStatus::deleted);
            record->setExpiresAt(std::nullopt);
            continue;
        }
        cancel(*record);
        released.push_back(record);
    }
    save();
    if (!released.empty() && onReleased)
        onReleased(released);
}

void ExpiryStore::recoverFromExtendedAttributes() {
    std::unordered_set<std::string> known;
    for (TrackedFile* record : activeFiles())
        known.insert(record->lastKnownPath().native());
    auto children = listDirectory(m_downloadsURL);
    if (!children)
        return;
    long count = 0;
    for (const path& child : *children) {
        if (child.filename().native().front() == '.')
            continue;
        const path p = standardized(child);
        if (known.contains(p.native()) || !isInsideDownloads(child))
            continue;
        const auto text = m_deleter.readAttribute(expiryAttribute, child);
        if (!text)
            continue;
        const auto expiresAt = parseExpiry(*text);
        if (!expiresAt)
            continue;
        auto bookmark = m_bookmarks.create(child);
        if (!bookmark)
            continue;
        insertNew(child, *bookmark, std::nullopt, FileStatus::scheduled, *expiresAt);
        ++count;
    }
    if (count > 0) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "Recovered %ld tracked file(s) from xattrs", count);
        save();
    }
}

bool ExpiryStore::save() {
    std::vector<const TrackedFile*> dirty;
    for (const TrackedFile* record : m_insertionOrder)
        if (record->isDirty())
            dirty.push_back(record);
    if (dirty.empty())
        return true;
    QString error;
    if (!m_database->write(dirty, error)) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Save failed: %s", error.toUtf8().constData());
        return false;
    }
    for (TrackedFile* record : m_insertionOrder)
        record->clearDirty();
    return true;
}

} // namespace fadebin
