#include "intake/DownloadCompletionFilter.h"
#include "platform/ManualClock.h"
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
    FilterTest()
        : filter(clock) {
        auto note = [this](const char* kind) {
            return [this, kind](const path& p) {
                got.push_back(kind + (" " + p.filename().native()));
            };
        };
        filter.onComplete = note("complete");
        filter.onReplaced = note("replaced");
        filter.onVacated = note("vacated");
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

    // Files created from now on are born later than `birth`. Timestamps come from a coarse
    // clock, and two files made within one of its ticks cannot be told apart by anyone.
    static void waitUntilBornAfter(std::int64_t birth) {
        EXPECT_TRUE(waitFor([birth] {
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
            return now.tv_sec * 1'000'000'000LL + now.tv_nsec > birth;
        }));
    }
    bool leasesWorkHere() {
        writeFile(file(".lease-probe"), "");
        const bool works = ReadLease::take(file(".lease-probe")).ok();
        std::filesystem::remove(file(".lease-probe"));
        return works;
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
    DownloadCompletionFilter filter;
    Names got;
};

} // namespace

TEST(FileIdentity, IdentitiesThatDifferOnlyInBirthTimeAreDifferentFiles) {
    const FileIdentity born{7, 42, 1'000}, reborn{7, 42, 2'000}, unknown{7, 42, std::nullopt};
    EXPECT_NE(born, reborn);
    EXPECT_NE(born, unknown);
    EXPECT_TRUE(born < reborn && unknown < born);
    EXPECT_NE(FileIdentityHash{}(born), FileIdentityHash{}(reborn));
    EXPECT_EQ(
        (std::unordered_set<FileIdentity, FileIdentityHash>{born, reborn, unknown, born}.size()),
        3u);
    EXPECT_EQ((std::set<FileIdentity>{born, reborn, unknown, born}.size()), 3u);
}

TEST_F(FilterTest, ItemsPresentAtBaselineAreNeverNew) {
    writeFile(file("old.pdf"), "data");
    baseline();
    grow("old.pdf", 1);
    move("old.pdf", "renamed.pdf");
    event("renamed.pdf");
    clock.advance(700s);
    EXPECT_EQ(got, Names{"vacated old.pdf"});
    EXPECT_EQ(filter.inFlightCount(), 0u);
    EXPECT_EQ(filter.recordBaseline(home.root() / "nowhere").error().code, ENOENT);
}

TEST_F(FilterTest, BrowserDownloadIsReportedOnceWithItsFinalNameAfterItStopsGrowing) {
    baseline();
    make("report.pdf.crdownload", "");
    EXPECT_EQ(filter.inFlightCount(), 0u) << "a partial name starts no poll";
    grow("report.pdf.crdownload", 20, std::string(1000, 'x'));
    move("report.pdf.crdownload", "report.pdf");
    clock.advance(1000ms); // the first check records the size, the second sees it once
    EXPECT_TRUE(got.empty());
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete report.pdf"});
    event("report.pdf");
    clock.advance(10s);
    EXPECT_EQ(got.size(), 1u) << "repeated events of an accounted item are silent";
}

TEST_F(FilterTest, GrowthResetsStabilityAPollFollowsItsItemAndDeletionEndsIt) {
    baseline();
    make("video.tmpname", "a");
    clock.advance(500ms);
    grow("video.tmpname", 6);
    move("video.tmpname", "video.mkv");
    EXPECT_EQ(filter.inFlightCount(), 1u) << "the same identity keeps its poll";
    clock.advance(500ms);
    EXPECT_TRUE(got.empty()) << "one unchanged check is not enough";
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete video.mkv"});

    got.clear();
    make("gone.zip");
    clock.advance(500ms);
    std::filesystem::remove(file("gone.zip"));
    clock.advance(600s);
    EXPECT_TRUE(got.empty());
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

    for (const Duration gap : {2'999ms, 3'000ms}) {
        got.clear();
        const std::string name = "doc" + std::to_string(gap.count()) + ".odt";
        writeFile(file(name), "old");
        baseline();
        waitUntilBornAfter(statPath(home.downloads())->changedNanoseconds);
        remove(name);
        clock.advance(gap);
        make(name, "new contents");
        clock.advance(1500ms);
        EXPECT_EQ(got, (Names{"vacated " + name, (gap < 3s ? "replaced " : "complete ") + name}));
    }
}

TEST_F(FilterTest, HiddenPartialAndUnaccountedNamesReportNothing) {
    writeFile(file("known.txt"), "k");
    baseline();
    for (const char* name :
         {".hidden", "x.PART", "y.Tmp", "z.crdownload", "a.download", "b.opdownload",
          "c.wkdownload", "d.!qb", "e.mkv.aria2", ".com.google.Chrome.Xy12", ".goutputstream-ABC"})
        make(name, "partial");
    writeFile(file("stranger.txt"), "s");
    remove("stranger.txt");
    remove("known.txt");
    event("known.txt");
    clock.advance(700s);
    EXPECT_EQ(got, Names{"vacated known.txt"});
}

