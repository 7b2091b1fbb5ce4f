#include "intake/DownloadCompletionFilter.h"
#include "platform/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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

    TempHome home;
    ManualClock clock;
    DownloadCompletionFilter filter;
    Names got;
};

} // namespace

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
    std::filesystem::remove(file("a.pages"));
    make("a.pages", "new"); // removal and creation seen together: no vacancy
    EXPECT_EQ(got, (Names{"replaced notes.txt", "replaced notes.txt", "replaced a.pages"}));

    for (const Duration gap : {2'999ms, 3'000ms}) {
        got.clear();
        const std::string name = "doc" + std::to_string(gap.count()) + ".odt";
        writeFile(file(name), "old");
        baseline();
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
    clock.advance(700s);
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
// good must not make the next one look accounted for.
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

    baseline();
    make("first.zip");
    clock.advance(1500ms);
    const auto firstInode = identityOf(file("first.zip"))->inode;
    remove("first.zip"); // deleted for good
    clock.advance(10ms);
    make("second.zip");
    ASSERT_EQ(identityOf(file("second.zip"))->inode, firstInode);
    clock.advance(1500ms);
    EXPECT_EQ(got, (Names{"complete first.zip", "vacated first.zip", "complete second.zip"}));

    // A rename within the folder and a trip out and back are still the same file.
    move("second.zip", "renamed.zip");
    std::filesystem::rename(file("renamed.zip"), home.root() / "away.zip");
    event("renamed.zip");
    std::filesystem::rename(home.root() / "away.zip", file("back.zip"));
    event("back.zip");
    clock.advance(10s);
    EXPECT_EQ(got.size(), 5u);
    EXPECT_EQ(got.back(), "vacated renamed.zip");
}
