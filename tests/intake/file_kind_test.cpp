#include "intake/FileKind.h"

#include <gtest/gtest.h>

#include <set>

using namespace fadebin;
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
