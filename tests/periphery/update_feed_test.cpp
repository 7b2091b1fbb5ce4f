#include "periphery/UpdateFeed.h"

#include <gtest/gtest.h>

using namespace fadebin;

namespace {

QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
           "sparkle\"><channel><title>Fadebin</title>" +
           items + "</channel></rss>";
}

QByteArray item(const QByteArray& version, const QByteArray& extra = {}) {
    return "<item><title>Fadebin " + version + "</title><sparkle:version>" + version +
           "</sparkle:version>" + extra + "</item>";
}

} // namespace

TEST(UpdateFeed, VersionsCompareNumberByNumber) {
    struct Case {
        const char* a;
        const char* b;
        std::optional<int> order;
    };
    const Case cases[] = {
        {"1.10", "1.9", 1},
        {"1.2", "1.2.0", 0},
        {"1.2.1", "1.2", 1},
        {"2", "10", -1},
        {"0.1.0", "0.1", 0},
        {"007", "7", 0},
        {"1.2-beta", "1", {}},
        {"", "1", {}},
        {"1..2", "1", {}},
        {"v1", "1", {}},
        {"1.2.3.4.5.6.7.8.9", "1", {}},
        {"1234567890", "1", {}},
        {" 1", "1", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
        EXPECT_EQ(compareVersions(QString::fromLatin1(c.a), QString::fromLatin1(c.b)), c.order);
    }
}

TEST(UpdateFeed, ReadsItemsFromElementsAndEnclosureAttributes) {
    const FeedParse parsed = parseUpdateFeed(feed(
        item("1.9", "<link>https://example.org/1.9</link><sparkle:shortVersionString>1.9 "
                    "</sparkle:shortVersionString>") +
        "<item><title>By attribute</title><enclosure url=\"https://example.org/f.deb\" "
        "sparkle:version=\"1.10\" sparkle:shortVersionString=\"1.10 beta\" length=\"1\"/></item>" +
        item("1.2.0", "<enclosure url=\"https://example.org/x\" sparkle:version=\"9.9\"/>") +
        "<item><title>No version</title></item>"
        "<item><version>5</version><sparkle:version xmlns:sparkle=\"urn:other\">6</sparkle:version>"
        "</item>"));
    ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.items.size(), 5u);
    EXPECT_EQ(parsed.items[0].displayVersion(), "1.9");
    EXPECT_EQ(parsed.items[0].releasePage(), QUrl("https://example.org/1.9"));
    EXPECT_EQ(parsed.items[1].version, "1.10");
    EXPECT_EQ(parsed.items[1].displayVersion(), "1.10 beta");
    EXPECT_EQ(parsed.items[1].releasePage(), QUrl("https://example.org/f.deb"));
    EXPECT_EQ(parsed.items[2].version, "1.2.0") << "the element wins over the attribute";
    EXPECT_TRUE(parsed.items[3].version.isEmpty());
    EXPECT_TRUE(parsed.items[4].version.isEmpty()) << "only the sparkle namespace counts";

    // The newest above the running version; equal versions are no update.
    EXPECT_EQ(newestUpdate(parsed.items, "1.2")->version, "1.10");
    EXPECT_EQ(newestUpdate(parsed.items, "1.10"), std::nullopt);
    EXPECT_EQ(newestUpdate(parsed.items, "not a version"), std::nullopt);
}

TEST(UpdateFeed, RefusesMalformedAndHostileDocuments) {
    QByteArray deep = "<rss><channel>";
    for (int i = 0; i < 40; ++i)
        deep += "<a>";
    const std::pair<const char*, QByteArray> cases[] = {
        {"truncated", feed(item("1.3")).chopped(12)},
        {"not xml", "this is not a feed"},
        {"entity bomb", "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
                        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><rss><channel>"
                        "<item><title>&b;</title></item></channel></rss>"},
        {"atom", "<feed xmlns=\"http://www.w3.org/2005/Atom\"><entry/></feed>"},
        {"no channel", "<rss version=\"2.0\"></rss>"},
        {"too deep", deep},
        {"too large", feed(QByteArray(feedLimits::maxBytes, ' '))},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        const FeedParse parsed = parseUpdateFeed(bytes);
        EXPECT_FALSE(parsed.ok());
        EXPECT_TRUE(parsed.items.empty());
    }
}

TEST(UpdateFeed, BoundsWhatAFeedCanMakeItHold) {
    QByteArray many;
    for (int i = 0; i < 600; ++i)
        many += item("1." + QByteArray::number(i));
    const QByteArray longText(5000, 'x');
    const FeedParse parsed = parseUpdateFeed(
        feed(many + "<item><title>" + longText + "</title><sparkle:version>1." + longText +
             "</sparkle:version><link>https://e.org/" + longText + "</link></item>"));
    ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.items.size(), feedLimits::maxItems);
    EXPECT_EQ(parsed.items.back().version, "1.499");

    const FeedParse oversized = parseUpdateFeed(
        feed("<item><title>" + longText + "</title><sparkle:version>1." + longText +
             "</sparkle:version><link>https://e.org/" + longText + "</link></item>"));
    ASSERT_EQ(oversized.items.size(), 1u);
    EXPECT_EQ(oversized.items[0].title.size(), feedLimits::maxTitle);
    EXPECT_EQ(versionParts(oversized.items[0].version), std::nullopt);
    EXPECT_TRUE(oversized.items[0].link.isEmpty());
}

TEST(UpdateFeed, OnlyWebPagesAreOfferedAndOnlySensibleVersionsShown) {
    UpdateItem release;
    release.version = "1.3";
    release.link = QUrl("javascript:alert(1)");
    release.enclosure = QUrl("https://example.org/fadebin.deb");
    EXPECT_EQ(release.releasePage(), QUrl("https://example.org/fadebin.deb"));
    release.enclosure = QUrl("file:///etc/passwd");
    EXPECT_EQ(release.releasePage(), std::nullopt);
    release.shortVersion = "1.3\nRun this";
    EXPECT_EQ(release.displayVersion(), "1.3");
    release.shortVersion = "1.3 (Spring)";
    EXPECT_EQ(release.displayVersion(), "1.3 (Spring)");
}
