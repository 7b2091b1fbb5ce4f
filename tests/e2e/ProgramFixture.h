#pragma once

// Runs the built fadebin program against a TempHome and reads back what it left behind:
// the database, the expiry attribute and the Trash.
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <vector>

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
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    void start() {
        m_log.clear();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment(); // TempHome's XDG_*
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.start(QStringLiteral(FADEBIN_PROGRAM), {});
        ASSERT_TRUE(m_process.waitForStarted(10'000)) << "cannot start " FADEBIN_PROGRAM;
    }

    // The inotify watch on Downloads is what makes a new file count as a download, so
    // nothing is written there before it exists.
    [[nodiscard]] bool waitUntilWatching(std::chrono::milliseconds timeout = 30s) {
        struct stat folder {};
        if (::stat(m_downloads.c_str(), &folder) != 0)
            return false;
        char inode[32];
        std::snprintf(inode, sizeof inode, " ino:%lx ", static_cast<unsigned long>(folder.st_ino));
        const path fdinfo = "/proc/" + std::to_string(m_process.processId()) + "/fdinfo";
        return waitFor(
            [&] {
                std::error_code ec;
                for (const auto& entry : std::filesystem::directory_iterator(fdinfo, ec))
                    if (readFile(entry.path()).find(inode) != std::string::npos)
                        return true;
                return false;
            },
            timeout);
    }

    [[nodiscard]] bool running() const { return m_process.state() != QProcess::NotRunning; }

    // Pending stderr is read here, so that the program never blocks on a full pipe.
    const std::string& log() {
        m_log += m_process.readAllStandardError().toStdString();
        return m_log;
    }

    [[nodiscard]] bool waitForLog(const std::string& text,
                                  std::chrono::milliseconds timeout = 40s) {
        return waitFor([&] { return log().find(text) != std::string::npos; }, timeout);
    }

    void kill() {
        if (!running())
            return;
        m_process.kill();
        m_process.waitForFinished(10'000);
        log();
    }

    // Returns the exit code, or -1 when the program did not end normally in time.
    int terminate() {
        m_process.terminate();
        const bool ended = waitFor([&] { return !running(); }, 30s);
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
inline void writeDownload(const path& downloads, const std::string& name,
                          const std::string& url = "https://www.example.org/file.zip") {
    const path partial = downloads / (name + ".crdownload");
    {
        std::ofstream out(partial, std::ios::binary);
        for (int i = 0; i < 3; ++i)
            out << std::string(4096, static_cast<char>('a' + i)) << std::flush;
    }
    ASSERT_EQ(::setxattr(partial.c_str(), "user.xdg.origin.url", url.data(), url.size(), 0), 0);
    std::filesystem::rename(partial, downloads / name);
}

inline std::optional<double> expiryAttribute(const path& file) {
    char text[64] = {};
    if (::getxattr(file.c_str(), "user.com.ostrel.fadebin.expiresAt", text, sizeof text - 1) <= 0)
        return std::nullopt;
    std::tm utc{};
    if (!::strptime(text, "%Y-%m-%dT%H:%M:%SZ", &utc))
        return std::nullopt;
    return static_cast<double>(::timegm(&utc));
}

struct Record {
    std::string displayName;
    std::string status;
    std::optional<double> expiresAt;
    std::optional<std::string> source;
};

// Every row of the program's database, read while the program may be writing to it.
inline std::vector<Record> readRecords(const TempHome& home) {
    std::vector<Record> records;
    const path file = home.dataHome() / "Fadebin/Fadebin.store";
    sqlite3* db = nullptr;
    // Read-only, so that this connection never checkpoints or removes the program's journal.
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return records;
    }
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT displayName, statusRaw, expiresAt, source FROM TrackedFile",
                           -1, &query, nullptr) == SQLITE_OK) {
        auto text = [&](int column) {
            return std::string(reinterpret_cast<const char*>(sqlite3_column_text(query, column)));
        };
        while (sqlite3_step(query) == SQLITE_ROW) {
            Record r{text(0), text(1), std::nullopt, std::nullopt};
            if (sqlite3_column_type(query, 2) != SQLITE_NULL)
                r.expiresAt = sqlite3_column_double(query, 2);
            if (sqlite3_column_type(query, 3) != SQLITE_NULL)
                r.source = text(3);
            records.push_back(std::move(r));
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

struct TrashEntry {
    std::string originalPath;
    std::time_t deletedAt; // DeletionDate: local time, whole seconds
};

// Trashed items by their original file name; an info file without its item is left out.
inline std::map<std::string, TrashEntry> trashEntries(const TempHome& home) {
    std::map<std::string, TrashEntry> entries;
    const path trash = home.dataHome() / "Trash";
    std::error_code ec;
    for (const auto& info : std::filesystem::directory_iterator(trash / "info", ec)) {
        const path item = trash / "files" / info.path().stem();
        if (info.path().extension() != ".trashinfo" || !std::filesystem::exists(item))
            continue;
        std::ifstream in(info.path());
        TrashEntry entry{};
        std::tm local{};
        local.tm_isdst = -1;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("Path="))
                entry.originalPath = line.substr(5);
            else if (line.starts_with("DeletionDate="))
                entry.deletedAt = ::strptime(line.c_str() + 13, "%Y-%m-%dT%H:%M:%S", &local)
                                      ? std::mktime(&local)
                                      : 0;
        }
        entries[path(entry.originalPath).filename().native()] = entry;
    }
    return entries;
}

} // namespace fadebin::test
