#include "intake/DownloadCompletionFilter.h"
#include "support/ManualClock.h"
#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <set>
#include <unordered_set>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;

namespace {

// Reports are kept as "kind name" so that a whole sequence compares at once.
class FilterTest : public ::testing::Test {
protected:
    FilterTest() {
        auto note = [this](std::string kind) {
            return [this, kind](const path& p) { got.push_back(kind + p.filename().native()); };
        };
        filter.onComplete = note("complete ");
        filter.onReplaced = note("replaced ");
        filter.onVacated = note("vacated ");
    }
    path file(const std::string& name) const { return home.downloads() / name; }
    void event(const std::string& name) { filter.handleItemEvent(file(name)); }
    void make(const std::string& name, const std::string& contents = "x") {
        writeFile(file(name), contents);
        event(name);
    }
    void grow(const std::string& name, int times, const std::string& more = "b") {
        for (int i = 0; i < times; ++i) {
            appendFile(file(name), more);
            event(name);
            clock.advance(500ms);
        }
    }
    void move(const std::string& from, const std::string& to) {
        std::filesystem::rename(file(from), file(to));
        event(from);
        event(to);
    }
    void remove(const std::string& name) {
        std::filesystem::remove(file(name));
        event(name);
    }
    void baseline() { ASSERT_TRUE(filter.recordBaseline(home.downloads()).ok()); }

    // Files created from now on are born later than `birth` (on the coarse clock of timestamps).
    static void waitUntilBornAfter(std::int64_t birth) {
        EXPECT_TRUE(waitFor([birth] {
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            return now.tv_sec * 1'000'000'000LL + now.tv_nsec > birth;
        }));
    }
    // A second process that opens the file for writing and runs the script with it as $1.
    static void runWriter(QProcess& writer, const path& target, const char* script) {
        writer.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), QString::fromUtf8(script), QStringLiteral("sh"),
                      QString::fromStdString(target.native())});
        ASSERT_TRUE(writer.waitForStarted());
    }

    TempHome home;
    ManualClock clock;
    DownloadCompletionFilter filter{clock};
    Names got;
};

} // namespace

TEST(FileIdentity, IdentitiesThatDifferOnlyInBirthTimeAreDifferentFiles) {
    const FileIdentity born{7, 42, 1'000}, reborn{7, 42, 2'000}, unknown{7, 42, std::nullopt};
    EXPECT_EQ(
        (std::unordered_set<FileIdentity, FileIdentityHash>{born, reborn, unknown, born}.size()),
        3u);
    EXPECT_EQ((std::set<FileIdentity>{born, reborn, unknown, born}.size()), 3u);
}

TEST_F(FilterTest, OnlyTheVacancyOfAnItemKnownAtTheBaselineIsReported) {
    writeFile(file("old.pdf"), "data");
    writeFile(file("known.txt"), "k");
    baseline();
    grow("old.pdf", 1);
    move("old.pdf", "renamed.pdf");
    event("renamed.pdf");
    for (const char* name :
         {".hidden", "x.PART", "y.Tmp", "z.crdownload", "a.download", "b.opdownload",
          "c.wkdownload", "d.!qb", "e.mkv.aria2", ".com.google.Chrome.Xy12", ".goutputstream-ABC"})
        make(name, "partial");
    EXPECT_EQ(filter.inFlightCount(), 0u) << "hidden and partial names start no poll";
    writeFile(file("stranger.txt"), "s");
    remove("stranger.txt");
    remove("known.txt");
    event("known.txt");
    clock.advance(700s);
    EXPECT_EQ(got, (Names{"vacated old.pdf", "vacated known.txt"}));
    EXPECT_EQ(filter.recordBaseline(home.root() / "nowhere").error().code, ENOENT);
}

TEST_F(FilterTest, WithoutBirthTimesAFileThatLeftAndCameBackIsKnownAfterANewBaseline) {
    const auto disk = ScopedMount::ramfs(home.downloads()); // ramfs reports no birth time
    if (!disk)
        GTEST_SKIP() << "cannot mount ramfs on Downloads here (needs root)";
    writeFile(file("kept.iso"), "k");
    std::filesystem::create_directory(file("sorted"));
    baseline();
    std::filesystem::rename(file("kept.iso"), file("sorted/kept.iso"));
    event("kept.iso");
    clock.advance(10s);
    baseline(); // watching resumed after a pause
    std::filesystem::rename(file("sorted/kept.iso"), file("kept.iso"));
    event("kept.iso");
    clock.advance(700s);
    EXPECT_EQ(got, (Names{"vacated kept.iso"})) << "back again, not a new download";
}

