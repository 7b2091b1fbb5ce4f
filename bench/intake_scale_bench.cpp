// Intake with a Downloads folder of 100,000 files: how long starting takes and how much
// resident memory every file already in the folder costs once it is accounted for.
//
// Each measurement runs in a fresh child process (this program with --child) so that the
// heap of one does not flatter the next. The memory per known file is the growth of the
// resident set over the start with 100,000 files, less the growth with an empty folder,
// divided by 100,000.
//
//   intake_scale_bench [files=100000]
//   intake_scale_bench --child intake|model FILES
#include "app/AppModel.h"
#include "intake/DownloadCompletionFilter.h"
#include "intake/DownloadsWatcher.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

using namespace fadebin;
using SteadyClock = std::chrono::steady_clock;

namespace {

long residentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:"))
            return std::stol(line.substr(6));
    return -1;
}

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// Names of the length real downloads have, all different.
void fill(const path& folder, long files) {
    char name[64];
    for (long i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "Quarterly report %06ld (final).pdf", i);
        const int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, "x", 1) != 1) {
            std::perror("cannot create the files");
            std::exit(1);
        }
        ::close(fd);
    }
}

class NoFileManager : public FileManager {
public:
    void reveal(const path&) override {}
    void showFolder(const path&) override {}
};

// Prints "milliseconds residentKbBefore residentKbAfter".
int child(const std::string& what, long files, int argc, char** argv) {
    QCoreApplication app(argc, argv);
    test::TempHome home;
    const path downloads = home.downloads();
    fill(downloads, files);
    ManualClock clock;

    if (what == "intake") {
        DownloadCompletionFilter filter(clock);
        DownloadsWatcher watcher(downloads);
        watcher.onItemEvent = [&](const path& p) { filter.handleItemEvent(p); };
        const long before = residentKb();
        const auto start = SteadyClock::now();
        watcher.start();
        if (!filter.recordBaseline(downloads).ok())
            return 1;
        const double took = millisecondsSince(start);
        std::printf("%.1f %ld %ld\n", took, before, residentKb());
        return watcher.isWatching() ? 0 : 1;
    }

    SettingsFile defaults(home.configHome() / "Fadebin/defaults.json");
    AutostartLoginItem loginItem(home.configHome() / "autostart/fadebin.desktop",
                                 "/usr/bin/fadebin");
    AppSettings settings(defaults, loginItem);
    NoFileManager fileManager;
    AppModel model(settings, clock, fileManager, downloads);
    const long before = residentKb();
    const auto start = SteadyClock::now();
    model.start();
    const double took = millisecondsSince(start);
    std::printf("%.1f %ld %ld\n", took, before, residentKb());
    return model.watcher() && model.watcher()->isWatching() ? 0 : 1;
}

struct Run {
    double milliseconds = 0;
    long grownKb = 0;
};

std::optional<Run> measure(const char* self, const char* what, long files) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString::fromLocal8Bit(self),
                  {QStringLiteral("--child"), QString::fromLatin1(what), QString::number(files)});
    if (!process.waitForFinished(600'000) || process.exitCode() != 0)
        return std::nullopt;
    double ms = 0;
    long before = 0;
    long after = 0;
    if (std::sscanf(process.readAllStandardOutput().constData(), "%lf %ld %ld", &ms, &before,
                    &after) != 3)
        return std::nullopt;
    return Run{ms, after - before};
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return child(argv[2], std::atol(argv[3]), 1, argv);

    QCoreApplication app(argc, argv);
    const long files = argc > 1 ? std::atol(argv[1]) : 100'000;
    for (const char* what : {"intake", "model"}) {
        const auto empty = measure(argv[0], what, 0);
        // The machine may be busy: the median of three runs with the full folder.
        std::vector<Run> runs;
        for (int i = 0; i < 3; ++i)
            if (const auto run = measure(argv[0], what, files))
                runs.push_back(*run);
        if (!empty || runs.size() != 3) {
            std::fprintf(stderr, "the %s run failed\n", what);
            return 1;
        }
        std::ranges::sort(runs, {}, &Run::milliseconds);
        const Run* full = &runs[1];
        const double perFile = static_cast<double>(full->grownKb - empty->grownKb) * 1024.0 /
                               static_cast<double>(files);
        std::printf("%s start with %ld files: median %.0f ms, best %.0f ms (empty folder %.0f ms); "
                    "resident growth %.1f MB (empty folder %.1f MB), %.0f bytes per known file "
                    "(goals <= 500 ms, <= 150 bytes)\n",
                    what, files, full->milliseconds, runs[0].milliseconds, empty->milliseconds,
                    full->grownKb / 1024.0, empty->grownKb / 1024.0, perFile);
    }
    return 0;
}
