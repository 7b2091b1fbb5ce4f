#pragma once

// Runs the built fadebin program against a TempHome and reads back what it left behind:
// the database, the expiry attribute and the Trash.
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <ctime>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace fadebin::test {

using namespace std::chrono_literals;

inline double unixNow() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// With a journal running the program logs there instead, and its log lines cannot be read.
inline bool logsToStderr() {
    struct stat st {};
    return ::stat("/run/systemd/journal/socket", &st) != 0;
}

class Program {
public:
    explicit Program(const TempHome& home)
        : m_downloads(home.downloads()) {}
    ~Program() { kill(); }

    // True once the inotify watch on Downloads exists: only then does a new file count as a
    // download.
    [[nodiscard]] bool start() {
        m_log.clear();
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1); // inherited with TempHome's XDG_*
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(QStringLiteral(FADEBIN_PROGRAM), {});
        struct stat folder {};
        if (!m_process.waitForStarted(10'000) || ::stat(m_downloads.c_str(), &folder) != 0)
            return false;
        const std::string inode = " ino:" + QString::number(folder.st_ino, 16).toStdString() + " ";
        const path fdinfo = "/proc/" + std::to_string(m_process.processId()) + "/fdinfo";
        return waitFor(
            [&] {
                std::error_code ec;
                for (const auto& entry : std::filesystem::directory_iterator(fdinfo, ec))
                    if (readFile(entry.path()).find(inode) != std::string::npos)
                        return true;
                return false;
            },
            30s);
    }

    // Pending stderr is read here, so that the program never blocks on a full pipe.
    const std::string& log() { return m_log += m_process.readAllStandardError().toStdString(); }

    void kill() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(10'000);
        log();
    }

    // Returns the exit code, or -1 when the program did not end normally in time.
    int terminate() {
        m_process.terminate();
        const bool ended = waitFor([&] { return m_process.state() == QProcess::NotRunning; }, 30s);
        log();
        return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    path m_downloads;
    QProcess m_process;
    std::string m_log;
};

inline void writeSettings(const TempHome& home, const std::string& json) {
    std::filesystem::create_directories(home.configHome() / "Fadebin");
    writeFile(home.configHome() / "Fadebin/defaults.json", json);
}

// The way Chromium saves a download: a partial name grown in a few writes, the address it
// came from recorded on it, then the final rename.
inline void writeDownload(const path& downloads, const std::string& name) {
    const std::string url = "https://www.example.org/file.zip";
    const path partial = downloads / (name + ".crdownload");
    {
        std::ofstream out(partial, std::ios::binary);
        for (char c : {'a', 'b', 'c'})
            out << std::string(4096, c) << std::flush;
    }
    ASSERT_EQ(::setxattr(partial.c_str(), "user.xdg.origin.url", url.data(), url.size(), 0), 0);
    std::filesystem::rename(partial, downloads / name);
}

inline std::optional<double> expiryAttribute(const path& file) {
    char text[64] = {};
    std::tm utc{};
    if (::getxattr(file.c_str(), "user.com.ostrel.fadebin.expiresAt", text, sizeof text - 1) <= 0 ||
        !::strptime(text, "%Y-%m-%dT%H:%M:%SZ", &utc))
        return std::nullopt;
    return static_cast<double>(::timegm(&utc));
}

struct Record {
    std::string displayName, status;
    std::optional<double> expiresAt;
    std::optional<std::string> source;
};

// Every row of the program's database, read while the program may be writing to it.
inline std::vector<Record> readRecords(const TempHome& home) {
    std::vector<Record> records;
    sqlite3* db = nullptr;
    sqlite3_stmt* query = nullptr;
    // Read-only, so that this connection never checkpoints or removes the program's journal.
    if (sqlite3_open_v2((home.dataHome() / "Fadebin/Fadebin.store").c_str(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_busy_timeout(db, 5000) == SQLITE_OK &&
        sqlite3_prepare_v2(db, "SELECT displayName, statusRaw, expiresAt, source FROM TrackedFile",
                           -1, &query, nullptr) == SQLITE_OK) {
        auto text = [&](int column) -> std::optional<std::string> {
            if (sqlite3_column_type(query, column) == SQLITE_NULL)
                return std::nullopt;
            return reinterpret_cast<const char*>(sqlite3_column_text(query, column));
        };
        while (sqlite3_step(query) == SQLITE_ROW) {
            const bool expires = sqlite3_column_type(query, 2) != SQLITE_NULL;
            records.push_back(
                {*text(0), *text(1),
                 expires ? std::optional(sqlite3_column_double(query, 2)) : std::nullopt, text(3)});
        }
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return records;
}

inline std::optional<Record> readRecord(const TempHome& home, const std::string& name) {
    for (Record& r : readRecords(home))
        if (r.displayName == name)
            return r;
    return std::nullopt;
}

// The DeletionDate (local time, whole seconds) of each trashed item by its original path;
// an info file without its item is left out.
inline std::map<std::string, std::time_t> trashEntries(const TempHome& home) {
    std::map<std::string, std::time_t> entries;
    const path trash = home.dataHome() / "Trash";
    std::error_code ec;
    for (const auto& info : std::filesystem::directory_iterator(trash / "info", ec)) {
        const std::string text = readFile(info.path());
        const auto field = [&text](const std::string& key) {
            const auto at = text.find("\n" + key + "=") + key.size() + 2;
            return text.substr(at, text.find('\n', at) - at);
        };
        std::tm local{};
        local.tm_isdst = -1;
        if (exists(trash / "files" / info.path().stem()) &&
            ::strptime(field("DeletionDate").c_str(), "%Y-%m-%dT%H:%M:%S", &local))
            entries[field("Path")] = std::mktime(&local);
    }
    return entries;
}

} // namespace fadebin::test
