#include "expiry/Database.h"

#include "platform/Clock.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <thread>

namespace fadebin {

namespace {

constexpr const char* schema =
    "CREATE TABLE IF NOT EXISTS TrackedFile ("
    "id TEXT UNIQUE, bookmark BLOB, displayName TEXT, source TEXT NULL, "
    "sizeBytes INTEGER, addedAt REAL, statusRaw TEXT, expiresAt REAL NULL, "
    "deleteAttempts INTEGER, lastKnownPath TEXT, decidedByRule TEXT NULL);"
    "CREATE TABLE IF NOT EXISTS ChoiceStreak ("
    "host TEXT NOT NULL, kind TEXT NOT NULL, choice TEXT NOT NULL, count INTEGER NOT NULL, "
    "declined INTEGER NOT NULL, PRIMARY KEY (host, kind))";

// How long one statement waits for another connection to let go of the file.
constexpr int busyTimeoutMs = 5000;

// The columns every version has written; a file from before rules lacks the last one.
constexpr const char* firstColumns = "id, bookmark, displayName, source, sizeBytes, addedAt, "
                                     "statusRaw, expiresAt, deleteAttempts, lastKnownPath";
constexpr const char* columns = "id, bookmark, displayName, source, sizeBytes, addedAt, statusRaw, "
                                "expiresAt, deleteAttempts, lastKnownPath, decidedByRule";

QString messageOf(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

struct Statement {
    sqlite3_stmt* handle = nullptr;
    ~Statement() { sqlite3_finalize(handle); }
};

bool exec(sqlite3* db, const char* sql, QString& error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? QString::fromUtf8(message) : messageOf(db);
    sqlite3_free(message);
    return false;
}

QString columnText(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(s, column)) : QString();
}

std::string columnBytes(sqlite3_stmt* s, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, column)))
                : std::string();
}

void bindText(sqlite3_stmt* s, int index, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    sqlite3_bind_text(s, index, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
}

} // namespace

Database::Database(sqlite3* handle)
    : m_db(handle) {}

Database::~Database() {
    sqlite3_close_v2(m_db);
}

void Database::releaseMemory() {
    sqlite3_db_release_memory(m_db);
}

namespace {

// Whether another connection holds what a statement needed: worth waiting for.
bool heldElsewhere(sqlite3* db) {
    const int code = sqlite3_extended_errcode(db) & 0xff;
    return code == SQLITE_BUSY || code == SQLITE_LOCKED;
}

// Puts the file in shape for use and proves it usable; fails with the statement's error.
bool prepareForUse(sqlite3* db, QString& error) {
    // The first statements read the header: a file that is not a database fails here.
    // Lookups go through indexes; a small page cache keeps a burst of writes from spreading
    // cache pages all over the heap, where they would hold memory long after the burst.
    if (!exec(db, "PRAGMA journal_mode=WAL", error) ||
        !exec(db, "PRAGMA synchronous=NORMAL", error) ||
        !exec(db, "PRAGMA cache_size=-256", error) || !exec(db, schema, error))
        return false;
    // A database another process holds locked would fail every save; say so now.
    if (!exec(db, "BEGIN IMMEDIATE", error) || !exec(db, "COMMIT", error))
        return false;
    // Prove the table has the columns we use; a foreign table of that name fails here.
    const auto prepares = [db](const std::string& sql) {
        Statement probe;
        return sqlite3_prepare_v2(db, sql.c_str(), -1, &probe.handle, nullptr) == SQLITE_OK;
    };
    if (!prepares(std::string("SELECT ") + firstColumns + " FROM TrackedFile LIMIT 0")) {
        error = messageOf(db);
        return false;
    }
    // Written before rules existed: the column is added, empty; older versions ignore it.
    if (!prepares("SELECT decidedByRule FROM TrackedFile LIMIT 0") &&
        !exec(db, "ALTER TABLE TrackedFile ADD COLUMN decidedByRule TEXT NULL", error))
        return false;
    // Ended records pile up over the years; finding the active ones at start and the newest
    // record at a path must not read them all.
    return exec(db,
                "CREATE INDEX IF NOT EXISTS TrackedFileByStatus ON TrackedFile(statusRaw);"
                "CREATE INDEX IF NOT EXISTS TrackedFileByPath ON TrackedFile(lastKnownPath)",
                error);
}

int milliseconds(std::chrono::steady_clock::duration d) {
    return static_cast<int>(
        std::clamp<std::int64_t>(std::chrono::ceil<Duration>(d).count(), 0, INT_MAX));
}

} // namespace

