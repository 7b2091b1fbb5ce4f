#include "intake/DownloadCompletionFilter.h"
#include "platform/ManualClock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

struct Reported {
    std::string kind;
    path url;
    friend bool operator==(const Reported&, const Reported&) = default;
};

void PrintTo(const Reported& r, std::ostream* os) {
    *os << r.kind << "(" << r.url << ")";
}

class CompletionFilterTest : public ::testing::Test {
protected:
    CompletionFilterTest()
        : filter(clock) {
        filter.onComplete = [this](const path& p) { reports.push_back({"complete", p}); };
        filter.onReplaced = [this](const path& p) { reports.push_back({"replaced", p}); };
        filter.onVacated = [this](const path& p) { reports.push_back({"vacated", p}); };
    }

    path file(const std::string& name) const { return home.downloads() / name; }
    void event(const std::string& name) { filter.handleItemEvent(file(name)); }
    void baseline() { ASSERT_TRUE(filter.recordBaseline(home.downloads()).ok()); }

    TempHome home;
    ManualClock clock;
    DownloadCompletionFilter filter;
    std::vector<Reported> reports;
};

} // namespace

TEST_F(CompletionFilterTest, ItemsPresentAtBaselineAreNeverNew) {
    writeFile(file("old.pdf"), "data");
    baseline();
    appendFile(file("old.pdf"), "more");
    event("old.pdf");
    std::filesystem::rename(file("old.pdf"), file("renamed.pdf"));
    event("old.pdf");
    event("renamed.pdf");
    event("renamed.pdf");
    clock.advance(700s);
    EXPECT_EQ(reports, (std::vector<Reported>{{"vacated", file("old.pdf")}}));
    EXPECT_EQ(filter.inFlightCount(), 0u);
}

TEST_F(CompletionFilterTest, BrowserDownloadIsReportedOnceWithItsFinalNameAfterItStopsGrowing) {
    baseline();
    writeFile(file("report.pdf.crdownload"), "");
    event("report.pdf.crdownload");
    EXPECT_EQ(filter.inFlightCount(), 0u) << "a partial name starts no poll";

    for (int i = 0; i < 20; ++i) { // grows for 10 s
        appendFile(file("report.pdf.crdownload"), std::string(1000, 'x'));
        event("report.pdf.crdownload");
        clock.advance(500ms);
    }
    std::filesystem::rename(file("report.pdf.crdownload"), file("report.pdf"));
    event("report.pdf.crdownload");
    event("report.pdf");
    EXPECT_EQ(filter.inFlightCount(), 1u);

    clock.advance(1000ms); // first check records the size, second finds it unchanged once
    EXPECT_TRUE(reports.empty());
    clock.advance(500ms);
    EXPECT_EQ(reports, (std::vector<Reported>{{"complete", file("report.pdf")}}));

    event("report.pdf"); // repeated events of an accounted item are silent
    clock.advance(10s);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(CompletionFilterTest, GrowthResetsStabilityAndAPollFollowsItsItemToANewName) {
    baseline();
    writeFile(file("video.tmpname"), "a");
    event("video.tmpname");
    clock.advance(500ms);
    for (int i = 0; i < 6; ++i) { // grows at every check for 3 s
        appendFile(file("video.tmpname"), "b");
        clock.advance(500ms);
    }
    std::filesystem::rename(file("video.tmpname"), file("video.mkv"));
    event("video.mkv");
    EXPECT_EQ(filter.inFlightCount(), 1u) << "the same identity keeps its poll";
    clock.advance(500ms);
    EXPECT_TRUE(reports.empty()) << "one unchanged check is not enough";
    clock.advance(500ms);
    EXPECT_EQ(reports, (std::vector<Reported>{{"complete", file("video.mkv")}}));
}

TEST_F(CompletionFilterTest, FileDeletedWhilePolledIsNeverReported) {
    baseline();
    writeFile(file("gone.zip"), "zip");
    event("gone.zip");
    clock.advance(500ms);
    std::filesystem::remove(file("gone.zip"));
    clock.advance(600s);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(filter.inFlightCount(), 0u);
    EXPECT_EQ(clock.activeTimerCount(), 0u) << "the poll's timer ends with the poll";
}

TEST_F(CompletionFilterTest, SaveInPlaceOverAnAccountedFileIsAReplacement) {
    writeFile(file("notes.txt"), "v1");
    baseline();
    writeFile(file("notes.txt.new"), "v2 longer");
    std::filesystem::rename(file("notes.txt.new"), file("notes.txt"));
    event("notes.txt");
    EXPECT_EQ(reports, (std::vector<Reported>{{"replaced", file("notes.txt")}}));

    // The old identity is dropped, the new one accounted: another save replaces again.
    writeFile(file("notes.txt.new"), "v3");
    std::filesystem::rename(file("notes.txt.new"), file("notes.txt"));
    event("notes.txt");
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports.back().kind, "replaced");
}

