// The controller's states (hover delays and tolerance, queued transitions, menus, screens,
// teardown) and what opens, closes and toasts it: downloads, decisions, sweeps, drags, drops.
#include "ControllerFixture.h"

using namespace fadebin;
using namespace fadebin::test;

namespace {

TEST_F(ControllerTest, InstallPlacesTheCollapsedPanelAndALaterTransitionVoidsAQueuedOne) {
    EXPECT_TRUE(panel->front);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::collapsed));
    EXPECT_TRUE(Probe::dragWatcher(*controller).isWatching());
    // Before the content reported a shape size the whole panel counts; after, the shape.
    EXPECT_TRUE(panel->hitTest({0, 31}, 256));
    controller->setShapeSize({200, 20});
    EXPECT_FALSE(panel->hitTest({0, 31}, 256));
    EXPECT_TRUE(panel->hitTest({27, 22}, 256));

    controller->expand(false);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    controller->collapse(); // before the next turn of the main queue
    nextTurn();
    EXPECT_EQ(state(), NotchState::collapsed);

    // A toast after an opening still queued: the toast wins.
    controller->expand(false);
    toast();
    EXPECT_EQ(state(), NotchState::toast);
}

TEST_F(ControllerTest, HoverOpensOnlyAfterTheDelayAndReenteringRestartsItAndScreenChangesMoveIt) {
    QSignalSpy geometryChanges(controller.get(), &NotchController::geometryChanged);
    screens.change(screens.list);
    EXPECT_EQ(geometryChanges.count(), 0);
    pointerOnNotch();
    advance(100ms);
    pointerAway();
    advance(40ms);
    pointerOnNotch();
    advance(140ms);
    EXPECT_EQ(state(), NotchState::collapsed) << "the wait started again at re-entry";
    clock.advance(10ms);
    // The state follows one turn of the main queue later.
    EXPECT_EQ(state(), NotchState::collapsed);
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_FALSE(panel->allowsKey) << "the pointer's opening never takes the keyboard";

    // Leaving: closed 0.4 s later, the frame shrinks 0.55 s after that.
    pointerAway();
    expectSwitch(400ms, NotchState::expanded, NotchState::collapsed);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    advance(550ms);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::collapsed));

    openByHover();
    screens.change({{{0, 0, 1920, 1080}, {0, 0, 1920, 1050}, 0, {}, {}}});
    EXPECT_EQ(geometryChanges.count(), 1);
    EXPECT_EQ(panel->frame(), (Rect{750, 570, 420, 480}));
    screens.change({});
    EXPECT_EQ(panel->frame(), Rect{});
}

TEST_F(ControllerTest, PointerLeftOnlyByTheToleranceIsLookedAtAgainUntilItIsGone) {
    openByHover();
    controller->setShapeSize({420, 200});
    pointerAt(Point{640, 800 - 201}, false); // 1 point below the shape
    advance(400ms);
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(controller->isHovering());
    screens.pointer = Point{640, 800 - 205};
    advance(400ms);
    EXPECT_EQ(state(), NotchState::collapsed);
}

TEST_F(ControllerTest, OpenMenuKeepsThePanelOpenAndClosingItOutsideCollapsesLater) {
    openByHover();
    bool pressedOutside = false;
    controller->onPressOutsideMenu = [&] { pressedOutside = true; };
    controller->menuOpened();
    controller->menuOpened(); // its submenu
    ASSERT_TRUE(panel->onPressOutside);
    pointerAway();
    advance(2s);
    EXPECT_EQ(state(), NotchState::expanded);
    panel->onPressOutside();
    EXPECT_TRUE(pressedOutside);
    controller->menuEndedTracking();
    EXPECT_TRUE(controller->isMenuOpen());
    controller->menuEndedTracking();
    EXPECT_FALSE(controller->isMenuOpen());
    EXPECT_FALSE(panel->onPressOutside) << "the grab ends with the last menu";
    expectSwitch(400ms, NotchState::expanded, NotchState::collapsed);

    // Closed with the pointer still in the shape: it stays open.
    openByHover();
    controller->menuOpened();
    controller->menuEndedTracking();
    advance(1s);
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(controller->isHovering());
}

