// The notch controller's state table on the manual clock, with a fake panel, fake screens
// and pointer and a fake drag selection, over a real model and real files.
#include "FakeDragSelection.h"
#include "NotchControllerProbe.h"
#include "NotchFixture.h"
#include "notch/NotchController.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;
using Probe = NotchControllerProbe;
using Work = Probe::Work;

namespace {

class FakePanel final : public NotchPanelPort {
public:
    [[nodiscard]] Rect frame() const override { return m_frame; }
    void setFrame(const Rect& frame) override {
        m_frame = frame;
        frames.push_back(frame);
    }
    void setAllowsKey(bool allows) override { allowsKey = allows; }
    void present() override { front = true; }
    void withdraw() override { front = false; }
    [[nodiscard]] std::optional<Size> contentSize() const override {
        return Size{m_frame.width, m_frame.height};
    }
    void setOnHoverChange(std::function<void(bool)> callback) override {
        onHover = std::move(callback);
    }
    void setHitTest(NotchContentHost::HitTest test) override { hitTest = std::move(test); }
    [[nodiscard]] bool isPointerOverContent() const override { return pointerOver; }
    void setOutline(const QPainterPath& path) override { outline = path; }
    void setOnPressOutside(std::function<void()> callback) override {
        onPressOutside = std::move(callback);
    }

    std::vector<Rect> frames;
    bool allowsKey = false;
    bool front = false;
    bool pointerOver = false;
    std::function<void(bool)> onHover;
    NotchContentHost::HitTest hitTest;
    QPainterPath outline;
    std::function<void()> onPressOutside;

private:
    Rect m_frame;
};

// The 1280 x 800 screen: notch 540..740 x 768..800 (y up), collapsed panel 512..768,
// expanded 430..850 x 320..800, toast 430..850 x 696..800.
class ControllerTest : public ::testing::Test, public ModelHarness {
protected:
    ControllerTest() {
        auto board = std::make_unique<FakeDragSelection>();
        dragSelection = board.get();
        controller = std::make_unique<NotchController>(
            model, settings, clock, screens, std::make_unique<DragWatcher>(clock, std::move(board)),
            [this](NotchController&) {
                auto made = std::make_unique<FakePanel>();
                panel = made.get();
                return made;
            });
        controller->install();
    }

    void advance(Duration by) {
        clock.advance(by);
        nextTurn();
    }
    // The pointer as the hosting view reports it: inside the drawn shape, or gone.
    void pointerOnNotch() {
        screens.pointer = Point{640, 790};
        panel->pointerOver = true;
        panel->onHover(true);
    }
    void pointerAway() {
        screens.pointer = Point{100, 100};
        panel->pointerOver = false;
        panel->onHover(false);
    }
    void openByHover() {
        pointerOnNotch();
        advance(NotchController::hoverOpenDelay);
        ASSERT_EQ(controller->state(), NotchState::expanded);
    }
    // The state is `before` until `after` has passed, and `then` from that moment.
    void expectSwitch(Duration after, NotchState before, NotchState then) {
        advance(after - 1ms);
        EXPECT_EQ(state(), before) << "1 ms before " << after.count() << " ms";
        advance(1ms);
        EXPECT_EQ(state(), then) << "at " << after.count() << " ms";
    }
    // A file drag that the watcher has seen at p.
    void fileDragAt(QPointF p) {
        dragSelection->pointer = p;
        dragSelection->beginDrag({"text/uri-list"});
        advance(DragWatcher::idleInterval);
        advance(DragWatcher::activeInterval);
    }
    [[nodiscard]] NotchState state() const { return controller->state(); }
    [[nodiscard]] Rect frameOf(NotchState s) const { return controller->frameForState(s); }

