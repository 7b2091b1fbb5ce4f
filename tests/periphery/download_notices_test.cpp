#include "app/DisplayText.h"
#include "expiry/FileDeleter.h"
#include "periphery/DownloadNotices.h"
#include "periphery/NotificationServer.h"
#include "support/ModelWorld.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

const QStringList commonChoices{"oneHour", "1 hour", "oneDay", "1 day", "forever", "Keep it"};

// The model started, with a notification server of the test's own (none without capabilities).
struct NoticeScene : ModelHarness {
    explicit NoticeScene(std::optional<QStringList> capabilities = QStringList{"actions", "body"}) {
        if (bus.address().isEmpty())
            return;
        if (capabilities)
            server.emplace(bus.connect(QStringLiteral("server")), *capabilities);
        notifications.emplace(bus.connect(QStringLiteral("program")));
        notices.emplace(model, clock, *notifications);
        notices->setActive(true);
    }
    // Downloads finishing together, then the time they are gathered for.
    void arrive(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            writeFile(file(name), "payload");
            model.completionFilter().handleItemEvent(file(name));
        }
        clock.advance(1500ms);
        clock.advance(DownloadNotices::gatherTime);
    }
    [[nodiscard]] bool told(std::size_t count) {
        return waitFor([&] { return server->shown.size() == count; });
    }
    // Runs the sweep that trashes what is due by now.
    void sweepAfter(Duration wait) {
        clock.advance(wait);
        nextTurn();
    }

    PrivateBus bus;
    std::optional<NotificationServer> server;
    std::optional<DesktopNotifications> notifications;
    std::optional<DownloadNotices> notices;
};

#define NEED_BUS(scene)                                                                            \
    if ((scene).bus.address().isEmpty())                                                           \
    GTEST_SKIP() << "dbus-daemon is not installed; no private session bus"

} // namespace

TEST(DownloadNotices, NoticeTexts) {
    ModelHarness world;
    TrackedFile* one =
        world.download("report.pdf", std::string(2'000'000, 'x'), "https://example.org/report.pdf");
    ASSERT_NE(one, nullptr);
    const auto single = arrivalNotice({one}, true, 5min);
    // Names and hosts come from outside: shown as the notch shows them, never breaking a line.
    const QString from = "New download · From " + shownName("example.org") + " · 2.0 MB\n";
    EXPECT_EQ(single.summary, shownName("report.pdf"));
    EXPECT_EQ(single.body, from + "How long should Fadebin keep it?");
    EXPECT_EQ(single.bodyWithoutActions, from + "Unless you decide with the fadebin command, "
                                                "your default choice applies in 5 minutes.");
    EXPECT_EQ(single.actions.back(), std::pair(DownloadNotices::chooseAction, QString("Choose…")));

    std::vector<const TrackedFile*> five{one};
    for (const char* name : {"a\nHow long", "b", "c", "d"})
        five.push_back(world.download(name));
    const auto many = arrivalNotice(five, false, 30s);
    EXPECT_EQ(many.summary, "5 new downloads");
    EXPECT_EQ(many.body,
              QStringList({shownName("report.pdf"), shownName("a\nHow long"), shownName("b")})
                      .join(", ") +
                  " and 2 more\nHow long should Fadebin keep them?");
    EXPECT_TRUE(many.bodyWithoutActions.endsWith("applies in a minute."));
    EXPECT_EQ(many.actions.size(), 3U); // no "Choose…" where nothing can show the choice

    DeletionEvent permanent{{"x"}, FileKind::other, DeletionMethod::permanent, {}, {}};
    EXPECT_TRUE(deletionNotice(permanent).actions.empty()); // nothing to put back
}

// One notice per arrival, however many files; its action leaves a file decided meanwhile.
TEST(DownloadNotices, ArrivalsAreGatheredAndTheirActionsDecide) {
    NoticeScene scene;
    NEED_BUS(scene);
    ASSERT_TRUE(scene.server->serving());
    scene.arrive({"report.pdf"});
    ASSERT_TRUE(scene.told(1));
    EXPECT_EQ(scene.server->shown[0].actions, commonChoices);

    scene.arrive({"a", "b", "c", "d", "e"});
    ASSERT_TRUE(scene.told(2));
    EXPECT_EQ(scene.server->shown[1].summary, "5 new downloads");
    scene.model.decide(scene.record("e"), ExpiryOption::tenDays);
    scene.server->invoke(1, "oneHour");
    ASSERT_TRUE(waitFor([&] { return scene.record("a")->status() == FileStatus::scheduled; }));
    for (const char* name : {"a", "b", "c", "d"})
        EXPECT_EQ(scene.record(name)->expiresAt(), scene.clock.now() + 1h) << name;
    EXPECT_EQ(scene.record("e")->expiresAt(), scene.clock.now() + std::chrono::days(10));
    EXPECT_EQ(scene.record("report.pdf")->status(), FileStatus::pending);
}