// The engine goes on after the notch's teardown: files are still deleted when due, untoasted.
TEST_F(ControllerTest, TeardownStopsEverythingAndLaterCallsDoNothing) {
    settings.setShowTestTimers(true);
    decided("due.txt", ExpiryOption::thirtySeconds);
    openByHover();
    pointerAway();
    controller->teardown();
    panel = nullptr; // gone with the controller's hold on it
    EXPECT_FALSE(Probe::dragWatcher(*controller).isWatching());
    EXPECT_FALSE(model.onNewPendingFile);
    advance(31s);
    EXPECT_EQ(state(), NotchState::expanded) << "nothing left to act";
    EXPECT_EQ(stored("due.txt")->status(), FileStatus::deleted);
    EXPECT_FALSE(controller->toast().has_value());
    controller->collapse();
    controller->expand(false);
    controller->showToast({});
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_FALSE(Probe::isMouseInsideShape(*controller));
}

TEST_F(ControllerTest, NewDownloadOpensUnlessHoverOnlyAndClosesAfterAutoDismissEvenOverAToast) {
    settings.setDisplayMode(DisplayMode::hoverOnly);
    TrackedFile* quiet = arrived("quiet.txt");
    EXPECT_EQ(controller->selectedPendingId(), quiet->id());
    EXPECT_EQ(state(), NotchState::collapsed) << "hover only: selected, not opened";

    settings.setDisplayMode(DisplayMode::automatic);
    settings.setAutoDismissSeconds(2);
    arrived("report.pdf");
    EXPECT_EQ(state(), NotchState::expanded);
    expectSwitch(2s, NotchState::expanded, NotchState::collapsed);
    EXPECT_FALSE(Probe::expandedByAuto(*controller));
    // A toast is no user's doing: a download that opens the panel over one closes it again.
    toast();
    ASSERT_EQ(state(), NotchState::toast);
    arrived("during-toast.pdf");
    ASSERT_EQ(state(), NotchState::expanded);
    expectSwitch(2s, NotchState::expanded, NotchState::collapsed);

    // Hovering cancels the dismissal outright.
    arrived("second.pdf");
    ASSERT_EQ(state(), NotchState::expanded);
    pointerOnNotch();
    advance(5s);
    EXPECT_EQ(state(), NotchState::expanded);
}

TEST_F(ControllerTest, DownloadWhileTheUserHasThePanelOpenDoesNotDismissIt) {
    settings.setAutoDismissSeconds(1);
    openByHover();
    TrackedFile* file = arrived("while-open.zip");
    EXPECT_EQ(controller->selectedPendingId(), file->id());
    EXPECT_FALSE(Probe::expandedByAuto(*controller));
    EXPECT_TRUE(Probe::isPending(*controller, Work::autoDismiss));
    // The pointer sits in a row's open menu, outside the shape: still the user's panel.
    controller->menuOpened();
    pointerAway();
    advance(1s);
    EXPECT_FALSE(Probe::isPending(*controller, Work::autoDismiss));
    EXPECT_EQ(state(), NotchState::expanded);
}

