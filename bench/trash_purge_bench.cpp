// Emptying our own items from the Trash at scale: 10,000 downloads trashed by Fadebin beside
// 1,000 the user trashed and 90,000 scheduled files, a plan to free more than all of them
// (every record looked at), then one purge pass. Prints both times and what is left.
#include "expiry/ExpiryStore.h"
#include "expiry/FileDeleter.h"
#include "expiry/SpacePlan.h"
#include "platform/FolderListing.h"
#include "platform/Trash.h"
#include "support/ManualClock.h"

#include "BenchHome.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

using namespace fadebin;
using SteadyClock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bench::BenchHome home;
    const path& root = home.root;
    const path& downloads = home.downloads;

    constexpr int ours = 10'000;
    constexpr int theirs = 1'000;
    ManualClock clock(std::chrono::time_point_cast<Duration>(std::chrono::system_clock::now()));
    FileDeleter deleter;
    QString error;
    auto store = ExpiryStore::open(downloads, clock, deleter, error);
    if (!store) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(error));
        return 1;
    }
    {
        const ExpiryStore::SaveBatch batch(*store);
        for (int i = 0; i < ours; ++i) {
            const path file = downloads / ("file-" + std::to_string(i) + ".bin");
            std::ofstream(file) << "x";
            TrackedFile* record = store->addPending(file, std::nullopt);
            if (!record || store->deleteFile(*record, DeletionMethod::trash).kind !=
                               DeletionOutcome::Kind::deleted)
                return 1;
        }
    }
    for (int i = 0; i < theirs; ++i) {
        const path file = downloads / ("file-" + std::to_string(i) + ".bin");
        std::ofstream(file) << "theirs";
        if (!moveToTrash(file))
            return 1;
    }
    constexpr int scheduled = 90'000;
    {
        const ExpiryStore::SaveBatch batch(*store);
        for (int i = 0; i < scheduled; ++i) {
            const path file = downloads / ("timed-" + std::to_string(i) + ".bin");
            std::ofstream(file) << "timed";
            TrackedFile* record = store->addPending(file, std::nullopt);
            if (!record)
                return 1;
            store->apply(ExpiryOption::tenDays, *record, false);
        }
    }
    const std::clock_t planCpuStart = std::clock();
    const auto planStart = SteadyClock::now();
    const SpacePlan plan = planFreeing(*store, std::numeric_limits<qint64>::max());
    const double planSeconds =
        std::chrono::duration<double>(SteadyClock::now() - planStart).count();
    std::printf("plan over %d records (%zu steps, %lld bytes): %.3f s (target 0.5 s; %.3f s of "
                "processor time)\n",
                ours + scheduled, plan.steps.size(), static_cast<long long>(plan.total()),
                planSeconds, static_cast<double>(std::clock() - planCpuStart) / CLOCKS_PER_SEC);
    if (plan.steps.size() != static_cast<std::size_t>(ours + scheduled))
        return 1;
    clock.advance(std::chrono::days(31));

    // The processor time too: on a busy machine the wall time mostly measures the others.
    const std::clock_t cpuStart = std::clock();
    const auto start = SteadyClock::now();
    const std::size_t removed = store->purgeTrashed(clock.now() - std::chrono::days(30));
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const auto left = listNames(root / ".local/share/Trash/files");
    const std::size_t leftCount = left ? left->size() : 0;
    std::printf("purge of %d own trashed items beside %d of the user's: %.3f s (target 2 s; "
                "%.3f s of processor time), %zu removed, %zu left in the Trash\n",
                ours, theirs, seconds, cpuSeconds, removed, leftCount);
    return removed == ours && leftCount == theirs ? 0 : 1;
}
