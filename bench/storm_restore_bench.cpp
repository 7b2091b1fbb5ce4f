// The built program under two loads that once grew with their size, measured from outside on a
// private session bus, each in its own temporary home:
//   1. a rename storm: two files in Downloads trading places (renameat2 RENAME_EXCHANGE) in a
//      loop for 20 s; the growth of resident memory meanwhile (goal: 20 MB) and how long after
//      the storm's end List is answered (goal: 2 s),
//   2. one Restore call naming 500 files with 20,000 of ours in the Trash: how long it takes
//      (goal: 2 s), and the slowest List answer meanwhile (goal: 0.5 s).
//
//   storm_restore_bench [stormSeconds=20] [trashed=20000] [restores=500]
#include "ProcessStats.h"
#include "support/PrivateBus.h"

#include "app/BusService.h"

#include <QCoreApplication>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// CPU seconds the process has used (all threads), from /proc/PID/stat: on a machine busy with
// other work the wall-clock figures grow, this does not.
double cpuSeconds(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// The program on its own bus in its own home, and calls to it.
class Session {
public:
    Session() {
        m_root = fs::path(m_dir.path().toStdString());
        fs::create_directories(downloads());
    }
    ~Session() {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
            if (!m_process.waitForFinished(30'000))
                m_process.kill();
        }
    }
    [[nodiscard]] fs::path downloads() const { return m_root / "Downloads"; }
    [[nodiscard]] qint64 pid() const { return m_process.processId(); }

    bool start() {
        QProcessEnvironment env = fadebin::bench::homeEnvironment(m_root);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QString::fromStdString((m_root / "log.txt").native()));
        m_process.start(QStringLiteral(FADEBIN_PROGRAM), {});
        const auto begin = SteadyClock::now();
        while (m_process.waitForStarted(10'000) && secondsSince(begin) < 60)
            if (list(1s))
                return true;
        return false;
    }

    // Seconds a call took, if answered within the limit; each thread calls through a connection
    // of its own (via).
    std::optional<double> call(const QString& method, const QVariantList& arguments,
                               std::chrono::milliseconds limit, const QString& via = "main") {
        QDBusConnection connection = QDBusConnection::connectToBus(m_address, via + m_address);
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("com.ostrel.Fadebin"), fadebin::BusService::objectPath,
            fadebin::BusService::interfaceName, method);
        message.setArguments(arguments);
        const auto begin = SteadyClock::now();
        const QDBusMessage reply =
            connection.call(message, QDBus::Block, static_cast<int>(limit.count()));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return std::nullopt;
        return secondsSince(begin);
    }
    std::optional<double> list(std::chrono::milliseconds limit, const QString& via = "main") {
        return call(QStringLiteral("List"), {}, limit, via);
    }

private:
    QTemporaryDir m_dir;
    fs::path m_root;
    fadebin::test::PrivateBus m_bus;
    const QString m_address = m_bus.address();
    QProcess m_process;
};

QList<QByteArray> pathsOf(const Session& session, int count) {
    QList<QByteArray> paths;
    for (int i = 0; i < count; ++i)
        paths.append(QByteArray::fromStdString(
            (session.downloads() / ("t" + std::to_string(i) + ".bin")).native()));
    return paths;
}

void renameStorm(int seconds) {
    Session session;
    const fs::path a = session.downloads() / "a.bin", b = session.downloads() / "b.bin";
    std::ofstream(a) << "a";
    std::ofstream(b) << "b";
    if (!session.start()) {
        std::printf("the program did not start\n");
        return;
    }
    fadebin::bench::waitUntilIdle(static_cast<pid_t>(session.pid()));
    const long before = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
    std::atomic<bool> storming{true};
    long peak = before;
    std::thread sampler([&] {
        while (storming) {
            peak =
                std::max(peak, fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb);
            std::this_thread::sleep_for(100ms);
        }
    });
    long exchanges = 0;
    const double cpuBefore = cpuSeconds(session.pid());
    const auto begin = SteadyClock::now();
    while (secondsSince(begin) < seconds)
        for (int i = 0; i < 1000; ++i, ++exchanges)
            ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    storming = false;
    sampler.join();
    const auto ended = SteadyClock::now();
    const std::optional<double> answered = session.list(60s);
    const long after = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
    std::printf("rename storm: %ld exchanges in %d s; the program used %.1f s of CPU\n", exchanges,
                seconds, cpuSeconds(session.pid()) - cpuBefore);
    std::printf("  resident memory %.1f MB before, %.1f MB at the peak (growth %.1f MB, goal 20)"
                ", %.1f MB after\n",
                before / 1024.0, peak / 1024.0, (peak - before) / 1024.0, after / 1024.0);
    if (answered)
        std::printf("  List answered %.2f s after the storm's end (goal 2)\n", secondsSince(ended));
    else
        std::printf("  List not answered within 60 s of the storm's end\n");
}

void restores(int trashed, int restored) {
    Session session;
    for (int i = 0; i < trashed; ++i)
        std::ofstream(session.downloads() / ("t" + std::to_string(i) + ".bin")) << i;
    if (!session.start()) {
        std::printf("the program did not start\n");
        return;
    }
    const QList<QByteArray> all = pathsOf(session, trashed);
    const auto setUp = SteadyClock::now();
    if (!session.call(QStringLiteral("Keep"), {QVariant::fromValue(all)}, 600s) ||
        !session.call(QStringLiteral("DeleteNow"), {QVariant::fromValue(all)}, 600s)) {
        std::printf("could not trash %d files through the program\n", trashed);
        return;
    }
    std::printf("restores: %d files trashed by the program in %.1f s\n", trashed,
                secondsSince(setUp));
    fadebin::bench::waitUntilIdle(static_cast<pid_t>(session.pid()));

    std::atomic<bool> restoring{true};
    double slowestList = 0;
    int lists = 0;
    std::thread lister([&] {
        while (restoring) {
            const std::optional<double> took = session.list(60s, QStringLiteral("lister"));
            slowestList = std::max(slowestList, took.value_or(60));
            ++lists;
            std::this_thread::sleep_for(50ms);
        }
    });
    const double cpuBefore = cpuSeconds(session.pid());
    const std::optional<double> took =
        session.call(QStringLiteral("Restore"), {QVariant::fromValue(all.mid(0, restored))}, 600s);
    restoring = false;
    lister.join();
    int back = 0;
    for (const QByteArray& p : all.mid(0, restored))
        back += fs::exists(p.toStdString()) ? 1 : 0;
    if (took)
        std::printf("  %d restores (%d back in Downloads) in %.2f s (goal 2), %.2f s of the "
                    "program's CPU\n",
                    restored, back, *took, cpuSeconds(session.pid()) - cpuBefore);
    else
        std::printf("  %d restores not answered within 600 s\n", restored);
    std::printf("  slowest of %d List calls meanwhile: %.3f s (goal 0.5)\n", lists, slowestList);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    fadebin::registerBusTypes();
    const int stormSeconds = argc > 1 ? std::atoi(argv[1]) : 20;
    const int trashed = argc > 2 ? std::atoi(argv[2]) : 20'000;
    const int restored = argc > 3 ? std::atoi(argv[3]) : 500;
    if (stormSeconds > 0)
        renameStorm(stormSeconds);
    if (trashed > 0)
        restores(trashed, std::min(restored, trashed));
    return 0;
}
