// The real QML over a real model and controller: items found by objectName and clicked, results
// read back from the records (what a decision writes on the file is the store's tests').
#include "ContentFixture.h"
#include "support/GuiTestMain.h"

#include <QAccessible>
#include <QCursor>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QRegularExpression>
#include <QTest>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class ContentTest : public ::testing::Test, public ContentFixture {
protected:
    [[nodiscard]] QString dateIn(Duration from) const {
        return dateText(clock.now() + from, clock.now(), view().textContext());
    }
};

TEST_F(ContentTest, CollapsedNotchCountsAndCountsDownAndOnlyThenTicks) {
    settle();
    EXPECT_FALSE(view().indicatorShown());
    EXPECT_FALSE(view().isTicking()) << "nothing shows time: nothing wakes";
    trackedFiles();
    EXPECT_EQ(view().indicatorText(), "3");
    settings.setCountColorHex(QStringLiteral("not a colour"));
    EXPECT_EQ(view().countColor(), QColor(0x40, 0xF2, 0xFF));

    settings.setShowTestTimers(true);
    decided("almost-gone.txt", ExpiryOption::thirtySeconds);
    advance(21s); // within the last 10 s
    EXPECT_TRUE(view().indicatorIsCountdown());
    EXPECT_EQ(view().indicatorText(), "9s");
    EXPECT_TRUE(view().isTicking());
    advance(2s);
    EXPECT_EQ(view().indicatorText(), "7s");
    advance(8s); // the file goes; the count is back
    EXPECT_EQ(view().indicatorText(), "3");
    EXPECT_FALSE(view().isTicking());
    settings.setShowScheduledCount(false);
    EXPECT_FALSE(view().indicatorShown());
}

TEST_F(ContentTest, OnePendingRowSchedulesOneHour) {
    pendingFiles(1);
    const std::string name = pendingNames[0];
    TrackedFile* report = record(name);
    ASSERT_NE(find(QString::fromStdString("pendingRow-" + name)), nullptr);
    EXPECT_EQ(textOf("pendingDetail"), "example.org · 1.2 MB");
    EXPECT_EQ(textOf("pendingPreview"), "Kept until you delete it");
    EXPECT_EQ(find("applyToAll"), nullptr) << "only with two or more pending files";
    click("option-oneHour");
    EXPECT_EQ(textOf("pendingPreview"), "Until " + dateIn(1h));
    click("doneButton");
    EXPECT_EQ(report->status(), FileStatus::scheduled);
    EXPECT_EQ(report->expiresAt(), clock.now() + 1h);
    EXPECT_EQ(page(), "confirmation");
    EXPECT_EQ(textOf("confirmationSubtitle"), shownName(QString::fromStdString(name)));
}

// The toast's Change asks again, a rule's row is marked, a third same choice offers a rule.
TEST_F(ContentTest, ARulesToastChangesItsRowIsMarkedAndTheCardOffersARule) {
    ASSERT_TRUE(settings.addRule(*ruleFromWords("", "", "pdf", "1d").rule));
    QCursor::setPos(QPoint(5, 395)); // away: the toast would open the panel at its end
    download("bill.pdf");
    settle();
    ASSERT_EQ(state(), NotchState::toast);
    click("toastChange");
    ASSERT_NE(find("pendingRow-bill.pdf"), nullptr) << "asked about again";
    click("option-oneHour");
    click("doneButton");
    advance(1s);

    download("memo.pdf");
    open();
    ASSERT_NE(find("ruleMark-memo.pdf"), nullptr);
    EXPECT_EQ(find("ruleMark-bill.pdf"), nullptr) << "decided by the person";
    QAccessibleInterface* spoken =
        QAccessible::queryAccessibleInterface(find("trackedRow-memo.pdf"));
    ASSERT_NE(spoken, nullptr);
    EXPECT_TRUE(spoken->text(QAccessible::Name).endsWith(", set by your rule"))
        << spoken->text(QAccessible::Name).toStdString();

    for (const char* name : {"a.png", "b.png", "c.png"}) {
        EXPECT_EQ(find("ruleOffer"), nullptr);
        download(name, "payload", "https://example.org/album");
        open();
        click("option-oneHour");
        click("doneButton");
    }
    EXPECT_EQ(textOf("ruleOfferText"),
              shownName("Always keep images from example.org for 1 hour?"));
    click("ruleOfferAccept");
    EXPECT_EQ(find("ruleOffer"), nullptr);
    EXPECT_EQ(settings.rules().size(), 2U);
}