TEST_F(FilterTest, GrowthResetsStabilityAPollFollowsItsItemAndDeletionEndsIt) {
    baseline();
    make("video.tmpname", "a");
    clock.advance(1000ms); // one unchanged check, then growth starts the count again
    grow("video.tmpname", 6);
    move("video.tmpname", "video.mkv");
    EXPECT_EQ(filter.inFlightCount(), 1u) << "the same identity keeps its poll";
    clock.advance(500ms);
    EXPECT_TRUE(got.empty()) << "one unchanged check is not enough";
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete video.mkv"});
    event("video.mkv"); // an accounted item's events are silent

    // A folder is finished when its entries stop changing.
    std::filesystem::create_directory(file("Expanded"));
    event("Expanded");
    for (const char* inner : {"one.txt", "two.txt"}) {
        clock.advance(500ms);
        writeFile(file("Expanded") / inner, "1");
    }
    clock.advance(1000ms);
    EXPECT_EQ(got.size(), 1u);
    clock.advance(500ms);
    EXPECT_EQ(got.back(), "complete Expanded");

    make("gone.zip");
    clock.advance(500ms);
    std::filesystem::remove(file("gone.zip"));
    clock.advance(600s);
    EXPECT_EQ(got.size(), 2u);
    EXPECT_EQ(clock.activeTimerCount(), 0u) << "the poll's timer ends with the poll";
}

