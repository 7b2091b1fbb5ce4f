// The built program under a heavy user's load, measured from outside on a private session bus:
//   1. a burst of 10,000 small downloads: seconds from the last write until all are pending,
//      and how fast the bus answers List meanwhile (goals: 30 s, 0.5 s),
//   2. one bus call keeping 1,000 files, and one naming 100,000 missing files (1 s, 2 s),
//   3. 2,000 old files removed from Downloads while 300 files are scheduled: the program's
//      CPU time for it (0.5 s),
//   4. resident memory after all those downloads have ended, against the start (5 MB) and
//      against the memory after a single download had come and gone,
//   5. SIGTERM in the middle of a burst: seconds until the program has exited (1 s),
//   6. start with 100,000 files in Downloads and 10,000 active records (0.5 s and 1 s).
//
//   heavy_use_bench [program=the built fadebin] [burst=10000] [notch|headless] [settings JSON]
// The program argument lets the same load be put on an older build for comparison. With
// "notch" (the default) the program runs its notch on the offscreen platform, as on a desktop;
// "headless" measures the engine alone. Every
// wait has a ceiling, so an old build that cannot keep up is reported, not waited for.
#include "ProcessStats.h"
#include "support/PrivateBus.h"

#include <QCoreApplication>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QTemporaryDir>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

const QString service = QStringLiteral("com.ostrel.Fadebin");
const QString objectPath = QStringLiteral("/com/ostrel/Fadebin");
const QString interface = QStringLiteral("com.ostrel.Fadebin1");

double secondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// CPU seconds the process has used (all threads), from /proc/PID/stat.
double cpuSeconds(qint64 pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

void writeFiles(const fs::path& folder, const std::string& prefix, int count) {
    for (int i = 0; i < count; ++i)
        std::ofstream(folder / (prefix + std::to_string(i) + ".bin")) << i;
}

class Session {
public:
    Session(QString program, bool notch)
        : m_program(std::move(program))
        , m_notch(notch) {
        m_root = fs::path(m_dir.path().toStdString());
        fs::create_directories(downloads());
        m_connection.emplace(QDBusConnection::connectToBus(m_address, QStringLiteral("bench")));
    }
    ~Session() {
        stop();
        QDBusConnection::disconnectFromBus(QStringLiteral("bench"));
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    [[nodiscard]] fs::path downloads() const { return m_root / "Downloads"; }

    bool start() {
        QProcessEnvironment env = fadebin::bench::homeEnvironment(m_root);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        if (m_notch)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        else
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        m_process.setProcessEnvironment(env);
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QString::fromStdString((m_root / "log.txt").native()),
                                       QIODevice::Append);
        const auto begin = SteadyClock::now();
        m_process.start(m_program, {});
        if (!m_process.waitForStarted(10'000))
            return false;
        // Up once the bus answers.
        while (secondsSince(begin) < 60) {
            if (list(1s))
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // Seconds from SIGTERM to the exit, if it came within the limit.
    std::optional<double> stop(std::chrono::seconds limit = 30s) {
        if (m_process.state() == QProcess::NotRunning)
            return std::nullopt;
        const auto begin = SteadyClock::now();
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        const bool ended = m_process.waitForFinished(static_cast<int>(limit.count() * 1000));
        const double took = secondsSince(begin);
        if (!ended) {
            m_process.kill();
            m_process.waitForFinished(5'000);
            return std::nullopt;
        }
        return took;
    }

    [[nodiscard]] qint64 pid() const { return m_process.processId(); }

    // The List call's answer: how many files it named, if it came within the limit.
    std::optional<int> list(std::chrono::milliseconds limit) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service, objectPath, interface, QStringLiteral("List"));
        const QDBusMessage reply =
            m_connection->call(call, QDBus::Block, static_cast<int>(limit.count()));
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return std::nullopt;
        const QDBusArgument files = reply.arguments().front().value<QDBusArgument>();
        int count = 0;
        files.beginArray();
        while (!files.atEnd()) {
            [[maybe_unused]] const QVariant entry = files.asVariant();
            ++count;
        }
        files.endArray();
        return count;
    }

    // Seconds a call taking these paths took, if it was answered within the limit.
    std::optional<double> call(const QString& method, const QList<QByteArray>& paths,
                               const QVariantList& more = {}, std::chrono::seconds limit = 120s) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(service, objectPath, interface, method);
        QVariantList arguments{QVariant::fromValue(paths)};
        arguments.append(more);
        message.setArguments(arguments);
        const auto begin = SteadyClock::now();
        const QDBusMessage reply =
            m_connection->call(message, QDBus::Block, static_cast<int>(limit.count() * 1000));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return std::nullopt;
        return secondsSince(begin);
    }

    // Waits until List names `count` files; seconds it took, if within the limit.
    std::optional<double> waitForListed(int count, std::chrono::seconds limit,
                                        std::vector<double>* latencies = nullptr,
                                        int* reached = nullptr) {
        const auto begin = SteadyClock::now();
        while (secondsSince(begin) < static_cast<double>(limit.count())) {
            const auto asked = SteadyClock::now();
            const std::optional<int> listed = list(10s);
            if (latencies)
                latencies->push_back(listed ? secondsSince(asked) : 10.0);
            if (listed && reached)
                *reached = *listed;
            if (listed && *listed == count)
                return secondsSince(begin);
            std::this_thread::sleep_for(250ms);
        }
        return std::nullopt;
    }

private:
    QString m_program;
    bool m_notch = true;
    QTemporaryDir m_dir;
    fs::path m_root;
    fadebin::test::PrivateBus m_bus;
    const QString m_address = m_bus.address();
    std::optional<QDBusConnection> m_connection;
    QProcess m_process;
};

QList<QByteArray> pathsOf(const fs::path& folder, const std::string& prefix, int from, int to) {
    QList<QByteArray> paths;
    for (int i = from; i < to; ++i)
        paths.append(
            QByteArray::fromStdString((folder / (prefix + std::to_string(i) + ".bin")).native()));
    return paths;
}

// Waits until the process has used no CPU for a second; the CPU seconds used since `before`.
double settledCpu(qint64 pid, double before, std::chrono::seconds limit = 120s) {
    const auto begin = SteadyClock::now();
    double last = cpuSeconds(pid);
    while (secondsSince(begin) < static_cast<double>(limit.count())) {
        std::this_thread::sleep_for(1s);
        const double now = cpuSeconds(pid);
        if (now - last < 0.02)
            break;
        last = now;
    }
    return cpuSeconds(pid) - before;
}

void print(const char* what, std::optional<double> value, const char* goal) {
    if (value)
        std::printf("%-58s %8.3f s   (goal %s)\n", what, *value, goal);
    else
        std::printf("%-58s   no answer within the limit   (goal %s)\n", what, goal);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<QList<QByteArray>>();
    const QString program = argc > 1 && argv[1][0] != 0 ? QString::fromLocal8Bit(argv[1])
                                                        : QStringLiteral(FADEBIN_PROGRAM);
    const int burst = argc > 2 ? std::atoi(argv[2]) : 10'000;
    const bool notch = argc <= 3 || std::string(argv[3]) != "headless";
    std::printf("program: %s, burst of %d, %s\n", qPrintable(program), burst,
                notch ? "notch on the offscreen platform" : "headless");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    Session session(program, notch);
    // Settings to measure under, such as {"displayMode": "hoverOnly"}: the panel then stays
    // collapsed through the burst.
    if (argc > 4) {
        const fs::path config = session.downloads().parent_path() / ".config/Fadebin";
        fs::create_directories(config);
        std::ofstream(config / "defaults.json") << argv[4];
    }
    writeFiles(session.downloads(), "old-", 2'000);
    if (!session.start()) {
        std::fprintf(stderr, "the program did not come up on the bus\n");
        return 1;
    }
    std::this_thread::sleep_for(2s);
    const long startRss = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
    // Where the resident memory grows: after each phase, over the start.
    const auto memoryNow = [&](const char* after) {
        const long rss = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
        std::printf("  memory after %-44s %+8.1f MB\n", after, (rss - startRss) / 1024.0);
    };
    // A second reference: after one download came and went, so that what the first one
    // builds once (the open panel's pages, glyphs, code first run) is told from what stays.
    writeFiles(session.downloads(), "warm-", 1);
    [[maybe_unused]] const auto warmed = session.waitForListed(1, 30s);
    fs::remove(session.downloads() / "warm-0.bin");
    [[maybe_unused]] const auto gone = session.waitForListed(0, 30s);
    std::this_thread::sleep_for(8s);
    const long warmRss = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
    memoryNow("one download that came and went");

    // 1. The burst.
    writeFiles(session.downloads(), "burst-", burst);
    std::vector<double> latencies;
    int reached = 0;
    const std::optional<double> allPending =
        session.waitForListed(burst, 180s, &latencies, &reached);
    print("burst: last write to all pending", allPending, "<= 30 s");
    if (!allPending)
        std::printf("%-58s %8d of %d\n", "  pending when given up", reached, burst);
    std::printf("%-58s %8.3f s / %.3f s  (goal <= 0.5 s)\n",
                "burst: List answered in (median / worst)", median(latencies),
                latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end()));

    memoryNow("the burst");

    // 2. Bulk calls.
    const int kept = std::min(1'000, burst);
    print("one call keeping 1,000 files",
          session.call(QStringLiteral("Keep"), pathsOf(session.downloads(), "burst-", 0, kept)),
          "<= 1 s");
    const int scheduled = std::min(300, burst - kept);
    [[maybe_unused]] const auto decided = session.call(
        QStringLiteral("SetExpiry"), pathsOf(session.downloads(), "burst-", kept, kept + scheduled),
        {QStringLiteral("oneDay")});
    memoryNow("keeping 1,000 and scheduling 300");
    print(
        "one call naming 100,000 missing files",
        session.call(QStringLiteral("Keep"), pathsOf(session.downloads(), "missing-", 0, 100'000)),
        "<= 2 s");

    memoryNow("the call naming 100,000 missing files");

    // 3. The vacate storm.
    std::this_thread::sleep_for(2s);
    const double idleCpu = cpuSeconds(session.pid());
    for (int i = 0; i < 2'000; ++i)
        fs::remove(session.downloads() / ("old-" + std::to_string(i) + ".bin"));
    print("2,000 old files removed, 300 scheduled: CPU time", settledCpu(session.pid(), idleCpu),
          "<= 0.5 s");

    // 4. Everything ends.
    for (int i = kept; i < burst; ++i)
        fs::remove(session.downloads() / ("burst-" + std::to_string(i) + ".bin"));
    if (!session.waitForListed(0, 180s))
        std::printf("the ended files were still listed after 180 s\n");
    std::this_thread::sleep_for(8s); // a quiet moment: what goes back to the system has gone
    const long endRss = fadebin::bench::memoryOf(static_cast<pid_t>(session.pid())).rssKb;
    std::printf("%-58s %8.1f MB  (start %.1f MB, goal within 5 MB)\n",
                "resident memory after all ended, over the start", (endRss - startRss) / 1024.0,
                startRss / 1024.0);
    std::printf("%-58s %8.1f MB\n", "  the same over the memory after one download",
                (endRss - warmRss) / 1024.0);

    // 5. SIGTERM in the middle of a burst.
    writeFiles(session.downloads(), "second-", burst);
    std::this_thread::sleep_for(3s);
    print("SIGTERM during a burst: until exit", session.stop(), "<= 1 s");

    // 6. Start with a big Downloads and many active records: files already there at a start
    // are not new downloads, so a third burst makes the records, then 88,000 files join them.
    if (!session.start()) {
        std::printf("the program did not come up again; start not measured\n");
        return 0;
    }
    const int before = session.list(10s).value_or(0);
    writeFiles(session.downloads(), "third-", burst);
    if (!session.waitForListed(before + burst, 180s)) {
        std::printf("the third burst was not all pending after 180 s; start not measured\n");
        return 0;
    }
    [[maybe_unused]] const auto stopped = session.stop();
    writeFiles(session.downloads(), "quiet-", 100'000 - 2 * burst - kept);
    std::vector<double> starts;
    for (int run = 0; run < 5; ++run) {
        const auto begin = SteadyClock::now();
        if (!session.start())
            break;
        starts.push_back(secondsSince(begin));
        [[maybe_unused]] const auto ended = session.stop();
    }
    std::printf("%-58s %8.3f s   (goal <= 1 s)\n",
                "start, 100,000 files, 10,000+ active: until List answers (median)",
                median(starts));
    return 0;
}