TEST_F(ContentTest, KeepItKeepsOneForeverAndApplyToAllTimesTheRest) {
    pendingFiles(3);
    controller->setSelectedPendingID(record(pendingNames[1])->id());
    click("keepButton");
    EXPECT_EQ(stored(pendingNames[1])->status(), FileStatus::keepForever);
    EXPECT_EQ(textOf("confirmationHeadline"), "Planned to keep forever");

    advance(1s);
    click("applyToAll-oneDay");
    for (const char* name : {pendingNames[0], pendingNames[2]})
        EXPECT_EQ(record(name)->status(), FileStatus::scheduled) << name;
    EXPECT_EQ(page(), "confirmation");
    EXPECT_EQ(textOf("confirmationSubtitle"), "2 files");
    EXPECT_EQ(textOf("confirmationHeadline"), "Planned to delete " + dateIn(24h));
}

TEST_F(ContentTest, TrackedRowsChangeKeepRevealDeleteOfferTestTimersWhenOnAndShowMarkupAsText) {
    trackedFiles();
    TrackedFile* invoice = record("invoice-4411.pdf");
    TrackedFile* recording = record("screen recording.mov");
    pendingFiles(2);
    advance(61s);
    open();
    EXPECT_EQ(textOf("time-invoice-4411.pdf"), "28m");
    advance(60s);
    EXPECT_EQ(textOf("time-invoice-4411.pdf"), "27m") << "the time follows the clock";

    // The picker, "Apply to all", the editor behind the time and the change menu, all open.
    click(QString::fromLatin1("pendingChip-") + pendingNames[0]);
    click("time-screen recording.mov");
    click("more-invoice-4411.pdf");
    EXPECT_TRUE(controller->isMenuOpen());
    click("submenu-Change expiry");
    const auto timerTexts = [&] {
        return visibleTexts().filter(QRegularExpression("^[13]0( seconds|s)$"));
    };
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

    click("changeTo-oneDay");
    EXPECT_EQ(invoice->expiresAt(), clock.now() + 24h);
    EXPECT_FALSE(controller->isMenuOpen()) << "both menus closed with the choice";
    click("change-thirtyMinutes");
    EXPECT_EQ(recording->expiresAt(), clock.now() + 30min);
    EXPECT_EQ(controller->editingTrackedID(), std::nullopt);

    click("more-notes.txt");
    click("showInFolderItem");
    EXPECT_EQ(fileManager.revealed, std::vector<path>{file("notes.txt")});
    click("more-notes.txt");
    click("keepForeverItem");
    EXPECT_EQ(stored("notes.txt")->status(), FileStatus::keepForever);

    click("more-screen recording.mov");
    click("deleteNowItem");
    EXPECT_EQ(stored("screen recording.mov")->status(), FileStatus::deleted);
    EXPECT_FALSE(controller->isMenuOpen());
    EXPECT_EQ(find("trackedRow-screen recording.mov"), nullptr);

    // Names and sources come from outside: markup in them shows as written (no "/": not in names).
    download("<b>bold <img src=\"x\"> & <a href=\"y\">z.pdf", "x", "https://<b>host.example");
    decided("<u>kept.txt", ExpiryOption::oneHour);
    settle();
    int shown = 0;
    visitItems(panel->contentItem(), [&](QQuickItem* item) {
        const QString text = item->property("text").toString();
        if (!item->isVisible() || !(text.contains("<b>") || text.contains("<u>")))
            return;
        ++shown; // Text.PlainText (0), or an item without text formats
        EXPECT_EQ(item->property("textFormat").toInt(), 0) << item->objectName().toStdString();
    });
    EXPECT_GE(shown, 2);
}

