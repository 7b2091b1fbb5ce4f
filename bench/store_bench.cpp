// The expiry engine at scale: a Downloads folder of 10,000 files of which 1,000 carry the
// expiry attribute. Prints store open + rebuild from attributes, reconcile over 1,000
// active records, and a sweep that deletes all 1,000 (per file).
#include "expiry/ExpiryScheduler.h"
#include "expiry/ExpiryStore.h"
#include "expiry/FileDeleter.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"
#include "settings/AppSettings.h"
#include "support/ManualClock.h"

#include "BenchHome.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using namespace fadebin;
using SteadyClock = std::chrono::steady_clock;

namespace {

double millisecondsSince(SteadyClock::time_point start) {
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::BenchHome home;
    const path& root = home.root;
    const path& downloads = home.downloads;

    ManualClock clock(std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now()));
    FileDeleter deleter;
    const QByteArray expiry = formatExpiry(clock.now() + std::chrono::hours(1));
    for (int i = 0; i < 10'000; ++i) {
        const path file = downloads / ("file-" + std::to_string(i) + ".bin");
        std::ofstream(file) << "x";
        if (i % 10 == 0 && !writeXattr(file, expiryAttribute, expiry).ok())
            return 1;
    }

    auto start = SteadyClock::now();
    QString error;
    auto store = ExpiryStore::open(downloads, clock, deleter, error);
    if (!store) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(error));
        return 1;
    }
    store->recoverFromExtendedAttributes();
    const double openAndRecover = millisecondsSince(start);
    const auto active = store->activeFiles().size();

    start = SteadyClock::now();
    store->reconcile();
    const double reconcile = millisecondsSince(start);

    SettingsFile defaults(root / ".config/Fadebin/defaults.json");
    AutostartLoginItem login(root / ".config/autostart/fadebin.desktop", "/usr/bin/fadebin");
    AppSettings settings(defaults, login);
    ExpiryScheduler scheduler(*store, settings, deleter, clock);
    int deleted = 0;
    scheduler.onDeletion = [&](const DeletionEvent& e) {
        deleted += static_cast<int>(e.names.size());
    };
    clock.jumpWallClock(std::chrono::hours(2));
    start = SteadyClock::now();
    scheduler.sweep();
    const double sweep = millisecondsSince(start);

    std::printf("records rebuilt: %zu, deleted by the sweep: %d\n", active, deleted);
    std::printf("store open + recoverFromExtendedAttributes: %.1f ms (goal <= 150 ms)\n",
                openAndRecover);
    std::printf("reconcile with %zu active records: %.2f ms (goal <= 10 ms)\n", active, reconcile);
    std::printf("sweep deleting %d due files: %.1f ms, %.3f ms per file\n", deleted, sweep,
                deleted > 0 ? sweep / deleted : 0.0);
    return deleted == 1000 ? 0 : 1;
}