std::unique_ptr<Database> Database::open(const std::filesystem::path& file, QString& error,
                                         Duration lockWait) {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point deadline = Steady::now() + lockWait;
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(file.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<Database> database(new Database(db));
    if (rc != SQLITE_OK) {
        error = db ? messageOf(db) : QString::fromUtf8(sqlite3_errstr(rc));
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    // Another program (a backup, a second copy of us starting up) may hold the file for a few
    // seconds: that only delays the start. SQLite's busy handler waits out most locks, but
    // not all: SQLITE_LOCKED, and SQLITE_BUSY where waiting could deadlock or a WAL is being
    // recovered, come back at once. So the whole set-up is tried again, with growing pauses,
    // until the deadline.
    for (Duration pause = std::chrono::milliseconds(50);;
         pause = std::min(2 * pause, Duration(1000))) {
        sqlite3_busy_timeout(db, std::min(milliseconds(deadline - Steady::now()), busyTimeoutMs));
        if (prepareForUse(db, error))
            break;
        if (!heldElsewhere(db) || Steady::now() + pause >= deadline)
            return nullptr;
        if (!sqlite3_get_autocommit(db)) {
            QString ignored; // a COMMIT that could not finish leaves its transaction open
            exec(db, "ROLLBACK", ignored);
        }
        std::this_thread::sleep_for(pause);
    }
    // Saves may wait as long for a lock, never endlessly.
    sqlite3_busy_timeout(db, busyTimeoutMs);
    return database;
}

namespace {

// Steps through a prepared SELECT of all columns and turns each row into fields.
std::optional<std::vector<TrackedFile::Fields>> readRows(sqlite3* db, sqlite3_stmt* s,
                                                         QString& error) {
    std::vector<TrackedFile::Fields> rows;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        TrackedFile::Fields f;
        f.id = QUuid::fromString(columnText(s, 0));
        const auto* blob = static_cast<const char*>(sqlite3_column_blob(s, 1));
        f.bookmark = QByteArray(blob, blob ? sqlite3_column_bytes(s, 1) : 0);
        f.displayName = columnText(s, 2);
        if (sqlite3_column_type(s, 3) != SQLITE_NULL)
            f.source = columnText(s, 3);
        f.sizeBytes = sqlite3_column_int64(s, 4);
        f.addedAt = fromUnixSeconds(sqlite3_column_double(s, 5));
        f.statusRaw = columnText(s, 6);
        if (sqlite3_column_type(s, 7) != SQLITE_NULL) {
            // NaN says nothing about when; an infinite or huge time is held to the far
            // future or past instead of wrapping around.
            const double expires = sqlite3_column_double(s, 7);
            if (!std::isnan(expires))
                f.expiresAt = fromUnixSeconds(expires);
        }
        f.deleteAttempts = sqlite3_column_int64(s, 8);
        f.lastKnownPath = columnBytes(s, 9);
        // Read through the rules' own checks: a stored text is as untrusted as a setting.
        if (sqlite3_column_type(s, 10) != SQLITE_NULL)
            f.rule =
                ruleFromJson(QJsonDocument::fromJson(columnText(s, 10).toUtf8()).object()).rule;
        if (f.id.isNull())
            continue; // not one of ours: a row without a usable identity cannot be tracked
        rows.push_back(std::move(f));
    }
    if (rc != SQLITE_DONE) {
        error = messageOf(db);
        return std::nullopt;
    }
    return rows;
}

} // namespace

std::optional<std::vector<TrackedFile::Fields>>
Database::fetch(const std::vector<QString>& statuses, QString& error) const {
    std::string sql = std::string("SELECT ") + columns + " FROM TrackedFile WHERE statusRaw IN (";
    for (std::size_t i = 0; i < statuses.size(); ++i)
        sql += i == 0 ? "?" : ", ?";
    sql += ") ORDER BY rowid";
    Statement s;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    for (std::size_t i = 0; i < statuses.size(); ++i)
        bindText(s.handle, static_cast<int>(i + 1), statuses[i]);
    return readRows(m_db, s.handle, error);
}

std::optional<std::vector<TrackedFile::Fields>>
Database::fetchNewestAtPath(const std::filesystem::path& p, QString& error) const {
    const std::string sql =
        std::string("SELECT ") + columns +
        " FROM TrackedFile WHERE lastKnownPath = ? ORDER BY addedAt DESC LIMIT 1";
    Statement s;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    const std::string& bytes = p.native();
    sqlite3_bind_text(s.handle, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return readRows(m_db, s.handle, error);
}

std::optional<std::vector<TrackedFile::Fields>> Database::fetchById(const QString& id,
                                                                    QString& error) const {
    const std::string sql =
        std::string("SELECT ") + columns + " FROM TrackedFile WHERE id = ? LIMIT 1";
    Statement s;
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    const QByteArray bytes = id.toUtf8();
    sqlite3_bind_text(s.handle, 1, bytes.constData(), static_cast<int>(bytes.size()),
                      SQLITE_TRANSIENT);
    return readRows(m_db, s.handle, error);
}

bool Database::write(const std::vector<const TrackedFile*>& records, QString& error) {
    if (!exec(m_db, "BEGIN IMMEDIATE", error))
        return false;
    auto fail = [this, &error] {
        error = messageOf(m_db);
        QString ignored;
        exec(m_db, "ROLLBACK", ignored);
        return false;
    };
    Statement s;
    const std::string sql =
        std::string("INSERT INTO TrackedFile (") + columns +
        ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT(id) DO UPDATE SET "
        "bookmark = excluded.bookmark, displayName = excluded.displayName, "
        "source = excluded.source, sizeBytes = excluded.sizeBytes, "
        "addedAt = excluded.addedAt, statusRaw = excluded.statusRaw, "
        "expiresAt = excluded.expiresAt, "
        "deleteAttempts = excluded.deleteAttempts, "
        "lastKnownPath = excluded.lastKnownPath, "
        "decidedByRule = excluded.decidedByRule";
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &s.handle, nullptr) != SQLITE_OK)
        return fail();
    for (const TrackedFile* record : records) {
        const TrackedFile::Fields& f = record->fields();
        sqlite3_reset(s.handle);
        sqlite3_clear_bindings(s.handle);
        bindText(s.handle, 1, record->idText());
        sqlite3_bind_blob(s.handle, 2, f.bookmark.constData(), static_cast<int>(f.bookmark.size()),
                          SQLITE_TRANSIENT);
        bindText(s.handle, 3, f.displayName);
        if (f.source)
            bindText(s.handle, 4, *f.source);
        sqlite3_bind_int64(s.handle, 5, f.sizeBytes);
        sqlite3_bind_double(s.handle, 6, toUnixSeconds(f.addedAt));
        bindText(s.handle, 7, f.statusRaw);
        if (f.expiresAt)
            sqlite3_bind_double(s.handle, 8, toUnixSeconds(*f.expiresAt));
        sqlite3_bind_int64(s.handle, 9, f.deleteAttempts);
        const std::string& p = f.lastKnownPath.native();
        sqlite3_bind_text(s.handle, 10, p.data(), static_cast<int>(p.size()), SQLITE_TRANSIENT);
        if (f.rule)
            bindText(
                s.handle, 11,
                QString::fromUtf8(QJsonDocument(toJson(*f.rule)).toJson(QJsonDocument::Compact)));
        if (sqlite3_step(s.handle) != SQLITE_DONE)
            return fail();
    }
    if (!exec(m_db, "COMMIT", error)) {
        QString ignored;
        exec(m_db, "ROLLBACK", ignored);
        return false;
    }
    return true;
}

