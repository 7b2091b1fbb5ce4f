#include "notch/NotchGeometry.h"
#include "notch/NotchPanel.h"
#include "notch/ScreenSource.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace fadebin {

void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

namespace {

// A 1512 x 982 laptop display whose camera housing is 37.5 high, between two 600-point
// auxiliary areas, placed at x0.
ScreenInfo notchedLaptop(double x0 = 0) {
    ScreenInfo s;
    s.frame = {x0, 0, 1512, 982};
    s.visibleFrame = {x0, 0, 1512, 982 - 37.5};
    s.topInset = 37.5;
    s.auxiliaryTopLeftArea = Rect{x0, 944.5, 600, 37.5};
    s.auxiliaryTopRightArea = Rect{x0 + 912, 944.5, 600, 37.5};
    return s;
}

// A 1920 x 1080 monitor with a 27-point desktop bar along its top.
ScreenInfo plainMonitor(double x0 = 0) {
    ScreenInfo s;
    s.frame = {x0, 0, 1920, 1080};
    s.visibleFrame = {x0, 0, 1920, 1053};
    return s;
}

TEST(NotchGeometryTest, ChoosesTheFirstNotchedScreenOverTheMainOne) {
    const auto g = NotchGeometry::compute({plainMonitor(), notchedLaptop(1920)}, 0);
    EXPECT_TRUE(g.hasNotch);
    EXPECT_EQ(g.screenFrame, (Rect{1920, 0, 1512, 982}));
    EXPECT_EQ(g.notchRect, (Rect{1920 + 600, 944.5, 312, 37.5}));
}

TEST(NotchGeometryTest, WithoutNotchTakesTheMainScreenElseTheFirst) {
    EXPECT_EQ(NotchGeometry::compute({plainMonitor(), plainMonitor(1920)}, 1).screenFrame.x, 1920);
    EXPECT_EQ(
        NotchGeometry::compute({plainMonitor(), plainMonitor(1920)}, std::nullopt).screenFrame.x,
        0);
    // A main index that names no screen counts as no main screen.
    EXPECT_EQ(NotchGeometry::compute({plainMonitor(), plainMonitor(1920)}, 7).screenFrame.x, 0);
}

TEST(NotchGeometryTest, HousingBetweenAuxiliaryAreas) {
    const auto g = NotchGeometry::compute({notchedLaptop()}, 0);
    EXPECT_EQ(g.notchRect, (Rect{600, 944.5, 312, 37.5}));
    // 312 + 12 + 56 = 380 wide and 37.5 high, made integral outwards.
    EXPECT_EQ(g.frameForState(NotchState::collapsed), (Rect{566, 944, 380, 38}));
    EXPECT_EQ(g.frameForState(NotchState::expanded), (Rect{532, 502, 448, 480}));
    // 37.5 + 72 = 109.5 high, hanging from the top of the screen.
    EXPECT_EQ(g.frameForState(NotchState::toast), (Rect{532, 872, 448, 110}));
}

TEST(NotchGeometryTest, HousingWithoutBothAuxiliaryAreasIs200Wide) {
    ScreenInfo oneSided = notchedLaptop();
    oneSided.auxiliaryTopRightArea.reset();
    EXPECT_EQ(NotchGeometry::compute({oneSided}, 0).notchRect, (Rect{656, 944.5, 200, 37.5}));
    ScreenInfo bare = notchedLaptop();
    bare.auxiliaryTopLeftArea.reset();
    bare.auxiliaryTopRightArea.reset();
    EXPECT_EQ(NotchGeometry::compute({bare}, 0).notchRect.width, 200);
}

TEST(NotchGeometryTest, ScreenWithoutHousingHangsBelowTheDesktopBar) {
    const auto g = NotchGeometry::compute({plainMonitor()}, 0);
    EXPECT_FALSE(g.hasNotch);
    EXPECT_EQ(g.notchRect, (Rect{860, 1021, 200, 32}));
    EXPECT_EQ(g.frameForState(NotchState::collapsed), (Rect{832, 1021, 256, 32}));
    EXPECT_EQ(g.frameForState(NotchState::expanded), (Rect{750, 573, 420, 480}));
    EXPECT_EQ(g.frameForState(NotchState::toast), (Rect{750, 949, 420, 104}));
}

TEST(NotchGeometryTest, VeryWideNotchWidensTheOpenPanel) {
    ScreenInfo wide = notchedLaptop();
    wide.topInset = 32;
    wide.auxiliaryTopLeftArea->width = 546;
    wide.auxiliaryTopRightArea->width = 546;
    const auto g = NotchGeometry::compute({wide}, 0);
    EXPECT_EQ(g.notchRect.width, 420);
    EXPECT_EQ(g.frameForState(NotchState::collapsed).width, 488);
    EXPECT_EQ(g.frameForState(NotchState::expanded), (Rect{512, 502, 488, 480}));
    EXPECT_EQ(g.frameForState(NotchState::toast).width, 488);
}

TEST(NotchGeometryTest, NoScreensGiveTheZeroGeometryAndAZeroPanel) {
    const auto g = NotchGeometry::compute({}, std::nullopt);
    EXPECT_EQ(g, NotchGeometry{});
    EXPECT_EQ(g.frameForState(NotchState::collapsed), Rect{});
}

TEST(NotchGeometryTest, IntegralRoundsOutwardsAndEmptiesToZero) {
    EXPECT_EQ(integral({0.5, 1.25, 10, 10}), (Rect{0, 1, 11, 11}));
    EXPECT_EQ(integral({-0.5, -2.75, 1, 1}), (Rect{-1, -3, 2, 2}));
    EXPECT_EQ(integral({3, 4, 5, 6}), (Rect{3, 4, 5, 6}));
    EXPECT_EQ(integral({12, 40, 56, 0}), Rect{});
    EXPECT_EQ(integral({12, 40, -3, 8}), Rect{});
}

TEST(ShapeTest, TwoPointsOfToleranceOnSidesAndBottom) {
    // A 200 x 32 shape centred in a 420 wide view: it spans x 110 to 310.
    const Size shape{200, 32};
    EXPECT_TRUE(shapeContains(shape, 420, {108, 10}));
    EXPECT_FALSE(shapeContains(shape, 420, {107, 10}));
    EXPECT_TRUE(shapeContains(shape, 420, {312, 10}));
    EXPECT_FALSE(shapeContains(shape, 420, {313, 10}));
    EXPECT_TRUE(shapeContains(shape, 420, {210, 34}));
    EXPECT_FALSE(shapeContains(shape, 420, {210, 35}));
}

TEST(ShapeTest, BeforeAnyShapeSizeEveryPointIsInside) {
    EXPECT_TRUE(shapeContains({0, 0}, 420, {0, 479}));
    EXPECT_TRUE(shapeContains({200, 0}, 420, {0, 479}));
    EXPECT_TRUE(shapeContains({0, 32}, 420, {419, 479}));
}

TEST(ShapeTest, DesktopPointsAreTestedInsideThePanelFrameOnly) {
    const Rect panel{100, 500, 400, 100}; // y up: its top edge is at 600
    const Size shape{200, 30};
    EXPECT_TRUE(isPointInsideShape(panel, {300, 599}, shape));
    EXPECT_FALSE(isPointInsideShape(panel, {300, 510}, shape)); // 90 below the top
    EXPECT_TRUE(isPointInsideShape(panel, {300, 510}, {}));
    // Outside the frame nothing is inside, not even before a shape size is known.
    EXPECT_FALSE(isPointInsideShape(panel, {300, 600}, {}));
    EXPECT_FALSE(isPointInsideShape(panel, {500, 550}, {}));
    EXPECT_FALSE(isPointInsideShape(Rect{}, {0, 0}, {}));
}

TEST(DesktopSpaceTest, FlipsAboutTheMainDisplaysBottom) {
    const DesktopSpace space(1080);
    EXPECT_EQ(space.fromQt(QRectF(0, 0, 1920, 1080)), (Rect{0, 0, 1920, 1080}));
    // A display above the main one, and a panel hanging from the main display's top.
    EXPECT_EQ(space.fromQt(QRectF(0, -900, 1440, 900)), (Rect{0, 1080, 1440, 900}));
    EXPECT_EQ(space.toQt(Rect{832, 1048, 256, 32}), QRectF(832, 0, 256, 32));
    EXPECT_EQ(space.toQt(space.fromQt(QRectF(-40, -40, 300, 50))), QRectF(-40, -40, 300, 50));
    EXPECT_EQ(space.fromQt(QPointF(10, 0)), (Point{10, 1080}));
    EXPECT_EQ(space.toQt(Point{10, 0}), QPointF(10, 1080));
}

TEST(QtScreenSourceTest, ReportsTheApplicationsScreensWithoutHousing) {
    QtScreenSource source;
    const QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr) << "the offscreen platform has one screen";
    const auto screens = source.screens();
    ASSERT_EQ(screens.size(), static_cast<std::size_t>(QGuiApplication::screens().size()));
    const ScreenInfo& main = screens.at(source.mainScreen().value());
    EXPECT_EQ(main.frame,
              (Rect{0, 0, 1.0 * primary->geometry().width(), 1.0 * primary->geometry().height()}));
    EXPECT_EQ(main.topInset, 0);
    EXPECT_FALSE(main.auxiliaryTopLeftArea || main.auxiliaryTopRightArea);
    const NotchGeometry g = source.geometry();
    EXPECT_FALSE(g.hasNotch);
    EXPECT_EQ(g.notchRect.maxY(), main.visibleFrame.maxY());
    EXPECT_TRUE(source.pointerLocation().has_value());
}

