// The built program, measured from outside as a user would meet it, each part in its own
// temporary home:
//   1. wake-ups while idle with nothing pending (context switches of all its threads),
//   2. time from exec to "Fadebin started" with 10,000 files already in Downloads,
//   3. time from a download's final rename to its pending record in the database.
//
//   program_bench [idleSeconds=30]
#include "ProcessStats.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;

namespace {

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5)];
}

class Home {
public:
    Home() {
        if (!m_dir.isValid())
            throw std::runtime_error("cannot create a temporary folder");
        m_root = fs::path(m_dir.path().toStdString());
        fs::create_directories(downloads());
    }
    [[nodiscard]] fs::path downloads() const { return m_root / "Downloads"; }
    [[nodiscard]] fs::path database() const {
        return m_root / ".local/share/Fadebin/Fadebin.store";
    }
    [[nodiscard]] QProcessEnvironment environment() const {
        QProcessEnvironment env = fadebin::bench::homeEnvironment(m_root);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

private:
    QTemporaryDir m_dir;
    fs::path m_root;
};

class Program {
public:
    explicit Program(const Home& home) {
        m_process.setProcessEnvironment(home.environment());
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setReadChannel(QProcess::StandardError);
    }
    ~Program() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(10'000))
                m_process.kill();
            m_process.waitForFinished(5'000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Seconds from the start request to the "Fadebin started" line, if it came.
    std::optional<double> start() {
        const auto begin = SteadyClock::now();
        m_process.start(QStringLiteral(FADEBIN_PROGRAM), {});
        QByteArray log;
        while (m_process.waitForReadyRead(10'000) || m_process.bytesAvailable() > 0) {
            log += m_process.readAllStandardError();
            if (log.contains("Fadebin started"))
                return secondsSince(begin);
        }
        return std::nullopt;
    }

    [[nodiscard]] qint64 pid() const { return m_process.processId(); }
    // Keeps the program from ever blocking on a full stderr pipe.
    void drainLog() {
        while (m_process.waitForReadyRead(0))
            m_process.readAllStandardError();
    }

private:
    QProcess m_process;
};

// Voluntary and involuntary context switches of every thread of the process.
long contextSwitches(qint64 pid, int* threads = nullptr) {
    long total = 0;
    if (threads)
        *threads = 0;
    std::error_code ec;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream status(task.path() / "status");
        if (threads)
            ++*threads;
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("voluntary_ctxt_switches:") ||
                line.starts_with("nonvoluntary_ctxt_switches:"))
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

int idleWakeups(int seconds) {
    Home home;
    Program program(home);
    if (!program.start())
        return 1;
    // Let start-up work finish before counting.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    program.drainLog();
    int threads = 0;
    const long before = contextSwitches(program.pid(), &threads);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long after = contextSwitches(program.pid());
    std::printf("idle: %ld context switches in %d s over %d threads (%ld since exec), %.2f/s "
                "(goal <= 0.2/s)\n",
                after - before, seconds, threads, after,
                static_cast<double>(after - before) / seconds);
    return 0;
}

int startup() {
    constexpr int files = 10'000;
    constexpr int runs = 5;
    Home home;
    for (int i = 0; i < files; ++i)
        std::ofstream(home.downloads() / ("existing-" + std::to_string(i) + ".txt")) << i;
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        Program program(home);
        const std::optional<double> took = program.start();
        if (!took) {
            std::fprintf(stderr, "no \"Fadebin started\" line (is the journal taking the log?)\n");
            return 1;
        }
        times.push_back(*took);
    }
    std::printf("start-up with %d files in Downloads: median %.0f ms, best %.0f ms over %d runs "
                "(goal <= 150 ms)\n",
                files, percentile(times, 0.5) * 1000, percentile(times, 0) * 1000, runs);
    return 0;
}

class RecordQuery {
public:
    explicit RecordQuery(const fs::path& database) {
        sqlite3_open_v2(database.c_str(), &m_db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_busy_timeout(m_db, 1000);
        sqlite3_prepare_v2(m_db, "SELECT 1 FROM TrackedFile WHERE displayName = ?", -1, &m_query,
                           nullptr);
    }
    ~RecordQuery() {
        sqlite3_finalize(m_query);
        sqlite3_close(m_db);
    }
    RecordQuery(const RecordQuery&) = delete;
    RecordQuery& operator=(const RecordQuery&) = delete;

    bool contains(const std::string& name) {
        sqlite3_reset(m_query);
        sqlite3_bind_text(m_query, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        return sqlite3_step(m_query) == SQLITE_ROW;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_query = nullptr;
};

int pendingLatency() {
    constexpr int downloads = 50;
    Home home;
    Program program(home);
    if (!program.start())
        return 1;
    RecordQuery query(home.database());
    std::vector<double> latencies;
    for (int i = 0; i < downloads; ++i) {
        const std::string name = "file-" + std::to_string(i) + ".zip";
        const fs::path partial = home.downloads() / (name + ".crdownload");
        std::ofstream(partial, std::ios::binary) << std::string(256 * 1024, 'x');
        // A download takes a moment between its first byte and its final rename.
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        fs::rename(partial, home.downloads() / name);
        const auto renamedAt = SteadyClock::now();
        QDeadlineTimer deadline(10'000);
        while (!query.contains(name)) {
            if (deadline.hasExpired()) {
                std::fprintf(stderr, "%s was not recorded within 10 s\n", name.c_str());
                return 1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        latencies.push_back(secondsSince(renamedAt));
        program.drainLog();
    }
    std::printf("rename -> pending record over %d downloads: p50 %.3f s, p95 %.3f s, max %.3f s "
                "(goal p95 <= 1.6 s)\n",
                downloads, percentile(latencies, 0.5), percentile(latencies, 0.95),
                percentile(latencies, 1));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (int failed = startup())
        return failed;
    if (int failed = pendingLatency())
        return failed;
    return idleWakeups(idleSeconds);
}