    FakeScreens screens;
    FakeDragSelection* dragSelection = nullptr;
    FakePanel* panel = nullptr;
    std::unique_ptr<NotchController> controller;
};

TEST_F(ControllerTest, InstallPlacesTheCollapsedPanelAndLogsIt) {
    EXPECT_TRUE(panel->front);
    EXPECT_EQ(panel->frame(), (Rect{512, 768, 256, 32}));
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_TRUE(log.contains("Panel installed, notch: false, rect: {{540, 768}, {200, 32}}"));
    EXPECT_TRUE(Probe::dragWatcher(*controller).isWatching());
    // Before the content reported a shape size the whole panel counts; after, the shape.
    EXPECT_TRUE(panel->hitTest({0, 31}, 256));
    controller->setShapeSize({200, 20});
    EXPECT_FALSE(panel->hitTest({0, 31}, 256));
    EXPECT_TRUE(panel->hitTest({27, 22}, 256));
}

TEST_F(ControllerTest, HoverOpensOnlyAfterTheDelayAndReenteringRestartsIt) {
    pointerOnNotch();
    advance(100ms);
    pointerAway();
    advance(40ms);
    pointerOnNotch();
    advance(140ms);
    EXPECT_EQ(state(), NotchState::collapsed) << "the wait started again at re-entry";
    clock.advance(10ms);
    // The panel grows first; the state follows one turn of the main queue later.
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    EXPECT_EQ(state(), NotchState::collapsed);
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(panel->allowsKey);
    EXPECT_FALSE(Probe::expandedByAuto(*controller));

    // Leaving: closed 0.4 s later, the frame shrinks 0.55 s after that.
    pointerAway();
    expectSwitch(400ms, NotchState::expanded, NotchState::collapsed);
    EXPECT_FALSE(panel->allowsKey);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    advance(550ms);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::collapsed));
}

TEST_F(ControllerTest, PointerLeftOnlyByTheToleranceIsLookedAtAgainUntilItIsGone) {
    openByHover();
    controller->setShapeSize({420, 200});
    panel->pointerOver = false;
    panel->onHover(false);
    screens.pointer = Point{640, 800 - 201}; // 1 point below the shape
    advance(400ms);
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(controller->isHovering());
    screens.pointer = Point{640, 800 - 205};
    advance(400ms);
    EXPECT_EQ(state(), NotchState::collapsed);
}

TEST_F(ControllerTest, ALaterTransitionVoidsAnEarlierOneStillQueued) {
    controller->expand(false);
    const qint64 generation = Probe::transitionGeneration(*controller);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    controller->collapse(); // before the next turn of the main queue
    EXPECT_GT(Probe::transitionGeneration(*controller), generation);
    nextTurn();
    EXPECT_EQ(state(), NotchState::collapsed);
    advance(550ms);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::collapsed));

    // The same for a toast on its way, and for a transition of an open panel.
    controller->showToast({NotchToast::Style::deleted, "Deleted", "a", FileKind::other});
    controller->collapse();
    nextTurn();
    EXPECT_EQ(state(), NotchState::collapsed);
    controller->expand(false);
    nextTurn();
    ASSERT_EQ(state(), NotchState::expanded);
    controller->expand(false);
    controller->collapse();
    nextTurn();
    EXPECT_EQ(state(), NotchState::collapsed);
    controller->expand(false);
    controller->showToast({NotchToast::Style::deleted, "Deleted", "b", FileKind::other});
    nextTurn();
    EXPECT_EQ(state(), NotchState::toast);
}

TEST_F(ControllerTest, NewDownloadOpensByItselfUnlessHoverOnlyAndClosesAfterAutoDismiss) {
    settings.setDisplayMode(DisplayMode::hoverOnly);
    TrackedFile* quiet = download("quiet.txt");
    nextTurn();
    EXPECT_EQ(controller->selectedPendingId(), quiet->id());
    EXPECT_EQ(state(), NotchState::collapsed) << "hover only: selected, not opened";

    settings.setDisplayMode(DisplayMode::automatic);
    settings.setAutoDismissSeconds(2);
    TrackedFile* file = download("report.pdf");
    nextTurn();
    EXPECT_EQ(controller->selectedPendingId(), file->id());
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(Probe::expandedByAuto(*controller));
    expectSwitch(2s, NotchState::expanded, NotchState::collapsed);
    EXPECT_FALSE(Probe::expandedByAuto(*controller));

    // Hovering cancels the dismissal outright.
    download("second.pdf");
    nextTurn();
    ASSERT_EQ(state(), NotchState::expanded);
    pointerOnNotch();
    advance(5s);
    EXPECT_EQ(state(), NotchState::expanded);
}

// A toast is no user's doing: a download that opens the panel over one closes it again.
TEST_F(ControllerTest, DownloadDuringAToastOpensAndDismissesLikeAnyAutomaticOpening) {
    settings.setAutoDismissSeconds(2);
    controller->showToast({NotchToast::Style::deleted, "Moved to Trash", "a", FileKind::other});
    nextTurn();
    ASSERT_EQ(state(), NotchState::toast);
    download("during-toast.pdf");
    nextTurn();
    ASSERT_EQ(state(), NotchState::expanded);
    EXPECT_TRUE(Probe::expandedByAuto(*controller));
    expectSwitch(2s, NotchState::expanded, NotchState::collapsed);
}

