#include "intake/FileKind.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace fadebin;
using namespace fadebin::test;
using K = FileKind;

TEST(FileKind, ClassifiesByTableThenByContentTypeAndEachKindHasItsOwnIcon) {
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
    EXPECT_EQ(icons.size(), static_cast<std::size_t>(fileKindCount));
}

// AirDrop outranks a host, a host outranks the quarantine agent, whose third field counts
// only when it is not blank.
TEST(SourceName, ComesFromTheAttributesInTheirOrderOfRank) {
    TempHome home;
    // The names as others write them (browsers, wget --xattr, copies from another desktop),
    // spelled out: a renamed constant must not pass for a working one.
    const char *q = "user.com.apple.quarantine", *origin = "user.xdg.origin.url";
    using Attributes = std::vector<std::pair<const char*, QByteArray>>;
    const std::pair<Attributes, std::optional<QString>> rows[] = {
        {{{q, "0081;65a1b2c3;Google Chrome;9F2B"}}, QStringLiteral("Chrome")},
        {{{q, "0081;65a1b2c3; \t ;x"}}, std::nullopt},
        {{{q, "0081;65a1b2c3"}}, std::nullopt},
        {{{q, "0081;0;  Fetcher Pro "}}, QStringLiteral("Fetcher Pro")},
        {{{q, QByteArray("\xff\xfe;\x01;Safari", 11)}}, QStringLiteral("Safari")},
        {{{q, "0001;0;sharingd;"}, {origin, "https://example.com/file"}},
         QStringLiteral("AirDrop")},
        {{{q, "0001;0;Safari;"}, {origin, "https://www.example.org/download?id=1"}},
         QStringLiteral("example.org")},
        {{{origin, "not a url at all"},
          {"user.xdg.referrer.url", "https://www.files.example.net/"}},
         QStringLiteral("files.example.net")},
        {{{origin, "file:///home/user/x"}}, std::nullopt},
        {{}, std::nullopt},
    };
    int made = 0;
    for (const auto& [attributes, expected] : rows) {
        const path file = home.downloads() / std::to_string(++made);
        writeFile(file, "x");
        for (const auto& [name, value] : attributes)
            ASSERT_TRUE(writeXattr(file, name, value).ok()) << "user xattrs must work here";
        EXPECT_EQ(sourceName(file), expected) << made;
    }
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
