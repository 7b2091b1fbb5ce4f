#pragma once

// Runs the built fadebin program against a TempHome and reads back what it left behind.
#include "platform/ExtendedAttributes.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryFile>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

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

    // No display: the engine alone; "offscreen": Qt's offscreen; else X. Wayland comes in session.
    [[nodiscard]] bool start(const std::string& display = {},
                             const QProcessEnvironment& session = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(name));
        for (const char* name : {"WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
            if (session.contains(name))
                environment.insert(name, session.value(name));
        if (!display.empty())
            environment.insert(display == "offscreen" ? "QT_QPA_PLATFORM" : "DISPLAY",
                               QString::fromStdString(display));
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        const size_t logBefore = log().size();
        m_process.start(QStringLiteral(FADEBIN_PROGRAM), {});
        struct stat folder {};
        if (!m_process.waitForStarted(10'000) || ::stat(m_downloads.c_str(), &folder) != 0)
            return false;
        const std::string inode = " ino:" + QString::number(folder.st_ino, 16).toStdString() + " ";
        const path fdinfo = "/proc/" + std::to_string(m_process.processId()) + "/fdinfo";
        const auto watching = [&] {
            std::error_code ec;
            return std::ranges::any_of(
                std::filesystem::directory_iterator(fdinfo, ec), [&](const auto& entry) {
                    return readFile(entry.path()).find(inode) != std::string::npos;
                });
        };
        // Started means the watch and then the baseline (logged where the log is on stderr).
        return waitFor(watching, 30s) &&
               (std::filesystem::exists("/run/systemd/journal/socket") ||
                waitFor(
                    [&] { return log().find("Fadebin started", logBefore) != std::string::npos; },
                    30s));
    }

    [[nodiscard]] bool logs(const std::string& line, std::chrono::milliseconds timeout = 10s) {
        return waitFor([&] { return log().find(line) != std::string::npos; }, timeout);
    }
    // Drains stderr so that the program never blocks on a full pipe (nothing before a start).
    const std::string& log() {
        if (m_process.isOpen())
            m_log += m_process.readAllStandardError().toStdString();
        return m_log;
    }

    [[nodiscard]] bool running() const { return m_process.state() == QProcess::Running; }

    void kill() {
        m_process.kill();
        m_process.waitForFinished(10'000);
        log();
    }

    [[nodiscard]] qint64 pid() const { return m_process.processId(); }
    int terminate() { return endWith(SIGTERM); }
    // Signals (never pid 0: our group) and waits; the exit status, -1 if killed. Ended counts.
    int endWith(int signal) {
        if (m_process.processId() > 0)
            ::kill(static_cast<pid_t>(m_process.processId()), signal);
        const bool ended = (m_process.state() == QProcess::NotRunning &&
                            m_process.error() != QProcess::FailedToStart) ||
                           m_process.waitForFinished(30'000);
        log();
        return ended && m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    }

private:
    path m_downloads;
    QProcess m_process;
    std::string m_log;
};

inline int countOf(const std::string& text, const std::string& line) {
    return int(QByteArray::fromStdString(text).count(QByteArray::fromStdString(line)));
}

inline QJsonDocument parseJson(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text));
}

// The settings file of a home whose onboarding is done, holding these settings besides.
inline void writeOnboardedSettings(const TempHome& home, const std::string& json = "{}") {
    QJsonObject settings = parseJson(json).object();
    settings.insert(QStringLiteral("hasCompletedOnboarding"), true);
    writeSettings(home, QJsonDocument(settings).toJson().toStdString());
}

// A private session bus in DBUS_SESSION_BUS_ADDRESS while it lives; none without dbus-daemon.
struct SessionBus : PrivateBus {
    SessionBus() {
        if (!address().isEmpty())
            ::setenv("DBUS_SESSION_BUS_ADDRESS", address().toUtf8().constData(), 1);
    }
    ~SessionBus() { ::unsetenv("DBUS_SESSION_BUS_ADDRESS"); }
};

// A test with a private session bus of its own, and a home.
class BusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    }

    SessionBus bus;
    TempHome home;
};