TEST_F(ControllerTest, LastDecisionClosesAndSuppressesHoverButNotDragsOrDownloads) {
    TrackedFile* first = download("one.pdf");
    arrived("two.pdf");
    confirm(first, ExpiryOption::oneHour, FileKind::pdf);
    EXPECT_EQ(controller->selectedPendingId(), std::nullopt);
    ASSERT_TRUE(controller->confirmation().has_value());
    advance(1s);
    EXPECT_FALSE(controller->confirmation().has_value());
    EXPECT_EQ(state(), NotchState::expanded) << "a pending file remains";

    model.decideAll(ExpiryOption::oneDay);
    controller->showConfirmation(
        {QUuid(), FileKind::other, ExpiryOption::oneDay, clock.now() + 24h, filesDecidedText(1)});
    advance(1s);
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_EQ(Probe::suppressHoverUntil(*controller), clock.now() + 1200ms);

    pointerOnNotch();
    advance(1s);
    EXPECT_EQ(state(), NotchState::collapsed) << "hover is suppressed";
    pointerAway();
    fileDragAt({640, 10});
    EXPECT_EQ(state(), NotchState::expanded) << "a file drag still opens it";
    dragSelection->press(0);
    advance(DragWatcher::activeInterval);
    advance(600ms);
    ASSERT_EQ(state(), NotchState::collapsed);

    // So does a download that finishes within the suppression after the next closing.
    confirm(arrived("three.pdf"), ExpiryOption::oneHour, FileKind::pdf);
    advance(500ms);
    writeFile(file("four.pdf"), "4");
    model.completionFilter().handleItemEvent(file("four.pdf"));
    advance(500ms);
    ASSERT_EQ(state(), NotchState::collapsed);
    while (record("four.pdf") == nullptr && clock.now() < Probe::suppressHoverUntil(*controller))
        advance(100ms);
    EXPECT_LT(clock.now(), Probe::suppressHoverUntil(*controller));
    EXPECT_EQ(state(), NotchState::expanded);
}

// A toast ends by where the pointer is: away, closed after its time; in the shape, opened.
TEST_F(ControllerTest, ToastsShowWhileClosedAndEndByWhereThePointerIs) {
    settings.setShowTestTimers(true);
    decided("soon.txt", ExpiryOption::tenSeconds);
    advance(10s); // the scheduler's sweep trashes it
    ASSERT_EQ(state(), NotchState::toast);
    EXPECT_EQ(controller->toast()->subtitle, "soon.txt");
    EXPECT_EQ(panel->frame(), frameOf(NotchState::toast));
    advance(3s);
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_TRUE(controller->toast().has_value()) << "kept while the shape closes";
    advance(550ms);
    EXPECT_FALSE(controller->toast().has_value());

    toast();
    screens.pointer = Point{640, 790};
    expectSwitch(3s, NotchState::toast, NotchState::expanded);
    controller->collapse();
    pointerAway();
    advance(1s);
    toast();
    ASSERT_EQ(state(), NotchState::toast);
    pointerOnNotch();
    EXPECT_FALSE(Probe::isPending(*controller, Work::toast));
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
}

// A sweep's toast stays under the pointer for its Undo; what that puts back is asked about again.
TEST_F(ControllerTest, TrashToastStaysUnderThePointerAndUndoPutsTheFilesBack) {
    settings.setShowTestTimers(true);
    decided("soon.txt", ExpiryOption::tenSeconds);
    advance(10s);
    ASSERT_EQ(state(), NotchState::toast);
    ASSERT_EQ(controller->toast()->places, std::vector<path>{file("soon.txt")});
    pointerOnNotch();
    advance(5s);
    ASSERT_EQ(state(), NotchState::toast);
    controller->undoToast();
    EXPECT_EQ(readFile(file("soon.txt")), "payload");
    EXPECT_TRUE(controller->toast()->places.empty()) << "undone once";
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_EQ(controller->selectedPendingId(), record("soon.txt")->id());
}