// The guide's sample keeps the test timers it was offered after the guide closed; no other does.
TEST_F(ContentTest, TheGuidesSampleKeepsItsTestTimersAfterTheGuideAndNoOtherFileDoes) {
    ASSERT_TRUE(model.writeSampleFile());
    settings.setGuideTestTimers(true);
    model.completionFilter().handleItemEvent(file("Fadebin Sample.txt"));
    advance(1500ms);
    download("real.iso");
    settings.setGuideTestTimers(false); // the guide finished before the sample was decided
    open();
    for (const auto& [name, offered] :
         {std::pair{"Fadebin Sample.txt", true}, std::pair{"real.iso", false}}) {
        controller->setSelectedPendingID(record(name)->id());
        settle();
        EXPECT_EQ(find("option-thirtySeconds") != nullptr, offered) << name;
    }
    EXPECT_EQ(find("applyToAll-tenSeconds"), nullptr);
}

// More waiting than the panel shows: the new file's row is scrolled to, the rest are counted.
TEST_F(ContentTest, ANewDownloadBelowAHundredWaitingIsInViewAndTheRestAreCounted) {
    settings.setDisplayMode(DisplayMode::hoverOnly);
    for (int i = 0; i < 104; ++i)
        download("waiting-" + std::to_string(i) + ".txt", "w");
    settings.setDisplayMode(DisplayMode::automatic);
    download("newest.txt");
    settle();
    ASSERT_EQ(state(), NotchState::expanded);
    QQuickItem* scroll = find("scrollArea");
    for (const char* name : {"pendingRow-newest.txt", "moreWaiting"}) {
        QQuickItem* item = find(QString::fromLatin1(name));
        ASSERT_TRUE(scroll && item) << name;
        const QRectF shown = item->mapRectToItem(scroll, item->boundingRect());
        EXPECT_TRUE(shown.top() >= 0 && shown.bottom() <= scroll->height()) << name;
    }
    EXPECT_EQ(textOf("moreWaiting"),
              "5 more waiting — Apply to all reaches them, `fadebin list` shows them");
    EXPECT_EQ(textOf("sectionSize"), "111 bytes") << "every waiting file, shown or not";
}

// A desktop's palette may make tooltips pale yellow: inside the black notch they stay dark.
TEST_F(ContentTest, TooltipsStayDarkWhateverTheDesktopsPalette) {
    const QPalette original = QGuiApplication::palette();
    QPalette pale = original;
    pale.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xDC));
    pale.setColor(QPalette::ToolTipText, Qt::black);
    QGuiApplication::setPalette(pale);
    trackedFiles();
    open();
    QQuickItem* time = find("time-invoice-4411.pdf");
    ASSERT_NE(time, nullptr);
    QTest::mouseMove(panel,
                     time->mapToScene(QPointF(time->width() / 2, time->height() / 2)).toPoint());
    QQuickItem* tip = nullptr;
    EXPECT_TRUE(waitFor([&] {
        visitItems(panel->contentItem(), [&](QQuickItem* item) {
            if (item->isVisible() && item->property("text") == QStringLiteral("Change expiry"))
                tip = item;
        });
        return tip != nullptr;
    }));
    if (tip != nullptr) {
        settle();
        const QImage frame = panel->grabWindow();
        // The padding beside the text is the tooltip's own background.
        const QPoint inside =
            (tip->mapToScene(QPointF(-3, tip->height() / 2)) * panel->devicePixelRatio()).toPoint();
        const QColor seen = frame.pixelColor(inside);
        EXPECT_LT(qGray(seen.rgb()), 64) << seen.name().toStdString();
    }
    QGuiApplication::setPalette(original);
}