// A sweep's notice puts its files back; a place taken since is refused and left as it is.
TEST(DownloadNotices, UndoPutsASweepBackAndRefusesATakenPlace) {
    NoticeScene scene;
    NEED_BUS(scene);
    scene.downloads({"old.txt", "taken.txt"});
    for (const char* name : {"old.txt", "taken.txt"}) // due together: one sweep
        scene.model.decide(scene.record(name), ExpiryOption::tenSeconds);
    scene.sweepAfter(11s);
    ASSERT_FALSE(exists(scene.file("old.txt")));
    ASSERT_TRUE(scene.told(1));
    EXPECT_EQ(scene.server->shown[0].summary, "2 files moved to Trash");
    EXPECT_EQ(scene.server->shown[0].actions, (QStringList{"undo", "Undo"}));

    writeFile(scene.file("taken.txt"), "a new file");
    scene.server->invoke(0, "undo");
    ASSERT_TRUE(scene.told(2));
    EXPECT_EQ(readFile(scene.file("old.txt")), "payload");
    EXPECT_EQ(scene.server->shown[1].summary, "1 file could not be put back");
    EXPECT_EQ(scene.server->shown[1].body,
              shownName("taken.txt") + ": another file is at its place now");

    // From a terminal: the last sweep of this run, once.
    std::filesystem::remove(scene.file("taken.txt"));
    const AppModel::Undone last = scene.model.undoLastSweep();
    EXPECT_EQ(last.restored, std::vector<path>{scene.file("taken.txt")});
    EXPECT_EQ(readFile(scene.file("taken.txt")), "payload");
    EXPECT_EQ(scene.model.undoLastSweep().refused.size(), 1U);
}

// A rule's decision is told with "Change", which asks again; an offered rule is made by an action.
TEST(DownloadNotices, RuleDecisionsAndOffersAreToldAndAnswered) {
    NoticeScene scene;
    NEED_BUS(scene);
    ASSERT_TRUE(scene.settings.addRule(*ruleFromWords("", "", "pdf", "1d").rule));
    const auto shownAs = [&](const QString& summary) { // the newest notice with it
        std::optional<std::size_t> found;
        waitFor([&] {
            for (std::size_t i = 0; i < scene.server->shown.size(); ++i)
                if (scene.server->shown[i].summary == summary)
                    found = i;
            return found.has_value();
        });
        return found;
    };
    scene.arrive({"bill.pdf"});
    const auto ruled = shownAs("Kept for 1 day by your rule");
    ASSERT_TRUE(ruled);
    EXPECT_EQ(scene.server->shown[*ruled].body, shownName("bill.pdf · .pdf files"));
    EXPECT_EQ(scene.server->shown[*ruled].actions, (QStringList{"change", "Change"}));
    scene.server->invoke(*ruled, "change");
    ASSERT_TRUE(waitFor([&] {
        const TrackedFile* bill = scene.record("bill.pdf");
        return bill && bill->status() == FileStatus::pending;
    }));
    scene.clock.advance(DownloadNotices::gatherTime);
    EXPECT_TRUE(shownAs(shownName("bill.pdf"))) << "asked about again";

    for (const char* name : {"a.png", "b.png", "c.png"})
        scene.model.decide(scene.download(name, "payload", "https://example.org/x"),
                           ExpiryOption::oneHour);
    const auto offered = shownAs("Make it a rule?");
    ASSERT_TRUE(offered);
    EXPECT_EQ(scene.server->shown[*offered].body,
              shownName("Always keep images from example.org for 1 hour?"));
    scene.server->invoke(*offered, "accept");
    EXPECT_TRUE(waitFor([&] { return scene.settings.rules().size() == 2; }));
}

// Without actions the body says what happens; switched off, nothing; without a server, one log.
TEST(DownloadNotices, FallsBackWithoutActionsAndWithoutAServer) {
    {
        NoticeScene scene(QStringList{"body"});
        NEED_BUS(scene);
        scene.notices->setActive(false);
        scene.arrive({"quiet"});
        scene.notices->setActive(true);
        scene.arrive({"loud"});
        ASSERT_TRUE(scene.told(1));
        EXPECT_EQ(scene.server->shown[0].summary, shownName("loud"));
        EXPECT_TRUE(scene.server->shown[0].actions.isEmpty());
        EXPECT_TRUE(scene.server->shown[0].body.contains("your default choice applies"));
    }
    NoticeScene scene(std::nullopt);
    NEED_BUS(scene);
    const std::string noServer = "No notification server: new downloads are not asked about "
                                 "and get the default choice after the grace period";
    scene.arrive({"one"});
    scene.arrive({"two"});
    ASSERT_TRUE(waitFor([&] { return scene.log.contains(noServer); }));
    scene.arrive({"three"});
    EXPECT_EQ(scene.log.count(noServer), 1);
}
