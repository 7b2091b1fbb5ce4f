// The real QML over a real model and the real controller: items found by objectName and
// clicked, results read back from the records, the files and their attributes.
#include "ContentFixture.h"
#include "PendingRowPoints.h"
#include "expiry/FileDeleter.h"

#include <QMimeData>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class ContentTest : public ::testing::Test, public ContentFixture {
protected:
    [[nodiscard]] std::optional<QString> expiryAttribute(const std::string& name) const {
        return FileDeleter().readAttribute(fadebin::expiryAttribute, file(name));
    }
    [[nodiscard]] QString page() const { return view().page(); }
};

TEST_F(ContentTest, TestTimersAreOfferedNowhereUnlessTurnedOn) {
    decided("ticking.pdf", ExpiryOption::oneHour);
    download("a.zip");
    download("b.zip");
    open();
    click(QStringLiteral("pendingChip-a.zip"));
    click(QStringLiteral("time-ticking.pdf"));
    click(QStringLiteral("more-ticking.pdf"));
    click(QStringLiteral("submenu-Change expiry"));
    const auto timerTexts = [&] {
        QStringList found;
        for (const QString& text : visibleTexts())
            if (text == "10s" || text == "30s" || text == "10 seconds" || text == "30 seconds")
                found << text;
        return found;
    };
    // The picker, "Apply to all", the editor and the open change-expiry menu.
    const QStringList places{"option-", "applyToAll-", "change-", "changeTo-"};
    for (const QString& place : places) {
        EXPECT_TRUE(find(place + "oneHour")) << place.toStdString();
        EXPECT_FALSE(find(place + "tenSeconds") || find(place + "thirtySeconds"))
            << place.toStdString();
    }
    EXPECT_EQ(timerTexts(), QStringList());

    settings.setShowTestTimers(true);
    settle();
    for (const QString& place : places)
        EXPECT_TRUE(find(place + "tenSeconds") && find(place + "thirtySeconds"))
            << place.toStdString();
    EXPECT_TRUE(timerTexts().contains(QStringLiteral("30 seconds")));
}

TEST_F(ContentTest, ApplyToAllOnlyWithTwoOrMorePendingFiles) {
    download("one.txt");
    open();
    EXPECT_EQ(find(QStringLiteral("applyToAll")), nullptr);
    download("two.txt");
    settle();
    ASSERT_NE(find(QStringLiteral("applyToAll")), nullptr);
    click(QStringLiteral("applyToAll-oneDay"));
    for (const char* name : {"one.txt", "two.txt"}) {
        EXPECT_EQ(record(name)->status(), FileStatus::scheduled) << name;
        EXPECT_TRUE(expiryAttribute(name).has_value()) << name;
    }
    EXPECT_EQ(page(), "confirmation");
    EXPECT_EQ(textOf(QStringLiteral("confirmationSubtitle")), "2 files");
    EXPECT_EQ(textOf(QStringLiteral("confirmationHeadline")),
              "Planned to delete " +
                  dateText(clock.now() + 24h, clock.now(), view().textContext()));
}

TEST_F(ContentTest, DecidingOneHourOnAPendingRowSchedulesTheFileAndConfirms) {
    TrackedFile* report = download("report.pdf", std::string(2500, 'r'));
    settle();
    ASSERT_EQ(state(), NotchState::expanded) << "a new download opens the panel";
    ASSERT_NE(find(QStringLiteral("pendingRow-report.pdf")), nullptr);
    EXPECT_EQ(textOf(QStringLiteral("pendingDetail")), "Downloads · 2.5 kB");
    EXPECT_EQ(textOf(QStringLiteral("pendingPreview")), "Kept until you delete it");
    click(QStringLiteral("option-oneHour"));
    EXPECT_EQ(textOf(QStringLiteral("pendingPreview")),
              "Until " + dateText(clock.now() + 1h, clock.now(), view().textContext()));
    click(QStringLiteral("doneButton"));

    EXPECT_EQ(report->status(), FileStatus::scheduled);
    EXPECT_EQ(report->expiresAt(), clock.now() + 1h);
    const std::optional<QString> attribute = expiryAttribute("report.pdf");
    ASSERT_TRUE(attribute.has_value());
    EXPECT_EQ(parseExpiry(*attribute), std::chrono::floor<std::chrono::seconds>(clock.now() + 1h));
    EXPECT_EQ(page(), "confirmation");
    EXPECT_EQ(textOf(QStringLiteral("confirmationSubtitle")), "report.pdf");
    // The last decision: the card stays a second, then the panel closes.
    advance(1s);
    EXPECT_EQ(state(), NotchState::collapsed);
}

TEST_F(ContentTest, KeepItKeepsTheFileForever) {
    TrackedFile* kept = download("keeper.iso");
    settle();
    click(QStringLiteral("keepButton"));
    EXPECT_EQ(kept->status(), FileStatus::keepForever);
    EXPECT_FALSE(kept->expiresAt().has_value());
    EXPECT_FALSE(expiryAttribute("keeper.iso").has_value());
    EXPECT_EQ(textOf(QStringLiteral("confirmationHeadline")), "Planned to keep forever");
}

