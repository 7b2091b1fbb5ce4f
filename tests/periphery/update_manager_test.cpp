#include "periphery/HttpServer.h"
#include "periphery/NotificationServer.h"
#include "periphery/UpdateAnnouncer.h"
#include "periphery/UpdateFeed.h"
#include "periphery/UpdateWindow.h"
#include "periphery/WindowDriver.h"
#include "platform/SettingsFile.h"
#include "support/PrivateBus.h"

#include <QQmlComponent>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

QByteArray item(const QByteArray& version, const QByteArray& extra = {}) {
    return "<item><title>Fadebin " + version + "</title><sparkle:version>" + version +
           "</sparkle:version>" + extra + "</item>";
}

// The manager against a real server on a loopback port, on the manual clock.
struct UpdateScene {
    // Version 1.2, build 12 unless told otherwise.
    explicit UpdateScene(std::optional<QUrl> feed = {},
                         std::optional<QString> build = QStringLiteral("12"))
        : updates(world.clock, world.network,
                  feed ? feed : std::optional<QUrl>(server.url("/appcast.xml")),
                  QStringLiteral("1.2"), std::move(build), 300ms) {
        updates.openUrl = [this](const QUrl& url) { opened.push_back(url); };
    }
    // Serves the feed and runs one check the user asked for to its end.
    void check(HttpServer::Response response) {
        server.respond("/appcast.xml", std::move(response));
        updates.checkForUpdates();
        ASSERT_TRUE(waitFor([this] { return !updates.isChecking(); }));
    }

    WindowWorld world;
    HttpServer server;
    UpdateManager updates;
    std::vector<QUrl> opened;
};

} // namespace

// Told through the desktop's notifications once per version, across checks and restarts.
TEST(UpdateNotice, ToldOncePerVersionAndItsActionOpensTheReleasePage) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    NotificationServer server(bus.connect(QStringLiteral("test-server")));
    ASSERT_TRUE(server.serving());
    UpdateScene scene;
    const auto scheduledCheck = [&](const QByteArray& feed) {
        scene.server.respond("/appcast.xml", HttpServer::answer(200, feed));
        const size_t before = scene.server.requests().size();
        scene.world.clock.advance(24h);
        ASSERT_TRUE(waitFor([&] {
            return scene.server.requests().size() > before && !scene.updates.isChecking();
        }));
    };
    scene.updates.start();
    for (int run = 0; run < 3; ++run) { // each run is the program started again
        SettingsFile defaults(scene.world.home.configHome() / "Fadebin/defaults.json");
        DesktopNotifications notifications(bus.connect(QStringLiteral("test-program")));
        UpdateAnnouncer announcer(scene.updates, defaults, notifications);
        if (run < 2) {
            scheduledCheck(feedWith("13", "1.3"));
            scheduledCheck(feedWith("13", "1.3"));
            // A notice the server never confirmed is told again: wait for its answer.
            ASSERT_TRUE(waitFor(
                [&] { return defaults.stringValue(UpdateAnnouncer::toldVersionKey) == "13"; }));
            continue;
        }
        scheduledCheck(feedWith("14", "1.4"));
        ASSERT_TRUE(waitFor([&] { return server.shown.size() == 2; }));
        // Its own notice's action opens the page; an earlier run's notice does not.
        for (const std::size_t index : {0, 1}) {
            EXPECT_EQ(server.shown.at(index).body,
                      QStringLiteral("Fadebin 1.%1 is available. You have 1.2.").arg(index + 3));
            EXPECT_EQ(server.shown.at(index).actions, (QStringList{"download", "Download…"}));
            server.invoke(index, QStringLiteral("download"));
        }
        ASSERT_TRUE(waitFor([&] { return !scene.opened.empty(); }));
        EXPECT_EQ(scene.opened, (std::vector<QUrl>{QUrl("https://fadebin.example/releases/14")}));
    }
}

