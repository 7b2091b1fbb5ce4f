#include "intake/DownloadCompletionFilter.h"
#include "intake/DownloadsWatcher.h"
#include "platform/Translations.h"
#include "support/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <set>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;
using Paths = std::vector<path>;

namespace {

// Real inotify on a real folder. Absence of events is shown with a sentinel: the kernel
// reports events of one watch in order, so once the sentinel arrives everything before it has.
class WatcherTest : public ::testing::Test {
protected:
    WatcherTest() {
        watcher.onItemEvent = [this](const path& p) { seen.push_back(p); };
    }
    path file(const std::string& name) const { return home.downloads() / name; }

    // Everything seen up to a fresh sentinel, the sentinel left out.
    Paths settle() {
        const path sentinel = file("sentinel-" + std::to_string(++sentinels));
        writeFile(sentinel, "");
        EXPECT_TRUE(waitFor([&] { return std::ranges::find(seen, sentinel) != seen.end(); }));
        Paths before(seen.begin(), std::ranges::find(seen, sentinel));
        seen.clear();
        return before;
    }

    TempHome home;
    LogCapture log;
    DownloadsWatcher watcher{home.downloads()};
    Paths seen;
    int sentinels = 0;
};

// The watcher feeding the filter on a manual clock.
struct Pipeline {
    explicit Pipeline(const path& folder)
        : watcher(folder) {
        filter.onComplete = [this](const path& p) { completed.push_back(p); };
        filter.onVacated = [this](const path& p) { vacated.push_back(p); };
        watcher.onItemEvent = [this](const path& p) { filter.handleItemEvent(p); };
        watcher.knownNames = [this] { return filter.knownNames(); };
        EXPECT_TRUE(filter.recordBaseline(folder).ok());
        watcher.start();
        EXPECT_TRUE(watcher.isWatching());
    }
    ManualClock clock;
    DownloadsWatcher watcher;
    DownloadCompletionFilter filter{clock};
    Paths completed, vacated;
};

// Threads of this process named as the inotify reader names its own.
int readerThreads() {
    int named = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
        named += readFile(task.path() / "comm") == std::string(DirectoryEvents::threadName) + "\n";
    return named;
}

} // namespace

TEST_F(WatcherTest, ReportsDirectChildrenOnlyAndNotContentChangesWhileStarted) {
    std::filesystem::create_directory(file("sub"));
    writeFile(file("existing.txt"), "x");
    watcher.start();
    watcher.start();
    EXPECT_EQ(log.count("Watching %s"), 1);
    writeFile(file("new.pdf"), "pdf");
    EXPECT_EQ(settle(), Paths{file("new.pdf")});

    writeFile(file("sub") / "inner.txt", "inner");
    appendFile(file("existing.txt"), "more");
    ::chmod(file("existing.txt").c_str(), 0600);
    EXPECT_EQ(settle(), Paths{});

    writeFile(file("a.crdownload"), "partial");
    settle();
    Paths movedAway;
    watcher.onMovedAway = [&](const path& p) { movedAway.push_back(p); };
    std::filesystem::rename(file("a.crdownload"), file("a.pdf"));
    std::filesystem::remove(file("new.pdf"));
    std::filesystem::rename(file("existing.txt"), home.root() / "existing.txt");
    EXPECT_EQ(settle(),
              (Paths{file("a.crdownload"), file("a.pdf"), file("new.pdf"), file("existing.txt")}));
    EXPECT_EQ(movedAway, (Paths{file("a.crdownload"), file("existing.txt")}))
        << "renamed away, told apart from deleted";

    watcher.stop();
    watcher.stop();
    EXPECT_EQ(log.count("Stopped watching"), 1);
    writeFile(file("while-stopped"), "");
    watcher.start();
    EXPECT_EQ(settle(), Paths{}) << "no history is replayed";
}

TEST(WatcherPipeline, HostileNamesArriveAndAreReportedWithTheirExactBytes) {
    TempHome home;
    Pipeline p(home.downloads());
    Paths expected;
    for (const std::string& name :
         std::initializer_list<std::string>{"line\nbreak.txt", "bad\xff\xfe utf8.bin", "-rf",
                                            "100% real.txt", std::string(251, 'n') + ".pdf"}) {
        writeFile(home.downloads() / name, "hostile");
        expected.push_back(home.downloads() / name);
    }
    EXPECT_TRUE(waitFor([&] { return p.filter.inFlightCount() == expected.size(); }));
    p.clock.advance(2s);
    EXPECT_EQ(p.completed, expected);
}

TEST_F(WatcherTest, LinkedMissingAndLostFolders) {
    std::filesystem::create_directory_symlink(home.downloads(), home.root() / "dl-link");
    DownloadsWatcher linked(home.root() / "dl-link");
    Paths linkedSeen;
    linked.onItemEvent = [&](const path& p) { linkedSeen.push_back(p); };
    linked.start();
    writeFile(file("through-link.txt"), "");
    EXPECT_TRUE(waitFor([&] { return !linkedSeen.empty(); }));
    EXPECT_EQ(linkedSeen, Paths{file("through-link.txt")});
    linked.stop(); // so that only one watch is lost below

    DownloadsWatcher missing(home.root() / "NoSuchFolder");
    missing.start();
    missing.start(); // its owner keeps trying; the log says it once
    EXPECT_FALSE(missing.isWatching());
    EXPECT_EQ(log.count("inotify_add_watch failed for %s: %s"), 1);
    EXPECT_EQ(missing.startError()->code, ENOENT);

    int lost = 0;
    watcher.onWatchLost = [&] { ++lost; };
    watcher.start();
    std::filesystem::rename(home.downloads(), home.root() / "Renamed");
    EXPECT_TRUE(waitFor([&] { return lost == 1; }));
    EXPECT_FALSE(watcher.isWatching());
    EXPECT_EQ(log.count("Lost the watch on %s"), 1);
}

