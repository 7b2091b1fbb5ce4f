// The notch controller's own states: installing, hover with its delays and tolerance,
// queued transitions, menus, screen changes and teardown.
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
    controller->showToast({NotchToast::Style::deleted, "Deleted", "b", FileKind::other});
    nextTurn();
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

} // namespace
