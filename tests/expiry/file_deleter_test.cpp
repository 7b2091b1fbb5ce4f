#include "expiry/FileDeleter.h"
#include "platform/Trash.h"
#include "support/ScopedMount.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

TEST(ExpiryText, FormatsWholeUtcSecondsIn20Bytes) {
    const Instant t = Instant(std::chrono::milliseconds(1'796'440'529'999)); // 03:15:29.999
    EXPECT_EQ(formatExpiry(t), QByteArray("2026-12-05T03:15:29Z"));
    EXPECT_EQ(formatExpiry(t).size(), 20);
    EXPECT_EQ(parseExpiry(QString::fromLatin1(formatExpiry(t))),
              Instant(std::chrono::seconds(1'796'440'529)));
}

TEST(ExpiryText, AcceptsZOrANumericOffsetAndNothingElse) {
    const Instant expected = Instant(std::chrono::seconds(1'796'440'529));
    EXPECT_EQ(parseExpiry(QStringLiteral("2026-12-05T04:15:29+01:00")), expected);
    EXPECT_EQ(parseExpiry(QStringLiteral("2026-12-04T22:45:29-04:30")), expected);
    for (const char* bad :
         {"2026-12-05T03:15:29.5Z", "2026-12-05T03:15:29.000Z", "2026-12-05 03:15:29Z",
          "2026-12-05T03:15:29z", "2026-12-05T03:15Z", "2026-12-05T03:15:29",
          "2026-02-30T03:15:29Z", "2026-12-05T24:00:00Z", "2026-12-05T03:15:60Z",
          "2026-13-05T03:15:29Z", "+026-12-05T03:15:29Z", "2026-12-05T03:15:29+0100",
          "2026-12-05T03:15:29+24:00", " 2026-12-05T03:15:29Z", "", "garbage"})
        EXPECT_EQ(parseExpiry(QString::fromLatin1(bad)), std::nullopt) << bad;
    EXPECT_EQ(parseExpiry(QStringLiteral("２026-12-05T03:15:29Z")), std::nullopt);
}

namespace {

class DeleterTest : public ::testing::Test {
protected:
    path make(const std::string& name, const std::string& contents = "x") {
        const path p = home.downloads() / name;
        writeFile(p, contents);
        return p;
    }
    std::optional<QByteArray> raw(const path& p, const char* name) {
        auto value = readXattr(p, name);
        EXPECT_TRUE(value.ok());
        return value.ok() ? *value : std::nullopt;
    }

    TempHome home;
    LogCapture log;
    FileDeleter deleter;
};

} // namespace

TEST_F(DeleterTest, ExpiryAttributeRoundTripsAndRemovalIsQuiet) {
    const path file = make("a.pdf");
    const Instant when = Instant(std::chrono::seconds(1'796'440'529));
    deleter.writeExpiry(when, file);
    EXPECT_EQ(raw(file, expiryAttribute), QByteArray("2026-12-05T03:15:29Z"));
    EXPECT_EQ(deleter.readAttribute(expiryAttribute, file), QStringLiteral("2026-12-05T03:15:29Z"));
    deleter.removeExpiry(file);
    deleter.removeExpiry(file);
    EXPECT_EQ(deleter.readAttribute(expiryAttribute, file), std::nullopt);
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(DeleterTest, EmptyAbsentAndGarbageAttributesReadAsNoneOrReplacedText) {
    const path file = make("b.bin");
    EXPECT_EQ(deleter.readAttribute(expiryAttribute, file), std::nullopt);
    ASSERT_TRUE(writeXattr(file, expiryAttribute, QByteArray()).ok());
    EXPECT_EQ(deleter.readAttribute(expiryAttribute, file), std::nullopt);
    ASSERT_TRUE(writeXattr(file, expiryAttribute,
                           QByteArray("\xff\xfe"
                                      "2026",
                                      6))
                    .ok());
    const auto text = deleter.readAttribute(expiryAttribute, file);
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(text->contains(QChar(0xFFFD)));
    EXPECT_EQ(parseExpiry(*text), std::nullopt);
    EXPECT_EQ(deleter.readAttribute(expiryAttribute, home.downloads() / "missing"), std::nullopt);
}

TEST_F(DeleterTest, WriteThatFailsLogsTheErrnoAndReturns) {
    deleter.writeExpiry(Instant{}, home.downloads() / "missing");
    EXPECT_TRUE(log.contains("setxattr failed for missing: errno 2"));

    const path file = make("locked.txt");
    std::unique_ptr<ScopedMount> readOnly;
    if (::geteuid() == 0) {
        readOnly = ScopedMount::readOnly(home.downloads());
        if (!readOnly)
            GTEST_SKIP() << "cannot make a read-only mount here";
    } else {
        ::chmod(file.c_str(), 0444);
    }
    deleter.writeExpiry(Instant{}, file);
    EXPECT_EQ(log.count("setxattr failed for %s: errno %d"), 2);
    EXPECT_EQ(raw(file, expiryAttribute), std::nullopt);
}

TEST_F(DeleterTest, TagsAreAddedOnceAndRemovedEverywhereKeepingOrder) {
    const path has = make("has");
    ASSERT_TRUE(writeXattr(has, tagsAttribute, "A,,Temporary,B").ok());
    deleter.setFinderTag(true, temporaryTag, has);
    EXPECT_EQ(raw(has, tagsAttribute), QByteArray("A,,Temporary,B")) << "nothing is written";

    const path twice = make("twice");
    ASSERT_TRUE(writeXattr(twice, tagsAttribute, "A,Temporary,B,Temporary").ok());
    deleter.setFinderTag(false, temporaryTag, twice);
    EXPECT_EQ(raw(twice, tagsAttribute), QByteArray("A,B"));

    const path none = make("none");
    deleter.setFinderTag(false, temporaryTag, none);
    EXPECT_EQ(raw(none, tagsAttribute), std::nullopt);
    deleter.setFinderTag(true, temporaryTag, none);
    EXPECT_EQ(raw(none, tagsAttribute), QByteArray("Temporary"));
    deleter.setFinderTag(false, temporaryTag, none);
    EXPECT_EQ(raw(none, tagsAttribute), std::nullopt) << "no empty list is left behind";

    const path caseDiffers = make("case");
    ASSERT_TRUE(writeXattr(caseDiffers, tagsAttribute, "temporary").ok());
    deleter.setFinderTag(true, temporaryTag, caseDiffers);
    EXPECT_EQ(raw(caseDiffers, tagsAttribute), QByteArray("temporary,Temporary"));

    deleter.setFinderTag(true, temporaryTag, home.downloads() / "missing");
    EXPECT_EQ(log.count("Finder tag update failed for %s: %s"), 1);
}

TEST_F(DeleterTest, TrashMovesTheItemAndALinkGoesAsTheLink) {
    const path file = make("report.pdf", "pdf");
    ASSERT_TRUE(deleter.deleteItem(file, DeletionMethod::trash).ok());
    EXPECT_FALSE(pathExists(file));
    EXPECT_TRUE(pathExists(home.dataHome() / "Trash/files/report.pdf"));
    EXPECT_TRUE(pathExists(home.dataHome() / "Trash/info/report.pdf.trashinfo"));

    const path outside = home.root() / "precious.txt";
    writeFile(outside, "keep me");
    const path link = home.downloads() / "link.txt";
    std::filesystem::create_symlink(outside, link);
    ASSERT_TRUE(deleter.deleteItem(link, DeletionMethod::trash).ok());
    EXPECT_EQ(readFile(outside), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(home.dataHome() / "Trash/files/link.txt"));
}

TEST_F(DeleterTest, PermanentRemovesAFolderWithItsContentsButNotWhatLinksPointTo) {
    const path outside = home.root() / "outside";
    std::filesystem::create_directory(outside);
    writeFile(outside / "keep.txt", "keep");
    const path folder = home.downloads() / "Expanded";
    std::filesystem::create_directories(folder / "deep/er");
    writeFile(folder / "deep/er/file", "x");
    std::filesystem::create_directory_symlink(outside, folder / "escape");
    ASSERT_TRUE(deleter.deleteItem(folder, DeletionMethod::permanent).ok());
    EXPECT_FALSE(pathExists(folder));
    EXPECT_EQ(readFile(outside / "keep.txt"), "keep");

    const auto missing = deleter.deleteItem(folder, DeletionMethod::permanent);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ENOENT);
}