TEST(HostingViewTest, ReportsHoverChangesOnlyOnce) {
    NotchHostingView view;
    view.setSize({420, 480});
    std::vector<bool> reports;
    view.setOnHoverChange([&](bool inside) { reports.push_back(inside); });

    // Without a shape test the whole view is the shape.
    view.pointerEntered({400, 400});
    view.pointerMoved({10, 10});
    view.pointerExited();
    view.pointerExited();
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));

    reports.clear();
    view.setHitTest([](Point p, double width) { return shapeContains({200, 32}, width, p); });
    view.pointerEntered({210, 200}); // below the shape: still outside, nothing to report
    view.pointerMoved({210, 20});
    view.pointerMoved({300, 30});
    view.pointerMoved({100, 30});
    view.pointerMoved({50, 30});
    EXPECT_EQ(reports, (std::vector<bool>{true, false}));
    EXPECT_FALSE(view.isInsideShape());
}

TEST(HostingViewTest, RootViewFillsTheView) {
    NotchHostingView view;
    QQuickItem root;
    view.setSize({256, 32});
    view.setRootView(&root);
    EXPECT_EQ(root.size(), QSizeF(256, 32));
    view.setSize({420, 480});
    EXPECT_EQ(root.size(), QSizeF(420, 480));
    view.setRootView(nullptr);
    EXPECT_EQ(root.parentItem(), nullptr);
}