TEST_F(WatcherTest, TheReaderThreadIsNamedAndEndsOnceNobodyIsLeftToReceive) {
    auto receiver = std::make_unique<QObject>();
    int batches = 0;
    DirectoryEvents events(home.downloads(), receiver.get(), [&](auto) { ++batches; });
    ASSERT_TRUE(events.start().ok());
    EXPECT_EQ(readerThreads(), 1);
    receiver.reset();
    writeFile(file("unheard.txt"), "");
    // A reader that kept the batch would find it due again at once, for ever.
    EXPECT_TRUE(waitFor([] { return readerThreads() == 0; }));
    EXPECT_EQ(batches, 0);
}

// A receiver slower than a storm gets one bounded batch at a time; past it, one rescan instead.
TEST_F(WatcherTest, AStormTheReceiverCannotKeepUpWithIsHeldAsOneBoundedBatch) {
    QObject receiver;
    std::size_t received = 0;
    bool overflow = false;
    DirectoryEvents events(home.downloads(), &receiver, [&](std::vector<DirectoryEvent> batch) {
        received += batch.size();
        for (const DirectoryEvent& event : batch)
            overflow = overflow || (event.kinds & DirectoryEvent::Overflow);
    });
    writeFile(file("a"), "a");
    writeFile(file("b"), "b");
    ASSERT_TRUE(events.start().ok());
    // Four events an exchange, while this thread (the receiver's) is busy.
    for (std::size_t i = 0; i < 4 * DirectoryEvents::queueLimit; ++i)
        ASSERT_EQ(
            ::renameat2(AT_FDCWD, file("a").c_str(), AT_FDCWD, file("b").c_str(), RENAME_EXCHANGE),
            0);
    EXPECT_TRUE(waitFor([&] { return overflow; }));
    EXPECT_LE(received, 2 * DirectoryEvents::queueLimit + 1);
}

// Events the kernel dropped from a full queue: a rescan still reports each download once.
TEST(WatcherOverflow, ABurstThatOverflowsTheQueueStillReportsEachFileOnce) {
    long limit = 0;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> limit;
    if (limit <= 0 || limit > 200'000)
        GTEST_SKIP() << "inotify queue limit " << limit << " is unknown or too large to fill here";
    TempHome home;
    LogCapture log;
    const path before = home.downloads() / "before.txt";
    writeFile(before, "old");
    Pipeline p(home.downloads());

    // Short-lived files fill the held queue past its limit (and the one buffer the reader may
    // drain before it holds): the downloads among them are lost from the event stream.
    p.watcher.holdEvents(true);
    constexpr int downloads = 60;
    for (long i = 0; i < limit / 2 + 4096; ++i) {
        const path scratch = home.downloads() / (".scratch-" + std::to_string(i));
        writeFile(scratch, "");
        std::filesystem::remove(scratch);
        if (i % (limit / 2 / downloads) == 0)
            writeFile(home.downloads() / ("burst-" + std::to_string(i) + ".bin"), "payload");
    }
    std::filesystem::remove(before);
    p.watcher.holdEvents(false);
    const auto written = listNames(home.downloads())->size();

    EXPECT_TRUE(waitFor([&] { return log.count("Events were lost; rescanning %s") > 0; }, 30s));
    EXPECT_TRUE(waitFor([&] { return p.filter.inFlightCount() == written; }, 30s));
    p.clock.advance(2s);
    EXPECT_GE(written, static_cast<std::size_t>(downloads));
    EXPECT_EQ(std::set<path>(p.completed.begin(), p.completed.end()).size(), written);
    EXPECT_EQ(p.completed.size(), written) << "each reported once";
    EXPECT_EQ(std::ranges::count(p.completed, before), 0);
    EXPECT_EQ(p.vacated, Paths{before}) << "removed while its event was lost";
}

// A limit is told in the user's language and names the setting; another failure has no text.
TEST(WatchLimitText, ReadsInTheUsersLanguage) {
    ASSERT_TRUE(installTranslations(QLocale(QLocale::German, QLocale::Germany)));
    const QString limit = QString::fromUtf8("Fadebin kann Downloads nicht überwachen: Die "
                                            "Systemgrenze überwachter Ordner ist erreicht (%1)");
    const std::pair<SysError, std::optional<QString>> rows[] = {
        {{ENOSPC, "inotify_add_watch"}, limit.arg(u"fs.inotify.max_user_watches")},
        {{EMFILE, "inotify_init1"}, limit.arg(u"fs.inotify.max_user_instances")},
        {{ENOSPC, "inotify_init1"}, std::nullopt},
        {{EACCES, "inotify_add_watch"}, std::nullopt},
    };
    for (const auto& [error, text] : rows)
        EXPECT_EQ(DownloadsWatcher::watchLimitText(error), text) << error.context;
    speakEnglish();
}
