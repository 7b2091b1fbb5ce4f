#include "intake/DownloadCompletionFilter.h"
#include "intake/DownloadsWatcher.h"
#include "platform/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// Real inotify on a real folder. Absence of events is shown with a sentinel: the kernel
// reports events of one watch in order, so once the sentinel arrives everything before it has.
class WatcherTest : public ::testing::Test {
protected:
    WatcherTest()
        : watcher(home.downloads()) {
        watcher.onItemEvent = [this](const path& p) { seen.push_back(p); };
    }

    path file(const std::string& name) const { return home.downloads() / name; }

    // Everything seen up to a fresh sentinel, the sentinel left out.
    std::vector<path> settle() {
        const path sentinel = file("sentinel-" + std::to_string(++sentinels));
        writeFile(sentinel, "");
        EXPECT_TRUE(
            waitFor([&] { return std::find(seen.begin(), seen.end(), sentinel) != seen.end(); }));
        std::vector<path> before;
        for (const auto& p : seen) {
            if (p == sentinel)
                break;
            before.push_back(p);
        }
        seen.clear();
        return before;
    }

    TempHome home;
    LogCapture log;
    DownloadsWatcher watcher;
    std::vector<path> seen;
    int sentinels = 0;
};

} // namespace

TEST_F(WatcherTest, ReportsDirectChildrenOnlyAndNotContentChanges) {
    std::filesystem::create_directory(file("sub"));
    writeFile(file("existing.txt"), "x");
    watcher.start();
    ASSERT_TRUE(watcher.isWatching());

    writeFile(file("new.pdf"), "pdf");
    EXPECT_EQ(settle(), (std::vector<path>{file("new.pdf")}));

    writeFile(file("sub") / "inner.txt", "inner");
    appendFile(file("existing.txt"), "more");
    ::chmod(file("existing.txt").c_str(), 0600);
    EXPECT_EQ(settle(), std::vector<path>{});

    writeFile(file("a.crdownload"), "partial");
    settle();
    std::filesystem::rename(file("a.crdownload"), file("a.pdf"));
    std::filesystem::remove(file("new.pdf"));
    EXPECT_EQ(settle(), (std::vector<path>{file("a.crdownload"), file("a.pdf"), file("new.pdf")}));
}

TEST_F(WatcherTest, StartTwiceWatchesOnceAndStopWhenStoppedIsSilent) {
    watcher.start();
    watcher.start();
    EXPECT_EQ(log.count("Watching %s"), 1);
    watcher.stop();
    watcher.stop();
    EXPECT_EQ(log.count("Stopped watching"), 1);

    writeFile(file("while-stopped"), "");
    watcher.start();
    EXPECT_EQ(settle(), std::vector<path>{}) << "no history is replayed";
}

TEST_F(WatcherTest, AFolderReachedThroughASymbolicLinkIsWatched) {
    std::filesystem::create_directory_symlink(home.downloads(), home.root() / "dl-link");
    DownloadsWatcher linked(home.root() / "dl-link");
    std::vector<path> linkedSeen;
    linked.onItemEvent = [&](const path& p) { linkedSeen.push_back(p); };
    linked.start();
    writeFile(file("through-link.txt"), "");
    EXPECT_TRUE(waitFor([&] { return !linkedSeen.empty(); }));
    EXPECT_EQ(linkedSeen, (std::vector<path>{file("through-link.txt")}));
}

TEST_F(WatcherTest, AMissingFolderIsLoggedAndLeavesTheWatcherStopped) {
    DownloadsWatcher missing(home.root() / "NoSuchFolder");
    missing.start();
    EXPECT_FALSE(missing.isWatching());
    EXPECT_EQ(log.count("inotify_add_watch failed for %s: %s"), 1);
}

TEST_F(WatcherTest, LosingTheFolderIsLoggedAndStopsTheWatcher) {
    watcher.start();
    std::filesystem::rename(home.downloads(), home.root() / "Renamed");
    EXPECT_TRUE(waitFor([&] { return !watcher.isWatching(); }));
    EXPECT_EQ(log.count("Lost the watch on %s"), 1);
}