TEST(UpdateManager, FindsClearsAndKeepsTheFlagThroughFailedChecks) {
    UpdateScene scene;
    QSignalSpy changed(&scene.updates, &UpdateManager::updateAvailableChanged);
    scene.check(HttpServer::answer(200, feedWith("13", "1.10")));
    EXPECT_TRUE(scene.updates.updateAvailable()); // its text and page: the window's test

    // Failures are logged with their reason and change nothing.
    const std::pair<const char*, HttpServer::Response> failures[] = {
        {"malformed feed", HttpServer::answer(200, "<rss><channel><item>")},
        {"HTTP status 404", HttpServer::answer(404, "gone")},
        {"not https",
         HttpServer::answer(302, {}, {{"Location", "http://fadebin.example/appcast.xml"}})},
        {"larger than", HttpServer::answer(200, QByteArray(feedLimits::maxBytes + 10, ' '))},
        {"no answer within 300 ms", HttpServer::silence()},
    };
    for (const auto& [reason, response] : failures) {
        SCOPED_TRACE(reason);
        scene.check(response);
        EXPECT_TRUE(scene.updates.updateAvailable());
        EXPECT_EQ(scene.updates.userCheck(), UpdateManager::UserCheck::failed);
        EXPECT_EQ(scene.updates.userCheckText(), "Couldn't check for updates right now.");
        const auto lines = scene.world.log.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().format, "Update check failed: %s");
        EXPECT_NE(lines.back().message.find(reason), std::string::npos) << lines.back().message;
    }

    // A redirect to a good feed is followed; build 12.0 is the running 12, so no update.
    scene.server.respond("/moved.xml", HttpServer::answer(200, feedWith("12.0", "1.2")));
    scene.check(
        HttpServer::answer(301, {}, {{"Location", scene.server.url("/moved.xml").toEncoded()}}));
    EXPECT_FALSE(scene.updates.updateAvailable());
    EXPECT_EQ(scene.updates.userCheckText(), "You're up to date.");
    EXPECT_EQ(changed.count(), 2);
}

// xdg-open is a stand-in that writes its arguments and where its output goes.
TEST(UpdateManager, OpensTheReleasePageWithTheBrowsersOutputOnTheNullDevice) {
    WindowWorld world;
    UpdateManager updates(world.clock, world.network, std::nullopt, QStringLiteral("1.2"),
                          QStringLiteral("12"));
    const path bin = world.home.root() / "bin", opened = world.home.root() / "opened.txt";
    std::filesystem::create_directory(bin);
    writeFile(bin / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$(readlink /proc/$$/fd/1)\" "
                                "\"$(readlink /proc/$$/fd/2)\" > '" +
                                    opened.native() + "'\necho noise; echo noise >&2\n");
    std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    const std::string was = std::getenv("PATH");
    ::setenv("PATH", (bin.native() + ":" + was).c_str(), 1);
    updates.openUrl(QUrl(QStringLiteral("https://fadebin.example/releases/1.3?a=b c")));
    EXPECT_TRUE(waitFor(
        [&] { return readFile(opened).find("/dev/null\n/dev/null\n") != std::string::npos; }));
    ::setenv("PATH", was.c_str(), 1);
    EXPECT_EQ(readFile(opened),
              "https://fadebin.example/releases/1.3?a=b%20c\n/dev/null\n/dev/null\n");
}

// The feed's sparkle:version is a build number; the short version is only shown.
TEST(UpdateManager, ComparesTheItemsBuildNumberWithThisBuilds) {
    struct Case {
        std::optional<QString> build;
        QByteArray item;
        UpdateManager::UserCheck result;
    };
    using enum UpdateManager::UserCheck;
    const Case cases[] = {
        {"92", "93", available},      {"93", "93", upToDate},    {"93", "92", upToDate},
        {"99", "100", available},     {"93", "94a", upToDate},   {"93", "", upToDate},
        {std::nullopt, "93", failed}, {"unknown", "93", failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.build.value_or("none").toStdString() + " vs " + c.item.toStdString());
        UpdateScene scene({}, c.build);
        scene.check(HttpServer::answer(200, feedWith(c.item, QStringLiteral("1.0.1"))));
        EXPECT_EQ(scene.updates.userCheck(), c.result);
    }
}

TEST(UpdateManager, ChecksAMinuteAfterStartThenDaily) {
    UpdateScene scene;
    scene.server.respond("/appcast.xml", HttpServer::answer(200, feedWith("13", "1.3")));
    QSignalSpy started(&scene.updates, &UpdateManager::userCheckStarted);
    scene.updates.start();
    scene.world.clock.advance(59s);
    EXPECT_TRUE(scene.server.requests().empty());
    scene.world.clock.advance(1s);
    ASSERT_TRUE(waitFor([&] { return scene.updates.updateAvailable(); }));
    EXPECT_EQ(scene.server.requests().size(), 1u);
    scene.world.clock.advance(24h - 1s);
    EXPECT_FALSE(scene.updates.isChecking());
    scene.world.clock.advance(1s);
    EXPECT_TRUE(scene.updates.isChecking());
    ASSERT_TRUE(waitFor([&] { return !scene.updates.isChecking(); }));
    scene.world.clock.advance(24h);
    ASSERT_TRUE(waitFor([&] { return scene.server.requests().size() == 3; }));
    EXPECT_EQ(started.count(), 0) << "scheduled checks show no window";
    EXPECT_EQ(scene.updates.userCheck(), UpdateManager::UserCheck::idle);
}

