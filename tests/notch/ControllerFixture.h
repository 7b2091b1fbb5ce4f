#pragma once

// The notch controller on the manual clock with fakes of the panel, screens, pointer and drag
// selection, over a real model and real files.
#include "FakeDragSelection.h"
#include "NotchControllerProbe.h"
#include "notch/NotchController.h"
#include "notch/ScreenSource.h"
#include "support/ModelWorld.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace fadebin::test {

using namespace std::chrono_literals;
using Probe = NotchControllerProbe;
using Work = Probe::Work;

// One 1280 x 800 display unless the test changes it; the pointer nowhere until a test puts it.
class FakeScreens : public ScreenSource {
public:
    std::vector<ScreenInfo> list{{{0, 0, 1280, 800}, {0, 0, 1280, 800}, 0, {}, {}}};
    std::optional<Point> pointer;

    [[nodiscard]] std::vector<ScreenInfo> screens() const override { return list; }
    [[nodiscard]] std::optional<std::size_t> mainScreen() const override {
        return list.empty() ? std::nullopt : std::optional<std::size_t>(0);
    }
    [[nodiscard]] std::optional<Point> pointerLocation() const override { return pointer; }
    [[nodiscard]] DesktopSpace desktopSpace() const override {
        return DesktopSpace(list.empty() ? 0 : list.front().frame.maxY());
    }
    void change(std::vector<ScreenInfo> screens) {
        list = std::move(screens);
        notifyScreensChanged();
    }
};

class FakePanel final : public NotchPanelPort {
public:
    [[nodiscard]] Rect frame() const override { return placed; }
    void setFrame(const Rect& frame) override { placed = frame; }
    void setAllowsKey(bool allows) override { allowsKey = allows; }
    void present() override { front = true; }
    void withdraw() override { front = false; }
    [[nodiscard]] std::optional<Size> contentSize() const override {
        return Size{placed.width, placed.height};
    }
    void setOnHoverChange(std::function<void(bool)> callback) override {
        onHover = std::move(callback);
    }
    void setHitTest(NotchContentHost::HitTest test) override { hitTest = std::move(test); }
    [[nodiscard]] bool isPointerOverContent() const override { return pointerOver; }
    void setOutline(const QPainterPath&) override {}
    void setOnPressOutside(std::function<void()> callback) override {
        onPressOutside = std::move(callback);
    }

    bool allowsKey = false;
    bool front = false;
    bool pointerOver = false;
    std::function<void(bool)> onHover;
    NotchContentHost::HitTest hitTest;
    std::function<void()> onPressOutside;
    Rect placed;
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
    // The pointer as the hosting view reports it: inside the drawn shape or not.
    void pointerAt(Point p, bool inShape) {
        screens.pointer = p;
        panel->pointerOver = inShape;
        panel->onHover(inShape);
    }
    void pointerOnNotch() { pointerAt(Point{640, 790}, true); }
    void pointerAway() { pointerAt(Point{100, 100}, false); }
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
    // A download the controller has acted on.
    TrackedFile* arrived(const std::string& name) {
        TrackedFile* f = download(name);
        nextTurn();
        return f;
    }
    // A decision as the content makes it: the model's, then its card.
    void confirm(TrackedFile* f, ExpiryOption option, FileKind kind) {
        model.decide(f, option);
        controller->showConfirmation({f->id(), kind, option, f->expiresAt(), f->displayName()});
    }
    void toast() {
        controller->showToast({NotchToast::Style::deleted, "Deleted", "a", FileKind::other});
        nextTurn();
    }
    [[nodiscard]] NotchState state() const { return controller->state(); }
    [[nodiscard]] Rect frameOf(NotchState s) const { return controller->frameForState(s); }

    FakeScreens screens;
    FakeDragSelection* dragSelection = nullptr;
    FakePanel* panel = nullptr;
    std::unique_ptr<NotchController> controller;
};

} // namespace fadebin::test