// A finished command: its exit status (-1: did not finish, -2: not installed) and output.
struct Command {
    int status = -1;
    std::string out, err;
    [[nodiscard]] std::string statusAndErr() const { return std::to_string(status) + " " + err; }
    // Exit status 0, or a failure that shows the status and the errors.
    [[nodiscard]] ::testing::AssertionResult succeeded() const {
        if (status == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "exit status " << status << ": " << err;
    }
};

// Words as bytes (QProcess would mangle non-UTF-8); output in files a lingering child can't hold.
inline Command runBytes(const std::vector<QByteArray>& words) {
    Command command;
    QTemporaryFile out, err;
    if (!out.open() || !err.open())
        return command;
    std::vector<char*> argv;
    for (const QByteArray& word : words)
        argv.push_back(const_cast<char*>(word.constData()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out.handle(), STDOUT_FILENO);
        ::dup2(err.handle(), STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (!waitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 2min)) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        return command;
    }
    command.out = readFile(out.fileName().toStdString());
    command.err = readFile(err.fileName().toStdString());
    if (WIFEXITED(status))
        command.status = WEXITSTATUS(status) == 127 ? -2 : WEXITSTATUS(status);
    return command;
}

inline Command runTool(const char* tool, const QStringList& arguments) {
    std::vector<QByteArray> words{QByteArray(tool)};
    for (const QString& argument : arguments)
        words.push_back(argument.toUtf8());
    return runBytes(words);
}
// The built program run once with these arguments (a second launch, or a subcommand).
inline Command runProgram(const QStringList& arguments) {
    return runTool(FADEBIN_PROGRAM, arguments);
}

// As Chromium saves a download: a partial file grown in writes, its origin, then the rename.
inline void writeDownload(const path& downloads, const std::string& name) {
    const path partial = downloads / (name + ".crdownload");
    for (char c : {'a', 'b', 'c'})
        appendFile(partial, std::string(4096, c));
    ASSERT_TRUE(
        writeXattr(partial, "user.xdg.origin.url", "https://www.example.org/file.zip").ok());
    std::filesystem::rename(partial, downloads / name);
}

// The expiry the file's attribute gives, in seconds since the epoch, read as the program does.
[[nodiscard]] std::optional<double> expiryAttribute(const path& file);

struct Record {
    std::string displayName, status;
    std::optional<double> expiresAt;
};

// Read-only, so that this connection never checkpoints or removes the program's journal.
inline std::vector<Record> readRecords(const TempHome& home) {
    std::vector<Record> records;
    sqlite3* db = nullptr;
    const auto add = [](void* out, int, char** v, char**) {
        const auto expires = v[2] ? std::optional(std::stod(v[2])) : std::nullopt;
        static_cast<std::vector<Record>*>(out)->push_back({v[0], v[1], expires});
        return 0;
    };
    if (sqlite3_open_v2((home.dataHome() / "Fadebin/Fadebin.store").c_str(), &db,
                        SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
        sqlite3_busy_timeout(db, 5000) == SQLITE_OK)
        sqlite3_exec(db, "SELECT displayName, statusRaw, expiresAt FROM TrackedFile", add, &records,
                     nullptr);
    sqlite3_close(db);
    return records;
}

inline Record readRecord(const TempHome& home, const std::string& name) {
    const auto records = readRecords(home);
    const auto found = std::ranges::find(records, name, &Record::displayName);
    return found != records.end() ? *found : Record{};
}

inline bool reaches(const TempHome& home, const std::string& name, const std::string& status,
                    std::chrono::milliseconds timeout = 10s) {
    return waitFor([&] { return readRecord(home, name).status == status; }, timeout);
}

} // namespace fadebin::test