std::optional<std::vector<std::pair<QString, qint64>>> Database::ruleCounts(QString& error) const {
    Statement s;
    if (sqlite3_prepare_v2(m_db,
                           "SELECT decidedByRule, COUNT(*) FROM TrackedFile WHERE decidedByRule "
                           "IS NOT NULL GROUP BY decidedByRule",
                           -1, &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    std::vector<std::pair<QString, qint64>> counts;
    int rc;
    while ((rc = sqlite3_step(s.handle)) == SQLITE_ROW)
        counts.emplace_back(columnText(s.handle, 0), sqlite3_column_int64(s.handle, 1));
    if (rc != SQLITE_DONE) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    return counts;
}

std::optional<std::vector<ChoiceStreak>> Database::choiceStreaks(QString& error) const {
    Statement s;
    if (sqlite3_prepare_v2(m_db, "SELECT host, kind, choice, count, declined FROM ChoiceStreak", -1,
                           &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    std::vector<ChoiceStreak> streaks;
    int rc;
    while ((rc = sqlite3_step(s.handle)) == SQLITE_ROW)
        streaks.push_back({columnText(s.handle, 0), columnText(s.handle, 1),
                           columnText(s.handle, 2), sqlite3_column_int64(s.handle, 3),
                           sqlite3_column_int64(s.handle, 4) != 0});
    if (rc != SQLITE_DONE) {
        error = messageOf(m_db);
        return std::nullopt;
    }
    return streaks;
}

bool Database::writeChoiceStreak(const ChoiceStreak& streak, QString& error) {
    Statement s;
    if (sqlite3_prepare_v2(m_db,
                           "INSERT OR REPLACE INTO ChoiceStreak (host, kind, choice, count, "
                           "declined) VALUES (?, ?, ?, ?, ?)",
                           -1, &s.handle, nullptr) != SQLITE_OK) {
        error = messageOf(m_db);
        return false;
    }
    bindText(s.handle, 1, streak.host);
    bindText(s.handle, 2, streak.kind);
    bindText(s.handle, 3, streak.choice);
    sqlite3_bind_int64(s.handle, 4, streak.count);
    sqlite3_bind_int(s.handle, 5, streak.declined ? 1 : 0);
    if (sqlite3_step(s.handle) != SQLITE_DONE) {
        error = messageOf(m_db);
        return false;
    }
    return true;
}

} // namespace fadebin
