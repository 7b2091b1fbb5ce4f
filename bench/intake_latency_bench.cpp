// Time from a download's final rename to onComplete, with real inotify and the real
// clock, over 50 downloads written the way a browser writes them (partial name, data,
// final rename).
#include "intake/DownloadCompletionFilter.h"
#include "intake/DownloadsWatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

using namespace fadebin;
using SteadyClock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const path downloads = resolvedPath(dir.path().toStdString());
    DownloadsWatcher watcher(downloads);
    DownloadCompletionFilter filter(Clock::system());
    std::map<path, SteadyClock::time_point> completedAt;
    filter.onComplete = [&](const path& p) { completedAt[p] = SteadyClock::now(); };
    watcher.onItemEvent = [&](const path& p) { filter.handleItemEvent(p); };
    if (!filter.recordBaseline(downloads).ok())
        return 1;
    watcher.start();

    constexpr int downloadsCount = 50;
    std::vector<double> latencies;
    for (int i = 0; i < downloadsCount; ++i) {
        const path partial = downloads / ("file-" + std::to_string(i) + ".zip.crdownload");
        const path final = downloads / ("file-" + std::to_string(i) + ".zip");
        {
            std::ofstream out(partial, std::ios::binary);
            out << std::string(256 * 1024, 'x');
        }
        // A download takes a moment between its first byte and its final rename; let the
        // partial file's event go by as it would.
        QDeadlineTimer writing(400);
        while (!writing.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        std::filesystem::rename(partial, final);
        const auto renamedAt = SteadyClock::now();
        QDeadlineTimer deadline(5000);
        while (!completedAt.contains(final) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (!completedAt.contains(final)) {
            std::fprintf(stderr, "download %d was not reported within 5 s\n", i);
            return 1;
        }
        latencies.push_back(std::chrono::duration<double>(completedAt[final] - renamedAt).count());
    }
    std::sort(latencies.begin(), latencies.end());
    auto percentile = [&](double p) {
        return latencies[static_cast<std::size_t>(p * (latencies.size() - 1) + 0.5)];
    };
    std::printf("rename -> onComplete over %d downloads: p50 %.3f s, p95 %.3f s, max %.3f s "
                "(floor 1.5 s, goal p95 <= 1.6 s)\n",
                downloadsCount, percentile(0.5), percentile(0.95), latencies.back());
    return 0;
}