TEST(UpdateWindow, ShowsTheFeedsTextLiterallyAndFetchesNothingItNames) {
    UpdateScene scene;
    UpdateWindow result(scene.world.engine, scene.updates);
    HttpServer pictures;
    // Markup that fits the 32 characters a version may have to be shown (127.1 is 127.0.0.1).
    const QString version =
        QStringLiteral("<img src=\"http://127.1:%1\">").arg(pictures.url({}).port());
    scene.check(HttpServer::answer(200, feedWith("13", version)));
    QQuickWindow* window = result.window();
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(
        showsText(window, QStringLiteral("Fadebin %1 is available. You have 1.2.").arg(version)));
    // The engine fetches in order: a probe picture arrives after anything the text asked for.
    QQmlComponent probe(&scene.world.engine);
    probe.setData("import QtQuick\nImage { source: \"" + pictures.url("/probe.png").toEncoded() +
                      "\" }",
                  QUrl());
    std::unique_ptr<QObject> image(probe.create());
    ASSERT_TRUE(image) << probe.errorString().toStdString();
    ASSERT_TRUE(waitFor([&] { return !pictures.requests().empty(); }));
    ASSERT_TRUE(waitFor([&] { return image->property("status").toInt() != 2; })); // not Loading
    ASSERT_EQ(pictures.requests().size(), 1u);
    EXPECT_EQ(pictures.requests()[0].path, "/probe.png");
}

TEST(UpdateFeed, VersionsCompareNumberByNumber) {
    const std::tuple<const char*, const char*, int> ordered[] = {
        {"1.10", "1.9", 1}, {"1.2", "1.2.0", 0}, {"1.2.1", "1.2", 1},
        {"2", "10", -1},    {"0.1.0", "0.1", 0}, {"007", "7", 0},
    };
    for (const auto& [a, b, order] : ordered)
        EXPECT_EQ(compareVersions(QString::fromLatin1(a), QString::fromLatin1(b)), order)
            << a << " vs " << b;
    for (const char* notVersion :
         {"1.2-beta", "", "1..2", "v1", "1.2.3.4.5.6.7.8.9", "1234567890", " 1"})
        EXPECT_EQ(compareVersions(QString::fromLatin1(notVersion), "1"), std::nullopt)
            << notVersion;
}

TEST(UpdateFeed, ReadsItemsFromElementsAndAttributesAndOffersOnlyWebPages) {
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

    // Only web pages are offered, and only sensible versions shown.
    UpdateItem release{{}, "1.3", {}, QUrl("javascript:alert(1)"), QUrl("https://example.org/f")};
    EXPECT_EQ(release.releasePage(), QUrl("https://example.org/f"));
    release.enclosure = QUrl("file:///etc/passwd");
    EXPECT_EQ(release.releasePage(), std::nullopt);
    release.shortVersion = "1.3\nRun this";
    EXPECT_EQ(release.displayVersion(), "1.3");
    release.shortVersion = "1.3 (Spring)";
    EXPECT_EQ(release.displayVersion(), "1.3 (Spring)");
}

TEST(UpdateFeed, RefusesMalformedAndHostileDocuments) {
    // Well formed, so that only its depth can refuse it.
    const QByteArray deep = "<rss><channel>" + QByteArray("<a>").repeated(40) +
                            QByteArray("</a>").repeated(40) + "</channel></rss>";
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
    const QByteArray oversizedItem = "<item><title>" + longText + "</title><sparkle:version>1." +
                                     longText + "</sparkle:version><link>https://e.org/" +
                                     longText + "</link></item>";
    const FeedParse parsed = parseUpdateFeed(feed(many + oversizedItem));
    ASSERT_TRUE(parsed.ok()) << parsed.error.toStdString();
    ASSERT_EQ(parsed.items.size(), feedLimits::maxItems);
    EXPECT_EQ(parsed.items.back().version, "1.499");

    const FeedParse oversized = parseUpdateFeed(feed(oversizedItem));
    ASSERT_EQ(oversized.items.size(), 1u);
    EXPECT_EQ(oversized.items[0].title.size(), feedLimits::maxTitle);
    EXPECT_EQ(versionParts(oversized.items[0].version), std::nullopt);
    EXPECT_TRUE(oversized.items[0].link.isEmpty());
}
