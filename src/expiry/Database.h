#pragma once

#include "expiry/TrackedFile.h"
#include "platform/Clock.h"
#include "platform/Result.h"

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct sqlite3;

namespace fadebin {

// How often in a row a person gave files of one kind from one host the same choice, and
// whether they said no to making it a rule. Stored as raw words; readers check them.
struct ChoiceStreak {
    QString host;
    QString kind;
    QString choice;
    qint64 count = 0;
    bool declined = false;
};

// The tracked files (and the choice streaks) in an SQLite file, through the C API so that path
// bytes that are not UTF-8 are stored exactly as they are.
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
    // How many records each rule decided (the rule as stored, with its count), whatever
    // became of the files since; a person's later decision takes a record off its rule.
    [[nodiscard]] std::optional<std::vector<std::pair<QString, qint64>>>
    ruleCounts(QString& error) const;
    // Every stored streak, one per host and kind.
    [[nodiscard]] std::optional<std::vector<ChoiceStreak>> choiceStreaks(QString& error) const;
    // Stores the streak in place of the one for its host and kind.
    [[nodiscard]] bool writeChoiceStreak(const ChoiceStreak& streak, QString& error);
    // Gives back the page cache, which a burst of writes has filled.
    void releaseMemory();

private:
    explicit Database(sqlite3* handle);
    sqlite3* m_db;
};

} // namespace fadebin
