#pragma once

// Runs the built fadebin program against a TempHome and reads back what it left behind.
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
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

class Program {
public:
    explicit Program(const TempHome& home)
        : m_downloads(home.downloads()) {}
    ~Program() { kill(); }

    // Without a display the program runs headless; with one (":N") it shows the notch there.
    [[nodiscard]] bool start(const std::string& display = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (display.empty()) {
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(display));
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        }
        m_process.setProcessEnvironment(environment);
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
                return std::ranges::any_of(
                    std::filesystem::directory_iterator(fdinfo, ec), [&](const auto& entry) {
                        return readFile(entry.path()).find(inode) != std::string::npos;
                    });
            },
            30s);
    }

    // Reads pending stderr, so that the program never blocks on a full pipe.
    const std::string& log() { return m_log += m_process.readAllStandardError().toStdString(); }

    void kill() {
        m_process.kill();
        m_process.waitForFinished(10'000);
        log();
    }

    int terminate() {
        m_process.terminate();
        const bool ended = m_process.waitForFinished(30'000);
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

// As Chromium saves a download: a partial file grown in writes, its origin, then the rename.
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
    std::string source;
};

// Read-only, so that this connection never checkpoints or removes the program's journal.
inline std::vector<Record> readRecords(const TempHome& home) {
    std::vector<Record> records;
    sqlite3* db = nullptr;
    const auto add = [](void* out, int, char** v, char**) {
        const auto expires = v[2] ? std::optional(std::stod(v[2])) : std::nullopt;
        static_cast<std::vector<Record>*>(out)->push_back({v[0], v[1], expires, v[3] ? v[3] : ""});
        return 0;
    };
    if (sqlite3_open_v2((home.dataHome() / "Fadebin/Fadebin.store").c_str(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_busy_timeout(db, 5000) == SQLITE_OK)
        sqlite3_exec(db, "SELECT displayName, statusRaw, expiresAt, source FROM TrackedFile", add,
                     &records, nullptr);
    sqlite3_close(db);
    return records;
}

inline Record readRecord(const TempHome& home, const std::string& name) {
    for (Record& r : readRecords(home))
        if (r.displayName == name)
            return r;
    return {};
}

// The local DeletionDate of each trashed item, by original path.
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