TEST_F(ContentTest, TrackedRowsChangeKeepRevealAndDelete) {
    TrackedFile* a = decided("a.pdf", ExpiryOption::oneHour);
    TrackedFile* b = decided("b.pdf", ExpiryOption::oneDay);
    TrackedFile* c = decided("c.pdf", ExpiryOption::tenDays);
    open();
    EXPECT_EQ(textOf(QStringLiteral("time-a.pdf")), "1h");
    advance(61s);
    EXPECT_EQ(textOf(QStringLiteral("time-a.pdf")), "58m") << "the time follows the clock";

    // The change-expiry menu.
    click(QStringLiteral("more-a.pdf"));
    EXPECT_TRUE(controller->isMenuOpen());
    click(QStringLiteral("submenu-Change expiry"));
    click(QStringLiteral("changeTo-oneDay"));
    EXPECT_EQ(a->expiresAt(), clock.now() + 24h);
    EXPECT_TRUE(expiryAttribute("a.pdf").has_value());
    EXPECT_FALSE(controller->isMenuOpen()) << "both menus closed with the choice";

    // The editor behind the time.
    click(QStringLiteral("time-b.pdf"));
    EXPECT_EQ(controller->editingTrackedID(), b->id());
    click(QStringLiteral("change-thirtyMinutes"));
    EXPECT_EQ(b->expiresAt(), clock.now() + 30min);
    EXPECT_EQ(controller->editingTrackedID(), std::nullopt);

    click(QStringLiteral("more-c.pdf"));
    click(QStringLiteral("showInFolderItem"));
    EXPECT_EQ(workspace.revealed, std::vector<path>{file("c.pdf")});
    click(QStringLiteral("more-c.pdf"));
    click(QStringLiteral("keepForeverItem"));
    EXPECT_EQ(c->status(), FileStatus::keepForever);
    EXPECT_FALSE(expiryAttribute("c.pdf").has_value());

    click(QStringLiteral("more-b.pdf"));
    click(QStringLiteral("deleteNowItem"));
    EXPECT_EQ(b->status(), FileStatus::deleted);
    EXPECT_FALSE(pathExists(file("b.pdf")));
    EXPECT_TRUE(pathExists(home.dataHome() / "Trash/files/b.pdf"));
    EXPECT_FALSE(controller->isMenuOpen());
    EXPECT_EQ(find(QStringLiteral("trackedRow-b.pdf")), nullptr);
}

TEST_F(ContentTest, PausedAndEmptySaysSoAndThePauseButtonResumes) {
    settings.setPauseWatching(true);
    open();
    EXPECT_EQ(page(), "empty");
    EXPECT_EQ(textOf(QStringLiteral("emptyDetail")), "Watching is paused.");
    EXPECT_EQ(textOf(QStringLiteral("footerText")), "Fadebin · paused");
    EXPECT_EQ(find(QStringLiteral("footerText"))->property("color").value<QColor>(),
              QColor(0xFF, 0x9F, 0x0A));
    click(QStringLiteral("pauseButton"));
    EXPECT_FALSE(settings.pauseWatching());
    EXPECT_TRUE(model.watcher()->isWatching());
    EXPECT_EQ(textOf(QStringLiteral("emptyDetail")), "New downloads will show up here.");
    EXPECT_EQ(textOf(QStringLiteral("footerText")), "Fadebin");
    click(QStringLiteral("pauseButton"));
    EXPECT_FALSE(model.watcher()->isWatching());
}

TEST_F(ContentTest, AccessWarningShowsTheFolderAndRetries) {
    const path aside = home.root() / "aside";
    std::filesystem::rename(home.downloads(), aside);
    model.checkDownloadsAccess();
    open();
    ASSERT_EQ(page(), "accessWarning");
    click(QStringLiteral("showFolderButton"));
    EXPECT_EQ(workspace.shownFolders, std::vector<path>{home.downloads()});
    click(QStringLiteral("retryButton"));
    EXPECT_EQ(page(), "accessWarning") << "still missing";
    std::filesystem::rename(aside, home.downloads());
    click(QStringLiteral("retryButton"));
    EXPECT_EQ(page(), "empty");
}

TEST_F(ContentTest, SettingsButtonOpensSettingsAndCloses) {
    open();
    click(QStringLiteral("settingsButton"));
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(state(), NotchState::collapsed);
}