// A rule's toast's Change asks again; an offered rule keeps its card until answered or timed out.
TEST_F(ControllerTest, ARuleDecisionsToastChangesIntoAQuestionAndAnOfferWaitsForItsAnswer) {
    ASSERT_TRUE(settings.addRule(*ruleFromWords("", "", "pdf", "1d").rule));
    arrived("bill.pdf");
    const TrackedFile* bill = stored("bill.pdf");
    ASSERT_EQ(state(), NotchState::toast);
    EXPECT_EQ(controller->toast()->title, "Kept for 1 day by your rule");
    EXPECT_EQ(controller->toast()->subtitle, "bill.pdf · .pdf files");
    ASSERT_EQ(controller->toast()->change, bill->id());
    controller->changeToast();
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_EQ(controller->selectedPendingId(), bill->id());
    EXPECT_EQ(bill->status(), FileStatus::pending);
    ASSERT_TRUE(settings.removeRule(0));

    int count = 0;
    const auto decide = [&] {
        TrackedFile* f =
            download(std::to_string(++count) + ".png", "payload", "https://example.org/x");
        nextTurn();
        confirm(f, ExpiryOption::oneHour, FileKind::image);
    };
    for (const bool answered : {false, true}) {
        decide();
        decide();
        advance(1s);
        EXPECT_FALSE(controller->confirmation()) << "no offer: the card goes after a second";
        decide();
        ASSERT_TRUE(model.ruleOffer());
        advance(NotchController::ruleOfferDuration - 1ms);
        ASSERT_TRUE(controller->confirmation()) << "the question stays to be answered";
        if (answered)
            break;
        advance(1ms);
        EXPECT_FALSE(controller->confirmation());
        EXPECT_FALSE(model.ruleOffer()) << "unanswered, it goes with its card";
    }
    controller->answerRuleOffer(true);
    EXPECT_FALSE(controller->confirmation());
    EXPECT_EQ(settings.rules().size(), 1U);
}

TEST_F(ControllerTest, FileDragNearTheNotchOpensItAsADropTarget) {
    // The zone spans x 410..870 and reaches 130 points below the notch (Qt y < 162).
    const std::pair<QPointF, bool> cases[] = {{{409.5, 10.5}, false},
                                              {{870.5, 10.5}, false},
                                              {{640.5, 162.5}, false},
                                              {{410.5, 161.5}, true}};
    for (const auto& [p, opens] : cases) {
        fileDragAt(p);
        EXPECT_EQ(controller->isDropTargeted(), opens) << p.x() << "," << p.y();
        EXPECT_EQ(state(), opens ? NotchState::expanded : NotchState::collapsed);
        // Released away from the notch: closed after the 0.6 s grace.
        dragSelection->press(0);
        advance(DragWatcher::activeInterval);
        EXPECT_FALSE(controller->isDropTargeted());
        advance(550ms);
        EXPECT_EQ(state(), opens ? NotchState::expanded : NotchState::collapsed);
        advance(50ms);
        EXPECT_EQ(state(), NotchState::collapsed);
    }
}

TEST_F(ControllerTest, DropsQueueScheduleOrRefuse) {
    openByHover();
    // From outside Downloads: the notice for 2.2 s, then closed with the pointer away.
    writeFile(home.root() / "elsewhere.txt", "x");
    controller->setDropTargeted(true);
    controller->handleDrop({home.root() / "elsewhere.txt"});
    EXPECT_FALSE(controller->isDropTargeted());
    EXPECT_EQ(controller->dropNotice(), "Only files in Downloads can be timed");
    screens.pointer = Point{100, 100};
    expectSwitch(2200ms, NotchState::expanded, NotchState::collapsed);
    EXPECT_FALSE(controller->dropNotice().has_value());

    // One scheduled file: its expiry editor opens.
    TrackedFile* ticking = decided("ticking.pdf", ExpiryOption::oneHour);
    controller->setDropTargeted(true);
    nextTurn();
    controller->handleDrop({file("ticking.pdf")});
    EXPECT_EQ(controller->editingTrackedID(), ticking->id());
    EXPECT_EQ(controller->selectedPendingId(), std::nullopt);
    // One new file: its pending row; two: none selected.
    writeFile(file("new.txt"), "n");
    controller->handleDrop({file("new.txt")});
    EXPECT_EQ(controller->editingTrackedID(), std::nullopt);
    ASSERT_NE(record("new.txt"), nullptr);
    EXPECT_EQ(controller->selectedPendingId(), record("new.txt")->id());
    writeFile(file("x.txt"), "x");
    writeFile(file("y.txt"), "y");
    controller->handleDrop({file("x.txt"), file("y.txt")});
    EXPECT_EQ(controller->selectedPendingId(), std::nullopt);
    nextTurn();
    // The panel lingers 5 s after a drop, then closes with the pointer away.
    expectSwitch(5s, NotchState::expanded, NotchState::collapsed);
}

} // namespace