TEST_F(FilterTest, SavesInPlaceAreReplacementsWithinThreeSecondsOfAVacancy) {
    writeFile(file("notes.txt"), "v1");
    writeFile(file("a.pages"), "old");
    baseline();
    for (const char* v : {"v2", "v3"}) { // the old identity is dropped, the new one kept
        writeFile(file("notes.txt.new"), v);
        move("notes.txt.new", "notes.txt");
    }
    // The new file may get the old one's inode; its birth time then tells them apart.
    waitUntilBornAfter(statPath(home.downloads())->changedNanoseconds);
    std::filesystem::remove(file("a.pages"));
    make("a.pages", "new"); // removal and creation seen together: no vacancy
    EXPECT_EQ(got, (Names{"replaced notes.txt", "replaced notes.txt", "replaced a.pages"}));

    // A known file removed and made again after each gap. Vacated again, the first vacancy's
    // three seconds running out does not forget the later one.
    const std::tuple<std::string, std::vector<Duration>, Names> returns[] = {
        {"early.odt", {2'999ms}, {"vacated early.odt", "replaced early.odt"}},
        {"late.odt", {3'000ms}, {"vacated late.odt", "complete late.odt"}},
        {"again.odt",
         {1s, 1s},
         {"vacated again.odt", "replaced again.odt", "vacated again.odt", "replaced again.odt"}},
    };
    for (const auto& [name, gaps, expected] : returns) {
        got.clear();
        writeFile(file(name), "old");
        baseline();
        waitUntilBornAfter(statPath(home.downloads())->changedNanoseconds);
        for (const Duration gap : gaps) {
            remove(name);
            clock.advance(gap);
            make(name, "new contents " + std::to_string(gap.count()));
            clock.advance(1500ms);
        }
        EXPECT_EQ(got, expected) << name;
    }
}

// aria2 preallocates beside NAME.aria2; Firefox writes NAME[.random].part beside an empty NAME.
// What never finishes is given up at the limit; no tick lists the folder (costly at 40,000 files).
TEST_F(FilterTest, DownloadToolsStillWritingAreWaitedForUntilTheLimit) {
    baseline();
    for (const std::string iso : {"done.iso", "aborted.iso"}) {
        writeFile(file(iso + ".aria2"), "control");
        make(iso, std::string(4096, '\0'));
    }
    make("aborted.mp4", "");
    make("aborted.mp4.k3Zp.part", std::string(100, 'v'));
    make("stream.bin");
    auto growing = clock.repeating(250ms, [&] { appendFile(file("stream.bin"), "x"); });
    const Instant began = clock.now();
    // Reading the folder from here on moves its access time off this old value.
    const timespec longAgo[2] = {{946'684'800, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, home.downloads().c_str(), longAgo, 0), 0);

    for (const std::string part : {"movie.mp4.part", "movie.mp4.x1Yz.part"}) {
        got.clear();
        make("movie.mp4", "");
        make(part, "");
        grow(part, 10, std::string(100, 'v'));
        EXPECT_TRUE(got.empty()) << part;
        move(part, "movie.mp4");
        clock.advance(3s);
        EXPECT_EQ(got, Names{"complete movie.mp4"}) << part;
        remove("movie.mp4");
        clock.advance(5s);
    }
    got.clear();
    clock.advance(300s);
    EXPECT_TRUE(got.empty());
    std::filesystem::remove(file("done.iso.aria2"));
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete done.iso"});
    clock.advance(began + 599'500ms - clock.now());
    EXPECT_EQ(got.size(), 1u);
    clock.advance(500ms);
    EXPECT_EQ(got, (Names{"complete done.iso", "complete aborted.iso", "complete aborted.mp4",
                          "complete stream.bin"}));
    growing.reset();
    EXPECT_EQ(clock.activeTimerCount(), 0u);
    const auto folderRead = [&] {
        struct stat st {};
        return ::stat(home.downloads().c_str(), &st) == 0 && st.st_atim.tv_sec != longAgo[0].tv_sec;
    };
    EXPECT_FALSE(folderRead()) << "the folder was listed while polling";
    (void)listNames(home.downloads());
    if (!folderRead())
        GTEST_SKIP() << "this filesystem does not record reads of a folder; cannot tell";
}

// The limit counts time awake: a sleep or a clock set forward gives a download no time.
TEST_F(FilterTest, TheLimitCountsTimeAwakeNotSleepsNorClockChanges) {
    baseline();
    for (const bool sleep : {true, false}) {
        got.clear();
        const std::string name = sleep ? "slept.iso" : "stepped.iso";
        make(name);
        auto growing = clock.repeating(250ms, [&, name] { appendFile(file(name), "x"); });
        const Duration began = clock.awakeTime();
        clock.advance(5s);
        sleep ? clock.suspend(20min) : clock.jumpWallClock(1h);
        clock.advance(5s);
        EXPECT_TRUE(got.empty()) << name << " reported while still growing";
        clock.advance(began + DownloadCompletionFilter::pollLimit - clock.awakeTime());
        EXPECT_EQ(got, Names{"complete " + name});
    }
}

// curl and wget write to the final name and may stall: a file open for writing is not finished.
// A lease tells of the writer by a signal whose default (SIGIO) would end the program.
TEST_F(FilterTest, AFileStillOpenForWritingIsReportedOnceItsWriterClosesIt) {
    writeFile(file("held.bin"), "data");
    auto taken = ReadLease::take(file("held.bin"));
    if (!taken && taken.error().code == EINVAL)
        GTEST_SKIP() << "no file leases on this filesystem; the size alone decides there";
    ASSERT_TRUE(taken.ok()) << taken.error().text();
    ReadLease lease = std::move(taken).value();
    QProcess opener;
    runWriter(opener, file("held.bin"), "exec 3>>\"$1\"; echo opened");
    ASSERT_TRUE(waitFor([&] { return lease.isBreaking(); }));
    EXPECT_EQ(opener.state(), QProcess::Running) << "the writer waits for the lease to go";
    lease.release();
    ASSERT_TRUE(opener.waitForFinished(10'000));

    baseline();
    QProcess writer;
    runWriter(writer, file("curl.bin"),
              "exec 3>\"$1\"; printf half >&3; echo written; sleep 3; printf ' and the rest' >&3");
    ASSERT_TRUE(writer.waitForReadyRead(10'000));
    event("curl.bin");
    // Real time passes for the writer while the manual clock walks the polls.
    for (int i = 0; i < 600 && !writer.waitForFinished(100); ++i)
        clock.advance(500ms);
    EXPECT_TRUE(got.empty()) << "reported while its writer still had it open";
    clock.advance(1500ms);
    EXPECT_EQ(got, Names{"complete curl.bin"});
}

// ext4 gives a freed inode to the next file created: that is still a new file, whether the inode
// was a completed item's, the baseline's (known from the listing alone) or a polled one's.
TEST_F(FilterTest, ANewFileOnAFreedInodeIsStillNew) {
    auto probe = [&] {
        writeFile(file("probe"), "");
        const auto identity = *identityOf(file("probe"));
        std::filesystem::remove(file("probe"));
        return identity;
    };
    const auto first = probe();
    if (first.inode != probe().inode || !first.birthNanoseconds)
        GTEST_SKIP() << "no inode reuse or no birth time here; nothing to show";

    writeFile(file("listed.zip"), "there before");
    baseline();
    const std::int64_t baselineBegan = statPath(home.downloads())->changedNanoseconds;
    make("first.zip");
    clock.advance(1500ms);
    for (const std::string gone : {"first.zip", "listed.zip"}) {
        const auto freed = *identityOf(file(gone));
        waitUntilBornAfter(std::max(*freed.birthNanoseconds, baselineBegan));
        remove(gone); // deleted for good
        make("new-" + gone);
        if (identityOf(file("new-" + gone))->inode != freed.inode)
            GTEST_SKIP() << "another process took the freed inode first; nothing to show";
        clock.advance(1500ms);
    }
    EXPECT_EQ(got, (Names{"complete first.zip", "vacated first.zip", "complete new-first.zip",
                          "vacated listed.zip", "complete new-listed.zip"}));

    // A rename within the folder and a trip out and back are still the same file.
    got.clear();
    move("new-first.zip", "renamed.zip");
    std::filesystem::rename(file("renamed.zip"), home.root() / "away.zip");
    event("renamed.zip");
    std::filesystem::rename(home.root() / "away.zip", file("back.zip"));
    event("back.zip");
    clock.advance(10s);
    EXPECT_EQ(got, (Names{"vacated new-first.zip", "vacated renamed.zip"}));

    got.clear();
    make("a.bin", "old");
    clock.advance(500ms);
    const auto polled = *identityOf(file("a.bin"));
    waitUntilBornAfter(*polled.birthNanoseconds);
    std::filesystem::remove(file("a.bin"));
    writeFile(file("a.bin"), "new");
    if (identityOf(file("a.bin"))->inode != polled.inode)
        GTEST_SKIP() << "the freed inode went elsewhere; nothing to show";
    clock.advance(500ms); // the tick before the events
    event("a.bin");
    event("a.bin");
    clock.advance(10s);
    EXPECT_EQ(got, Names{"complete a.bin"});
}