TEST_F(ContentTest, FilesDraggedOverTheSurfaceArePromptedAndDropped) {
    writeFile(file("dropped.txt"), "d");
    settle();
    QQuickItem* target = find(QStringLiteral("dropArea"));
    ASSERT_NE(target, nullptr);
    QMimeData files;
    files.setData(QStringLiteral("text/uri-list"),
                  QUrl::fromLocalFile(toQString(file("dropped.txt"))).toEncoded() + "\r\n");
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QDragEnterEvent textEnter({10, 10}, Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &textEnter);
    EXPECT_FALSE(controller->isDropTargeted()) << "text is not for the notch";

    QDragEnterEvent enter({10, 10}, Qt::CopyAction, &files, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    settle();
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_EQ(page(), "dropPrompt");
    QDropEvent drop({10, 10}, Qt::CopyAction, &files, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
    settle();
    ASSERT_NE(record("dropped.txt"), nullptr);
    EXPECT_EQ(controller->selectedPendingID(), record("dropped.txt")->id());
    EXPECT_NE(find(QStringLiteral("pendingRow-dropped.txt")), nullptr);
}

TEST_F(ContentTest, CollapsedNotchCountsAndCountsDownAndOnlyThenTicks) {
    settle();
    EXPECT_EQ(find(QStringLiteral("collapsedMark"))->property("icon"), "clock01");
    EXPECT_FALSE(view().indicatorShown());
    EXPECT_FALSE(view().isTicking()) << "nothing shows time: nothing wakes";
    settings.setShowTestTimers(true);
    decided("later.bin", ExpiryOption::oneDay);
    decided("soon.bin", ExpiryOption::thirtySeconds);
    EXPECT_EQ(view().indicatorText(), "2");
    EXPECT_EQ(find(QStringLiteral("collapsedMark"))->property("icon"), "clock04");
    EXPECT_FALSE(view().isTicking());
    settings.setCountColorHex(QStringLiteral("not a colour"));
    EXPECT_EQ(view().countColor(), QColor(0x40, 0xF2, 0xFF));

    advance(21s); // within the last 10 s
    EXPECT_TRUE(view().indicatorIsCountdown());
    EXPECT_EQ(view().indicatorText(), "9s");
    EXPECT_EQ(find(QStringLiteral("collapsedMark"))->property("icon"), "file-shredder");
    EXPECT_TRUE(view().isTicking());
    advance(2s);
    EXPECT_EQ(view().indicatorText(), "7s");
    EXPECT_EQ(view().countdownColor(), QColor(0xFF, 0x9E, 0xF2));
    advance(8s); // the file goes; the count is back
    EXPECT_EQ(view().indicatorText(), "1");
    EXPECT_FALSE(view().isTicking());
    settings.setShowScheduledCount(false);
    EXPECT_FALSE(view().indicatorShown());
}

// Names, sources and errors come from outside: markup in them is shown as written.
TEST_F(ContentTest, MarkupInNamesIsShownAsText) {
    // No slashes: they cannot be in a file's name.
    download("<b>bold <img src=\"x\"> & <a href=\"y\">z.pdf", "x", "https://<b>host.example");
    decided("<u>kept.txt", ExpiryOption::oneHour);
    settle();
    int shown = 0;
    visit(panel->contentItem(), [&](QQuickItem* item) {
        const QString text = item->property("text").toString();
        if (!item->isVisible() || !(text.contains("<b>") || text.contains("<u>")))
            return;
        ++shown;
        if (item->property("textFormat").isValid()) {
            EXPECT_EQ(item->property("textFormat").toInt(), 0) // Text.PlainText
                << item->objectName().toStdString();
        }
    });
    EXPECT_GE(shown, 2);
}

// The end-to-end test clicks the pending row where this says its buttons are.
TEST_F(ContentTest, PendingRowButtonsSitWhereTheEndToEndTestClicks) {
    download("placed.pdf");
    settle();
    const auto centre = [&](const QString& name) {
        QQuickItem* item = find(name);
        return item ? item->mapToScene({item->width() / 2, item->height() / 2}) : QPointF();
    };
    EXPECT_EQ(centre(QStringLiteral("option-oneHour")), pendingRowPoints::oneHour);
    EXPECT_EQ(centre(QStringLiteral("doneButton")), pendingRowPoints::done);
}

// Animations on: a panel and its content may go while they still move, and the next one
// must not meet their leftovers.
TEST(ContentLifetime, PanelsGoAwayMidAnimation) {
    QtScreenSource screens;
    for (int round = 0; round < 2; ++round) {
        ModelHarness harness;
        NotchController controller(
            harness.model, harness.settings, harness.clock, screens,
            std::make_unique<DragWatcher>(harness.clock, std::make_unique<FakePasteboard>()),
            NotchContentPanel::factory({}));
        controller.install();
        auto* panel = static_cast<NotchContentPanel*>(controller.panel());
        const auto frame = [&] {
            nextTurn();
            [[maybe_unused]] const QImage image = panel->grabWindow();
        };
        harness.download("first.txt");
        frame();
        harness.download("second.txt");
        harness.download("third.txt");
        controller.setSelectedPendingID(std::nullopt);
        frame();
        controller.setSelectedPendingID(harness.model.pendingFiles()[1]->id());
        frame();
    }
    QTest::qWait(100);
}

} // namespace