TEST_F(ControllerTest, DownloadWhileTheUserHasThePanelOpenDoesNotDismissIt) {
    settings.setAutoDismissSeconds(1);
    openByHover();
    TrackedFile* file = download("while-open.zip");
    nextTurn();
    EXPECT_EQ(controller->selectedPendingId(), file->id());
    EXPECT_FALSE(Probe::expandedByAuto(*controller));
    EXPECT_TRUE(Probe::isPending(*controller, Work::autoDismiss));
    // The pointer sits in a row's open menu, outside the shape: still the user's panel.
    controller->menuOpened();
    panel->onHover(false);
    screens.pointer = Point{100, 100};
    advance(1s);
    EXPECT_FALSE(Probe::isPending(*controller, Work::autoDismiss));
    EXPECT_EQ(state(), NotchState::expanded);
}

TEST_F(ControllerTest, LastDecisionClosesAndSuppressesHoverButNotDragsOrDownloads) {
    TrackedFile* first = download("one.pdf");
    download("two.pdf");
    nextTurn();
    model.decide(first, ExpiryOption::oneHour);
    controller->showConfirmation(
        {first->id(), FileKind::pdf, ExpiryOption::oneHour, first->expiresAt(), "one.pdf"});
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
    EXPECT_TRUE(controller->isDropTargeted());
    EXPECT_EQ(state(), NotchState::expanded) << "a file drag still opens it";
    dragSelection->press(0);
    advance(DragWatcher::activeInterval);
    advance(600ms);
    ASSERT_EQ(state(), NotchState::collapsed);

    // So does a download that finishes within the suppression after the next closing.
    TrackedFile* third = download("three.pdf");
    nextTurn();
    model.decide(third, ExpiryOption::oneHour);
    controller->showConfirmation(
        {third->id(), FileKind::pdf, ExpiryOption::oneHour, third->expiresAt(), "three.pdf"});
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

TEST_F(ControllerTest, ToastsShowWhileClosedAndEndByWhereThePointerIs) {
    settings.setShowTestTimers(true);
    decided("soon.txt", ExpiryOption::tenSeconds);
    advance(10s); // the scheduler's sweep trashes it
    ASSERT_EQ(state(), NotchState::toast);
    ASSERT_TRUE(controller->toast().has_value());
    EXPECT_EQ(controller->toast()->title, "Moved to Trash");
    EXPECT_EQ(controller->toast()->subtitle, "soon.txt");
    EXPECT_EQ(panel->frame(), frameOf(NotchState::toast));
    advance(3s);
    EXPECT_EQ(state(), NotchState::collapsed);
    EXPECT_TRUE(controller->toast().has_value()) << "kept while the shape closes";
    advance(550ms);
    EXPECT_FALSE(controller->toast().has_value());

    // A second toast replaces the first and restarts its time; the pointer in the shape at
    // the end opens the panel instead.
    const NotchToast a{NotchToast::Style::deleted, "Deleted", "a", FileKind::other};
    const NotchToast b{NotchToast::Style::released, "Moved out of Downloads", "b", FileKind::other};
    controller->showToast(a);
    advance(2s);
    controller->showToast(b);
    EXPECT_EQ(controller->toast(), b);
    screens.pointer = Point{640, 790};
    expectSwitch(3s, NotchState::toast, NotchState::expanded);

    // Toasts that come while the panel is open are dropped.
    controller->showToast(a);
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_EQ(controller->toast(), b);

    // The pointer entering a toast opens the panel at once.
    controller->collapse();
    pointerAway();
    advance(1s);
    controller->showToast(a);
    nextTurn();
    ASSERT_EQ(state(), NotchState::toast);
    pointerOnNotch();
    EXPECT_FALSE(Probe::isPending(*controller, Work::toast));
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
}

TEST_F(ControllerTest, ReleaseToastOnlyWhenNobodyIsAtTheNotch) {
    decided("a.zip", ExpiryOption::oneHour);
    decided("b.zip", ExpiryOption::oneHour);
    decided("c.zip", ExpiryOption::oneHour);
    const auto moveOut = [&](const std::string& name) {
        std::filesystem::rename(file(name), home.root() / name);
        model.store()->noteMovedAway(file(name)); // as the watcher tells of the rename
        model.refresh();
        nextTurn();
    };
    pointerOnNotch();
    moveOut("a.zip");
    EXPECT_EQ(state(), NotchState::collapsed) << "dropped: the pointer is on the notch";
    EXPECT_FALSE(controller->toast().has_value());
    pointerAway();
    advance(1s);
    controller->setDropTargeted(true);
    moveOut("b.zip");
    EXPECT_FALSE(controller->toast().has_value()) << "dropped: a drag is over the notch";
    controller->setDropTargeted(false);
    advance(1s);
    ASSERT_EQ(state(), NotchState::collapsed);
    moveOut("c.zip");
    ASSERT_EQ(state(), NotchState::toast);
    EXPECT_EQ(controller->toast()->title, "Moved out of Downloads");
    EXPECT_EQ(controller->toast()->subtitle, "Timer removed · c.zip");
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
    // Text drags are not followed at all.
    dragSelection->pointer = QPointF(640, 10);
    dragSelection->beginDrag({"UTF8_STRING"});
    advance(1s);
    EXPECT_EQ(state(), NotchState::collapsed);
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

TEST_F(ControllerTest, TransientFieldsStayUntilTheFrameShrinks) {
    TrackedFile* pending = download("keep.me");
    nextTurn();
    controller->handleDrop({home.root() / "nowhere"});
    controller->showConfirmation({pending->id(), FileKind::other, ExpiryOption::forever, {}, ""});
    controller->setSelectedPendingID(pending->id());
    controller->setEditingTrackedID(QUuid::createUuid());
    controller->collapse();
    advance(549ms);
    EXPECT_TRUE(controller->dropNotice() && controller->confirmation() &&
                controller->selectedPendingId() && controller->editingTrackedID());
    advance(1ms);
    EXPECT_FALSE(controller->dropNotice() || controller->confirmation() ||
                 controller->selectedPendingId() || controller->editingTrackedID());
    // An expansion within the 0.55 s keeps the large frame and the fields.
    controller->expand(false);
    nextTurn();
    controller->setSelectedPendingID(pending->id());
    controller->collapse();
    advance(300ms);
    controller->expand(false);
    advance(1s);
    EXPECT_EQ(panel->frame(), frameOf(NotchState::expanded));
    EXPECT_EQ(controller->selectedPendingId(), pending->id());
}

TEST_F(ControllerTest, ScreenChangesMoveThePanel) {
    QSignalSpy geometryChanges(controller.get(), &NotchController::geometryChanged);
    screens.change(screens.list);
    EXPECT_EQ(geometryChanges.count(), 0);
    openByHover();
    screens.change({{{0, 0, 1920, 1080}, {0, 0, 1920, 1050}, 0, {}, {}}});
    EXPECT_EQ(geometryChanges.count(), 1);
    EXPECT_EQ(controller->geometry().notchRect, (Rect{860, 1018, 200, 32}));
    EXPECT_EQ(panel->frame(), (Rect{750, 570, 420, 480}));
    screens.change({});
    EXPECT_EQ(panel->frame(), Rect{});
}

TEST_F(ControllerTest, TeardownStopsEverythingAndLaterCallsDoNothing) {
    openByHover();
    pointerAway();
    controller->teardown();
    panel = nullptr; // gone with the controller's hold on it
    EXPECT_FALSE(Probe::isInstalled(*controller));
    EXPECT_FALSE(Probe::dragWatcher(*controller).isWatching());
    EXPECT_FALSE(model.onNewPendingFile);
    advance(2s);
    EXPECT_EQ(state(), NotchState::expanded) << "nothing left to act";
    controller->collapse();
    controller->expand(false);
    controller->showToast({});
    nextTurn();
    EXPECT_EQ(state(), NotchState::expanded);
    EXPECT_FALSE(Probe::isMouseInsideShape(*controller));
}

TEST_F(ControllerTest, FilesDeletedWhenDueAreToastedUntilTeardown) {
    settings.setShowTestTimers(true);
    decided("first.txt", ExpiryOption::thirtySeconds);
    advance(31s);
    EXPECT_EQ(stored("first.txt")->status(), FileStatus::deleted);
    ASSERT_TRUE(controller->toast().has_value());
    advance(NotchController::toastDuration + NotchController::collapseFrameDelay);
    ASSERT_FALSE(controller->toast().has_value());

    decided("second.txt", ExpiryOption::thirtySeconds);
    controller->teardown();
    panel = nullptr;
    advance(31s);
    EXPECT_EQ(stored("second.txt")->status(), FileStatus::deleted) << "the engine goes on";
    EXPECT_FALSE(controller->toast().has_value());
}

} // namespace
