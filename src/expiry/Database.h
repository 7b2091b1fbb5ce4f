#pragma once

#include "expiry/TrackedFile.h"
#include "platform/Clock.h"
#include "platform/Result.h"

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace fadebin {

// The one table of tracked files in an SQLite file, through the C API so that path bytes
// that are not UTF-8 are stored exactly as they are.
class Database {
public:
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (creating when missing) the database file and its table. Fails with SQLite's or
    // the system's text when the file is not a database, stays locked by another connection
    // for longer than lockWait, or cannot be written.
    [[nodiscard]] static std::unique_ptr<Database>
    open(const std::filesystem::path& file, QString& error,
         Duration lockWait = std::chrono::seconds(10));

    // Rows whose statusRaw is one of the given strings, in stored order.
    [[nodiscard]] std::optional<std::vector<TrackedFile::Fields>>
    fetch(const std::vector<QString>& statuses, QString& error) const;
    // The newest row whose lastKnownPath is exactly these bytes.
    [[nodiscard]] std::optional<std::vector<TrackedFile::Fields>>
    fetchNewestAtPath(const std::filesystem::path& p, QString& error) const;
    // The row with this id (the stored text form), if any.
    [[nodiscard]] std::optional<std::vector<TrackedFile::Fields>> fetchById(const QString& id,
                                                                            QString& error) const;
    // Writes every given record in one transaction; nothing is written when one fails.
    [[nodiscard]] bool write(const std::vector<const TrackedFile*>& records, QString& error);
    // Gives back the page cache, which a burst of writes has filled.
    void releaseMemory();

private:
    explicit Database(sqlite3* handle);
    sqlite3* m_db;
};

} // namespace fadebin