// A drop is a copy whatever the source proposes; promises and direct saves are told unsaved.
TEST_F(ContentTest, DropsNoticesAccessWarningPauseAndSettings) {
    settle();
    QQuickItem* target = find("dropArea");
    ASSERT_NE(target, nullptr);
    QMimeData text, outside, inside, directSave, promise, mixed;
    text.setText(QStringLiteral("words"));
    for (const auto& [data, dropped] : {std::pair{&outside, home.root() / "elsewhere.pdf"},
                                        std::pair{&inside, file("dropped.txt")}})
        data->setData("text/uri-list", QUrl::fromLocalFile(toQString(dropped)).toEncoded());
    directSave.setData(QStringLiteral("XdndDirectSave0"), "report.pdf");
    promise.setData(QStringLiteral("application/x-File-Promise"), "x");
    mixed.setData(QStringLiteral("XdndDirectSave0"), "a");
    mixed.setData(QStringLiteral("text/uri-list"), "file:///elsewhere/a.pdf\r\n");
    // Whether the surface took the drag, and the drop after it.
    const auto drag = [&](const QMimeData& data, bool drop) {
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter({10, 10}, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QDropEvent dropped({10, 10}, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QCoreApplication::sendEvent(target, &enter);
        settle();
        if (!drop)
            return enter.isAccepted();
        EXPECT_EQ(page(), "dropPrompt");
        QCoreApplication::sendEvent(target, &dropped);
        settle();
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction);
        return enter.isAccepted() && dropped.isAccepted();
    };
    drag(text, false);
    EXPECT_FALSE(controller->isDropTargeted()) << "text is not for the notch";
    EXPECT_TRUE(drag(outside, false));
    EXPECT_EQ(page(), "dropPrompt");
    const std::pair<const QMimeData*, QString> refused[] = {
        {&directSave, NotchController::unsavedDropNotice},
        {&promise, NotchController::unsavedDropNotice},
        // A promise beside files from elsewhere: those files are what is refused.
        {&mixed, NotchController::refusedDropNotice}};
    for (const auto& [data, notice] : refused) {
        EXPECT_TRUE(drag(*data, true));
        EXPECT_EQ(page(), "dropNotice");
        EXPECT_EQ(controller->dropNotice(), notice);
        advance(3s);
    }
    open();

    const path aside = home.root() / "aside";
    std::filesystem::rename(home.downloads(), aside);
    model.checkDownloadsAccess();
    ASSERT_EQ(page(), "accessWarning");
    click("retryButton");
    EXPECT_EQ(page(), "accessWarning") << "still missing";
    std::filesystem::rename(aside, home.downloads());
    click("retryButton");
    EXPECT_EQ(page(), "empty");

    settings.setPauseWatching(true);
    settle();
    EXPECT_EQ(textOf("emptyDetail"), "Watching is paused.");
    EXPECT_EQ(textOf("footerText"), "Fadebin · paused");
    click("pauseButton");
    EXPECT_FALSE(settings.pauseWatching());
    EXPECT_TRUE(model.watcher()->isWatching());
    EXPECT_EQ(textOf("emptyDetail"), "New downloads will show up here.");
    EXPECT_EQ(textOf("footerText"), "Fadebin");
    click("pauseButton");
    EXPECT_FALSE(model.watcher()->isWatching());

    // A file of Downloads dropped: its row opens.
    writeFile(file("dropped.txt"), "d");
    EXPECT_TRUE(drag(inside, true));
    EXPECT_NE(find("pendingRow-dropped.txt"), nullptr);
    EXPECT_TRUE(pathExists(file("dropped.txt")));

    click("settingsButton");
    EXPECT_EQ(settingsOpened, 1);
    EXPECT_EQ(state(), NotchState::collapsed);
}

// The records on a small disk of their own, which the test fills.
class FullDiskTest : public ::testing::Test, public ContentFixture {
protected:
    FullDiskTest()
        : ContentFixture({.animated = false}, [](ModelWorld& world) {
            std::filesystem::create_directories(world.home.dataHome() / "Fadebin");
            world.recordsDisk = ScopedMount::tmpfs(world.home.dataHome() / "Fadebin", "size=200k");
        }) {}
};

TEST_F(FullDiskTest, ADecisionThatCannotBeSavedIsShownAboveThePageUntilItIs) {
    if (!recordsDisk)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    TrackedFile* waiting = download("waiting.pdf");
    const path filler = home.dataHome() / "Fadebin/filler";
    fillDisk(filler);
    model.decide(waiting, ExpiryOption::oneHour);
    for (int i = 0; i < 100 && model.storageProblem().isEmpty(); ++i)
        download("more-" + std::to_string(i), std::string(2000, 'n')); // the last free pages
    open();
    EXPECT_EQ(textOf("storageProblem"), "Fadebin can't save its records: the disk is full");
    EXPECT_EQ(page(), "lists");
    std::filesystem::remove(filler);
    advance(ExpiryStore::longestSaveRetry);
    EXPECT_EQ(view().storageProblem(), QString());
    EXPECT_EQ(waiting->status(), FileStatus::scheduled);
}

} // namespace

int main(int argc, char** argv) {
    // At twice the size, as on the screens of most laptops.
    return fadebin::test::runGuiTests(argc, argv, {.scale = "2"});
}