TEST_F(FilterTest, AnItemThatNeverSettlesIsReportedAtTheLimitAndAFolderByItsEntries) {
    baseline();
    make("stream.bin");
    auto growing = clock.repeating(250ms, [&] { appendFile(file("stream.bin"), "x"); });
    clock.advance(599'500ms);
    EXPECT_TRUE(got.empty());
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete stream.bin"});

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
}

TEST_F(FilterTest, DownloadToolsStillWritingAreNotReported) {
    baseline();
    // aria2 preallocates: the size never moves while its control file exists.
    writeFile(file("big.iso.aria2"), "control");
    make("big.iso", std::string(4096, '\0'));
    clock.advance(300s);
    EXPECT_TRUE(got.empty());
    std::filesystem::remove(file("big.iso.aria2"));
    clock.advance(500ms);
    EXPECT_EQ(got, Names{"complete big.iso"});

    // Firefox: an empty placeholder beside NAME.part or NAME.<random>.part, then a rename over it.
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
}

// Leftovers of an aborted download never finish. They are handled at the limit like
// anything else, and finding a placeholder's partner must not list the folder at every
// tick: in a folder of 40,000 files that is a quarter of a CPU second every ten seconds.
TEST_F(FilterTest, LeftoversOfAbortedDownloadsAreGivenUpAtTheLimitWithoutListingTheFolder) {
    baseline();
    make("movie.mp4", "");
    make("movie.mp4.k3Zp.part", std::string(100, 'v'));
    writeFile(file("big.iso.aria2"), "control");
    make("big.iso", std::string(4096, '\0'));
    // Reading the folder from here on moves its access time off this old value.
    const timespec longAgo[2] = {{946'684'800, 0}, {0, UTIME_OMIT}};
    ASSERT_EQ(::utimensat(AT_FDCWD, home.downloads().c_str(), longAgo, 0), 0);
    auto folderRead = [&] {
        struct stat st {};
        return ::stat(home.downloads().c_str(), &st) == 0 && st.st_atim.tv_sec != longAgo[0].tv_sec;
    };

    clock.advance(599'500ms);
    EXPECT_TRUE(got.empty());
    clock.advance(500ms);
    EXPECT_EQ(got, (Names{"complete movie.mp4", "complete big.iso"}));
    EXPECT_EQ(clock.activeTimerCount(), 0u);
    EXPECT_FALSE(folderRead()) << "the folder was listed while polling";
    (void)listNames(home.downloads());
    if (!folderRead())
        GTEST_SKIP() << "this filesystem does not record reads of a folder; cannot tell";
}

// curl and wget write straight to the final name and a server may stall for seconds: a
// file some process still has open for writing is not finished, whatever its size says.
TEST_F(FilterTest, AFileStillOpenForWritingIsReportedOnceItsWriterClosesIt) {
    if (!leasesWorkHere())
        GTEST_SKIP() << "no file leases on this filesystem; the size alone decides here";
    baseline();
    std::vector<std::int64_t> sizes;
    filter.onComplete = [&](const path& p) {
        got.push_back("complete " + p.filename().native());
        sizes.push_back(statPath(p)->size);
    };
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
    EXPECT_EQ(sizes, std::vector<std::int64_t>{17});
}

// The kernel signals the holder of a lease when a writer opens the file; the default
// signal for that, SIGIO, would end the program.
TEST_F(FilterTest, AWriterOpeningAFileWhileItIsLeasedDoesNotEndTheProgram) {
    writeFile(file("held.bin"), "data");
    auto taken = ReadLease::take(file("held.bin"));
    if (!taken && taken.error().code == EINVAL)
        GTEST_SKIP() << "no file leases on this filesystem";
    ASSERT_TRUE(taken.ok()) << taken.error().text();
    ReadLease lease = std::move(taken).value();
    QProcess writer;
    runWriter(writer, file("held.bin"), "exec 3>>\"$1\"; echo opened");
    ASSERT_TRUE(waitFor([&] { return lease.isBreaking(); }));
    EXPECT_EQ(writer.state(), QProcess::Running) << "the writer waits for the lease to go";
    lease.release();
    ASSERT_TRUE(writer.waitForFinished(10'000));
    EXPECT_EQ(writer.readAllStandardOutput(), "opened\n");
}

// Events come up to 0.3 s after the fact, so a tick can find a download gone from its old
// name before the rename is told.
TEST_F(FilterTest, ARenameSeenByATickBeforeItsEventIsReportedOnceUnderTheNewName) {
    baseline();
    make("download.bin", "data");
    clock.advance(500ms);
    std::filesystem::rename(file("download.bin"), file("final.bin"));
    clock.advance(500ms);
    event("download.bin");
    event("final.bin");
    clock.advance(1500ms);
    event("final.bin");
    clock.advance(10s);
    EXPECT_EQ(got, Names{"complete final.bin"});
}

TEST_F(FilterTest, ANewFileOnTheInodeOfOneBeingPolledIsNotTakenForIt) {
    baseline();
    make("a.bin", "old");
    clock.advance(500ms);
    const auto polled = *identityOf(file("a.bin"));
    waitUntilBornAfter(polled.birthNanoseconds.value_or(0));
    std::filesystem::remove(file("a.bin"));
    writeFile(file("a.bin"), "new");
    if (identityOf(file("a.bin"))->inode != polled.inode || !polled.birthNanoseconds)
        GTEST_SKIP() << "the freed inode went elsewhere, or no birth time here; nothing to show";
    clock.advance(500ms); // the tick before the events
    event("a.bin");
    event("a.bin");
    clock.advance(10s);
    EXPECT_EQ(got, Names{"complete a.bin"});
}

TEST_F(FilterTest, HostileNamesAreReportedWithTheirExactBytes) {
    baseline();
    const Names names = {"line\nbreak.txt", "bad\xff\xfe utf8.bin", "-rf",
                         std::string(251, 'n') + ".pdf", "100% real.txt"};
    Names expected;
    for (const auto& name : names) {
        make(name, "hostile");
        expected.push_back("complete " + name);
    }
    clock.advance(2s);
    EXPECT_EQ(got, expected);
}

// ext4 hands a freed inode number to the very next file created. A download deleted for
// good must not make the next one look accounted for, whether it was accounted when it
// completed or by the baseline, which knows most items from the folder listing alone.
TEST_F(FilterTest, ANewDownloadThatReusesAFreedInodeIsStillNew) {
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
}
