#include "intake/FileKind.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace fadebin;
using namespace fadebin::test;
using K = FileKind;

TEST(FileKind, ClassifiesByTableThenByContentType) {
    const std::pair<K, std::vector<const char*>> cases[] = {
        {K::other, {"README", "blob.qqqzzz", "trailing."}},
        {K::pdf, {"Report.PDF"}},
        {K::image, {"photo.JPG"}},
        {K::video, {"clip.mov"}},
        {K::audio, {"song.mp3"}},
        {K::code, {"script.py", "main.c", "style.css"}},
        {K::data, {"data.json", "feed.rss"}},
        {K::package, {"setup.exe", "tool.deb", "disk.img"}},
        {K::document, {"letter.rtf"}},
        {K::archive, {"lib.jar", "archive.tar.gz"}},
        {K::text, {"page.html"}},
        {K::spreadsheet, {"sheet.xlsm"}},
        {K::presentation, {"deck.odp"}},
        {K::font, {"font.pfb"}},
        {K::book, {"book.epub"}},
        {K::link, {"magnet.torrent"}},
    };
    for (const auto& [kind, names] : cases)
        for (const char* name : names)
            EXPECT_EQ(classify(name, false), kind) << name;
    EXPECT_EQ(classify("photos.jpg", true), K::folder);

    std::set<std::string> icons;
    for (int k = 0; k < fileKindCount; ++k)
        icons.insert(iconName(static_cast<K>(k)));
    EXPECT_EQ(icons.size(), static_cast<std::size_t>(fileKindCount)) << "one icon per kind";
    EXPECT_STREQ(iconName(K::image), "image01");
    EXPECT_EQ(tint(K::pdf), (RgbColor{1.0, 0.42, 0.42}));
}

namespace {

class SourceTest : public ::testing::Test {
protected:
    // A file in Downloads carrying the given attributes.
    path make(const std::vector<std::pair<const char*, QByteArray>>& attributes) {
        const path p = home.downloads() / std::to_string(++made);
        writeFile(p, "x");
        for (const auto& [name, value] : attributes)
            EXPECT_TRUE(writeXattr(p, name, value).ok()) << "user xattrs must work here";
        return p;
    }
    std::optional<QString> source(const std::vector<std::pair<const char*, QByteArray>>& a) {
        return sourceName(make(a));
    }
    TempHome home;
    int made = 0;
};

} // namespace

TEST_F(SourceTest, QuarantineAgentNeedsANonBlankThirdField) {
    const char* q = quarantineAttribute;
    EXPECT_EQ(source({{q, "0081;65a1b2c3;Google Chrome;9F2B"}}), QStringLiteral("Chrome"));
    EXPECT_EQ(quarantineAgent(make({{q, "0081;65a1b2c3; \t ;x"}})), std::nullopt);
    EXPECT_EQ(source({{q, "0081;65a1b2c3; \t ;x"}}), std::nullopt);
    EXPECT_EQ(quarantineAgent(make({{q, "0081;65a1b2c3"}})), std::nullopt);
    EXPECT_EQ(source({{q, "0081;0;  Fetcher Pro "}}), QStringLiteral("Fetcher Pro"));
    EXPECT_EQ(source({{q, QByteArray("\xff\xfe;\x01;Safari", 11)}}), QStringLiteral("Safari"));
}

TEST_F(SourceTest, AirDropOutranksAHostAndAHostOutranksTheAgent) {
    const char* q = quarantineAttribute;
    const char* origin = originUrlAttribute;
    EXPECT_EQ(source({{q, "0001;0;sharingd;"}, {origin, "https://example.com/file"}}),
              QStringLiteral("AirDrop"));
    EXPECT_EQ(source({{q, "0001;0;Safari;"}, {origin, "https://www.example.org/download?id=1"}}),
              QStringLiteral("example.org"));
    // Where-froms skip entries without a host.
    EXPECT_EQ(source({{origin, "not a url at all"},
                      {referrerUrlAttribute, "https://www.files.example.net/page"}}),
              QStringLiteral("files.example.net"));
    EXPECT_EQ(source({{origin, "file:///home/user/x"}}), std::nullopt);
    EXPECT_EQ(source({}), std::nullopt);
    EXPECT_EQ(sourceName(home.downloads() / "missing"), std::nullopt);
}

TEST(WhereFromHost, IsTheHostWithoutWwwAndNoneWhenNothingIsLeft) {
    const std::pair<const char*, std::optional<QString>> rows[] = {
        {"https://www.example.org/x", QStringLiteral("example.org")},
        {"//www.example.org", QStringLiteral("example.org")},
        {"https://www./x", std::nullopt},
        {"//www.", std::nullopt},
        {"https:///x", std::nullopt},
    };
    for (const auto& [value, host] : rows)
        EXPECT_EQ(parseWhereFromHost(value), host) << value;
}