TEST(NotchPanelTest, PlacesItsFrameInQtCoordinatesAndMasksItsShape) {
    NotchPanel panel;
    const double bottom = QGuiApplication::primaryScreen()->geometry().height();
    panel.setFrame({100, bottom - 32, 256, 32});
    EXPECT_EQ(panel.geometry(), QRect(100, 0, 256, 32));
    panel.setFrame({-40, bottom - 10, 300, 50}); // past the screen's top and left edges
    EXPECT_EQ(panel.geometry(), QRect(-40, -40, 300, 50));

    panel.setShape(NotchPanel::shapeRect({200, 32}, 420));
    EXPECT_EQ(panel.mask(), QRegion(110, 0, 200, 32));
    panel.setShape(NotchPanel::shapeRect({}, 420));
    EXPECT_TRUE(panel.mask().isEmpty());
}

TEST(NotchPanelTest, EmptyFrameHidesThePanelUntilItHasASize) {
    NotchPanel panel;
    panel.orderFront();
    EXPECT_FALSE(panel.isVisible());
    panel.setFrame({0, 0, 256, 32});
    EXPECT_TRUE(panel.isVisible());
    panel.setFrame({});
    EXPECT_FALSE(panel.isVisible());
    panel.orderOut();
    panel.setFrame({0, 0, 256, 32});
    EXPECT_FALSE(panel.isVisible());
}

TEST(NotchPanelTest, TakesFocusOnlyWhenAllowed) {
    NotchPanel panel;
    EXPECT_TRUE(panel.flags() & Qt::WindowDoesNotAcceptFocus);
    panel.setAllowsKey(true);
    EXPECT_FALSE(panel.flags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_TRUE(panel.flags() & Qt::WindowStaysOnTopHint);
    panel.setAllowsKey(false);
    EXPECT_TRUE(panel.flags() & Qt::WindowDoesNotAcceptFocus);
}

} // namespace
} // namespace fadebin
