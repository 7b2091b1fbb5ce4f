#include "intake/FileKind.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace fadebin;
using namespace fadebin::test;

TEST(FileKind, ClassifiesByTableThenByContentType) {
    struct Case {
        const char* name;
        FileKind kind;
    };
    const Case cases[] = {
        {"README", FileKind::other},
        {"blob.qqqzzz", FileKind::other},
        {"Report.PDF", FileKind::pdf},
        {"photo.JPG", FileKind::image},
        {"clip.mov", FileKind::video},
        {"song.mp3", FileKind::audio},
        {"script.py", FileKind::code},
        {"data.json", FileKind::data},
        {"setup.exe", FileKind::package},
        {"letter.rtf", FileKind::document},
        {"main.c", FileKind::code},
        {"app.js", FileKind::code},
        {"tool.deb", FileKind::package},
        {"lib.jar", FileKind::archive},
        {"backup.tar", FileKind::archive},
        {"page.html", FileKind::text},
        {"movie.mkv", FileKind::video},
        {"feed.rss", FileKind::data},
        {"disk.img", FileKind::package},
        {"sheet.xlsm", FileKind::spreadsheet},
        {"deck.odp", FileKind::presentation},
        {"font.ttf", FileKind::font},
        {"font.pfb", FileKind::font},
        {"Main.java", FileKind::code},
        {"archive.tar.gz", FileKind::archive},
        {"book.epub", FileKind::book},
        {"magnet.torrent", FileKind::link},
        {"notes.md", FileKind::text},
        {"style.css", FileKind::code},
        {"schema.xsd", FileKind::data},
        {"trailing.", FileKind::other},
    };
    for (const Case& c : cases)
        EXPECT_EQ(classify(c.name, false), c.kind) << c.name;
    EXPECT_EQ(classify("photos.jpg", true), FileKind::folder);
}

TEST(FileKind, EveryKindHasItsOwnIconName) {
    std::set<std::string> names;
    for (int k = 0; k < fileKindCount; ++k)
        names.insert(iconName(static_cast<FileKind>(k)));
    EXPECT_EQ(names.size(), static_cast<std::size_t>(fileKindCount));
    EXPECT_STREQ(iconName(FileKind::image), "image01");
    EXPECT_STREQ(iconName(FileKind::other), "file02");
    EXPECT_EQ(tint(FileKind::pdf), (RgbColor{1.0, 0.42, 0.42}));
}

namespace {

class SourceTest : public ::testing::Test {
protected:
    path make(const std::string& name) {
        const path p = home.downloads() / name;
        writeFile(p, "x");
        return p;
    }
    void set(const path& p, const char* attribute, const QByteArray& value) {
        ASSERT_TRUE(writeXattr(p, attribute, value).ok())
            << "user xattrs must work on the test folder";
    }
    TempHome home;
};

} // namespace

TEST_F(SourceTest, QuarantineAgentNeedsANonBlankThirdField) {
    const path chrome = make("a");
    set(chrome, quarantineAttribute, "0081;65a1b2c3;Google Chrome;9F2B");
    EXPECT_EQ(sourceName(chrome), QStringLiteral("Chrome"));

    const path blank = make("b");
    set(blank, quarantineAttribute, "0081;65a1b2c3; \t ;x");
    EXPECT_EQ(quarantineAgent(blank), std::nullopt);
    EXPECT_EQ(sourceName(blank), std::nullopt);

    const path shortValue = make("c");
    set(shortValue, quarantineAttribute, "0081;65a1b2c3");
    EXPECT_EQ(quarantineAgent(shortValue), std::nullopt);

    const path unknown = make("d");
    set(unknown, quarantineAttribute, "0081;0;  Fetcher Pro ");
    EXPECT_EQ(sourceName(unknown), QStringLiteral("Fetcher Pro"));

    const path garbage = make("e");
    set(garbage, quarantineAttribute, QByteArray("\xff\xfe;\x01;Safari", 11));
    EXPECT_EQ(sourceName(garbage), QStringLiteral("Safari"));
}

TEST_F(SourceTest, AirDropOutranksAHostAndAHostOutranksTheAgent) {
    const path airdrop = make("a");
    set(airdrop, quarantineAttribute, "0001;0;sharingd;");
    set(airdrop, originUrlAttribute, "https://example.com/file");
    EXPECT_EQ(sourceName(airdrop), QStringLiteral("AirDrop"));

    const path web = make("b");
    set(web, quarantineAttribute, "0001;0;Safari;");
    set(web, originUrlAttribute, "https://www.example.org/download?id=1");
    EXPECT_EQ(sourceName(web), QStringLiteral("example.org"));
}

TEST_F(SourceTest, WhereFromsSkipEntriesWithoutAHost) {
    const path first = make("a");
    set(first, originUrlAttribute, "not a url at all");
    set(first, referrerUrlAttribute, "https://www.files.example.net/page");
    EXPECT_EQ(sourceName(first), QStringLiteral("files.example.net"));

    const path local = make("b");
    set(local, originUrlAttribute, "file:///home/user/x");
    EXPECT_EQ(sourceName(local), std::nullopt);

    const path none = make("c");
    EXPECT_EQ(sourceName(none), std::nullopt);
    EXPECT_EQ(sourceName(home.downloads() / "missing"), std::nullopt);
}