TEST_F(CompletionFilterTest, NewFileAtAVacatedPathCountsAsSavedInPlaceForUnderThreeSeconds) {
    struct Case {
        Duration gap;
        std::string expected;
    };
    for (const Case& c : {Case{2'999ms, "replaced"}, Case{3'000ms, "complete"}}) {
        SCOPED_TRACE(c.gap.count());
        reports.clear();
        const std::string name = "doc" + std::to_string(c.gap.count()) + ".odt";
        writeFile(file(name), "old");
        baseline();
        std::filesystem::remove(file(name));
        event(name);
        ASSERT_EQ(reports, (std::vector<Reported>{{"vacated", file(name)}}));
        clock.advance(c.gap);
        writeFile(file(name), "new contents");
        event(name);
        clock.advance(1500ms);
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[1], (Reported{c.expected, file(name)}));
    }
}

TEST_F(CompletionFilterTest, RemovalAndNewFileSeenTogetherGiveOnlyAReplacement) {
    writeFile(file("a.pages"), "old");
    baseline();
    std::filesystem::remove(file("a.pages"));
    writeFile(file("a.pages"), "new");
    event("a.pages"); // the removal's event
    event("a.pages"); // the creation's event
    EXPECT_EQ(reports, (std::vector<Reported>{{"replaced", file("a.pages")}}));
}

TEST_F(CompletionFilterTest, HiddenAndPartialNamesNeverStartAPoll) {
    baseline();
    for (const char* name : {".hidden", ".DS_Store", ".localized", "x.PART", "y.Tmp",
                             "z.crdownload", "a.download", "b.opdownload", "c.wkdownload", "d.!qb",
                             "e.mkv.aria2", ".com.google.Chrome.Xy12", ".goutputstream-ABC"}) {
        writeFile(file(name), "partial");
        event(name);
    }
    clock.advance(700s);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(filter.inFlightCount(), 0u);
}