TEST_F(WatcherTest, HostileNamesArriveWithTheirExactBytes) {
    watcher.start();
    const std::vector<std::string> names = {"new\nline", "\xff\xfe\xfd", "-n",
                                            std::string(255, 'L')};
    for (const auto& name : names)
        writeFile(file(name), "");
    std::vector<path> expected;
    for (const auto& name : names)
        expected.push_back(file(name));
    EXPECT_EQ(settle(), expected);
}

// The kernel drops events when its queue is full. Every finished download must still be
// reported exactly once: the watcher rescans the folder and the filter sorts it out.
TEST(WatcherOverflow, ABurstThatOverflowsTheQueueStillReportsEachFileOnce) {
    long limit = 0;
    {
        std::ifstream in("/proc/sys/fs/inotify/max_queued_events");
        in >> limit;
    }
    if (limit <= 0 || limit > 200'000)
        GTEST_SKIP() << "inotify queue limit " << limit << " is unknown or too large to fill here";
    TempHome home;
    LogCapture log;
    writeFile(home.downloads() / "before.txt", "old");
    ManualClock clock;
    DownloadsWatcher watcher(home.downloads());
    DownloadCompletionFilter filter(clock);
    std::map<path, int> completed;
    filter.onComplete = [&](const path& p) { ++completed[p]; };
    watcher.onItemEvent = [&](const path& p) { filter.handleItemEvent(p); };
    ASSERT_TRUE(filter.recordBaseline(home.downloads()).ok());
    watcher.start();
    ASSERT_TRUE(watcher.isWatching());

    // Nothing drains the kernel's queue during the burst: short-lived temporary files fill
    // it past its limit, and the downloads among them are lost from the event stream.
    watcher.holdEvents(true);
    constexpr int downloads = 60;
    for (long i = 0; i < limit / 2 + 64; ++i) {
        const path scratch = home.downloads() / (".scratch-" + std::to_string(i));
        writeFile(scratch, "");
        std::filesystem::remove(scratch);
        if (i % (limit / 2 / downloads) == 0)
            writeFile(home.downloads() / ("burst-" + std::to_string(i) + ".bin"), "payload");
    }
    std::filesystem::remove(home.downloads() / "before.txt");
    watcher.holdEvents(false);
    const auto written = listNames(home.downloads())->size();

    EXPECT_TRUE(waitFor([&] { return log.count("Events were lost; rescanning %s") > 0; }, 30s));
    EXPECT_TRUE(waitFor([&] { return filter.inFlightCount() == written; }, 30s));
    clock.advance(2s);
    EXPECT_GE(written, static_cast<std::size_t>(downloads));
    EXPECT_EQ(completed.size(), written);
    for (const auto& [p, times] : completed)
        EXPECT_EQ(times, 1) << p;
    EXPECT_FALSE(completed.contains(home.downloads() / "before.txt"));
}

TEST(WatcherPipeline, BrowserStyleDownloadThroughRealEventsIsCompletedOnce) {
    TempHome home;
    ManualClock clock;
    DownloadsWatcher watcher(home.downloads());
    DownloadCompletionFilter filter(clock);
    std::vector<path> completed;
    filter.onComplete = [&](const path& p) { completed.push_back(p); };
    watcher.onItemEvent = [&](const path& p) { filter.handleItemEvent(p); };
    ASSERT_TRUE(filter.recordBaseline(home.downloads()).ok());
    watcher.start();

    const path partial = home.downloads() / "setup.exe.crdownload";
    const path final = home.downloads() / "setup.exe";
    writeFile(partial, "begin");
    appendFile(partial, std::string(10'000, 'x'));
    std::filesystem::rename(partial, final);
    ASSERT_TRUE(waitFor([&] { return filter.inFlightCount() == 1; }));
    clock.advance(1500ms);
    EXPECT_EQ(completed, (std::vector<path>{final}));
}