TEST_F(CompletionFilterTest, AnItemThatNeverSettlesIsReportedAtTheLimit) {
    baseline();
    writeFile(file("stream.bin"), "x");
    event("stream.bin");
    auto grow = clock.repeating(250ms, [&] { appendFile(file("stream.bin"), "x"); });
    clock.advance(599'500ms);
    EXPECT_TRUE(reports.empty());
    clock.advance(500ms);
    EXPECT_EQ(reports, (std::vector<Reported>{{"complete", file("stream.bin")}}));
}

TEST_F(CompletionFilterTest, RemovingCallsVacatedOnlyForAccountedItems) {
    writeFile(file("known.txt"), "k");
    baseline();
    writeFile(file("stranger.txt"), "s");
    std::filesystem::remove(file("known.txt"));
    std::filesystem::remove(file("stranger.txt"));
    event("known.txt");
    event("known.txt");
    event("stranger.txt");
    EXPECT_EQ(reports, (std::vector<Reported>{{"vacated", file("known.txt")}}));
}

TEST_F(CompletionFilterTest, AFolderIsPolledByEntriesAndReportedOnceItSettles) {
    baseline();
    std::filesystem::create_directory(file("Expanded"));
    event("Expanded");
    clock.advance(500ms);
    writeFile(file("Expanded") / "one.txt", "1");
    clock.advance(500ms);
    writeFile(file("Expanded") / "two.txt", "2");
    clock.advance(1000ms);
    EXPECT_TRUE(reports.empty());
    clock.advance(500ms);
    EXPECT_EQ(reports, (std::vector<Reported>{{"complete", file("Expanded")}}));
}

TEST_F(CompletionFilterTest, Aria2DataFileWaitsForItsControlFile) {
    baseline();
    writeFile(file("big.iso.aria2"), "control");
    writeFile(file("big.iso"), std::string(4096, '\0')); // preallocated: its size never moves
    event("big.iso.aria2");
    event("big.iso");
    clock.advance(700s);
    EXPECT_TRUE(reports.empty()) << "not finished while aria2's control file exists";
    std::filesystem::remove(file("big.iso.aria2"));
    event("big.iso.aria2");
    clock.advance(500ms);
    EXPECT_EQ(reports, (std::vector<Reported>{{"complete", file("big.iso")}}));
}

TEST_F(CompletionFilterTest, FirefoxPlaceholderIsSkippedAndTheFinishedFileReportedOnce) {
    baseline();
    for (const std::string part : {"movie.mp4.part", "movie.mp4.x1Yz.part"}) {
        SCOPED_TRACE(part);
        reports.clear();
        writeFile(file("movie.mp4"), "");
        writeFile(file(part), "");
        event("movie.mp4");
        event(part);
        for (int i = 0; i < 10; ++i) {
            appendFile(file(part), std::string(100, 'v'));
            clock.advance(500ms);
        }
        EXPECT_TRUE(reports.empty())
            << "an empty placeholder beside a partial file is not a download";
        std::filesystem::rename(file(part), file("movie.mp4"));
        event(part);
        event("movie.mp4");
        clock.advance(3s);
        ASSERT_EQ(reports, (std::vector<Reported>{{"complete", file("movie.mp4")}}));
        EXPECT_EQ(filter.inFlightCount(), 0u);
        std::filesystem::remove(file("movie.mp4"));
        event("movie.mp4");
        clock.advance(5s);
    }
}

TEST_F(CompletionFilterTest, HostileNamesAreReportedWithTheirExactBytes) {
    baseline();
    const std::vector<std::string> names = {"line\nbreak.txt", "bad\xff\xfe utf8.bin", "-rf",
                                            std::string(251, 'n') + ".pdf", "100% real.txt"};
    for (const auto& name : names) {
        writeFile(file(name), "hostile");
        event(name);
    }
    clock.advance(2s);
    ASSERT_EQ(reports.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(reports[i], (Reported{"complete", file(names[i])}));
}

TEST_F(CompletionFilterTest, BaselineOfAMissingFolderFailsAndChangesNothing) {
    auto status = filter.recordBaseline(home.root() / "nowhere");
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ENOENT);
}

// ext4 hands a freed inode number to the very next file created. A download deleted for
// good must not make the next one look accounted for.
TEST_F(CompletionFilterTest, ANewDownloadThatReusesAFreedInodeIsStillNew) {
    writeFile(file("probe-a"), "");
    const auto first = identityOf(file("probe-a"));
    std::filesystem::remove(file("probe-a"));
    writeFile(file("probe-b"), "");
    const auto second = identityOf(file("probe-b"));
    std::filesystem::remove(file("probe-b"));
    ASSERT_TRUE(first.ok() && second.ok());
    if (first->inode != second->inode)
        GTEST_SKIP() << "this filesystem did not reuse the freed inode; nothing to show here";
    if (!first->birthNanoseconds)
        GTEST_SKIP()
            << "this filesystem reports no birth time; identities fall back to device and inode";

    baseline();
    writeFile(file("first.zip"), "first");
    event("first.zip");
    clock.advance(1500ms);
    ASSERT_EQ(reports.size(), 1u);
    const auto firstIdentity = identityOf(file("first.zip"));
    std::filesystem::remove(file("first.zip")); // deleted permanently
    event("first.zip");

    clock.advance(10ms); // the next file gets the same inode but is born later
    writeFile(file("second.zip"), "second");
    const auto secondIdentity = identityOf(file("second.zip"));
    ASSERT_EQ(firstIdentity->inode, secondIdentity->inode);
    event("second.zip");
    clock.advance(1500ms);
    EXPECT_EQ(reports.back(), (Reported{"complete", file("second.zip")}));
    EXPECT_EQ(reports.size(), 3u); // complete, vacated, complete

    // A rename within the folder and a trip out and back are still the same file.
    std::filesystem::rename(file("second.zip"), file("renamed.zip"));
    event("second.zip");
    event("renamed.zip");
    std::filesystem::rename(file("renamed.zip"), home.root() / "away.zip");
    event("renamed.zip");
    std::filesystem::rename(home.root() / "away.zip", file("back.zip"));
    event("back.zip");
    clock.advance(10s);
    for (std::size_t i = 3; i < reports.size(); ++i)
        EXPECT_EQ(reports[i].kind, "vacated");
}
