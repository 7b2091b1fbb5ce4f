#include "notch/NotchGeometry.h"
#include "notch/NotchPanel.h"
#include "notch/NotchShape.h"
#include "notch/ScreenSource.h"

#include <gtest/gtest.h>

#include <ostream>
#include <tuple>

namespace fadebin {

void PrintTo(const Rect& r, std::ostream* os) {
    *os << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

namespace {

ScreenInfo plainMonitor(double x0 = 0) {
    return {{x0, 0, 1920, 1080}, {x0, 0, 1920, 1053}, 0, std::nullopt, std::nullopt};
}

TEST(NotchGeometryTest, ScreenWithoutHousingHangsBelowTheDesktopBarAndNoScreensGiveZero) {
    const auto g = NotchGeometry::compute({plainMonitor()}, 0);
    EXPECT_FALSE(g.hasNotch);
    EXPECT_EQ(g.notchRect, (Rect{860, 1021, 200, 32}));
    EXPECT_EQ(g.frameForState(NotchState::collapsed), (Rect{832, 1021, 256, 32}));
    EXPECT_EQ(g.frameForState(NotchState::expanded), (Rect{750, 573, 420, 480}));
    EXPECT_EQ(g.frameForState(NotchState::toast), (Rect{750, 949, 420, 104}));
    EXPECT_EQ(NotchGeometry::compute({plainMonitor(), plainMonitor(1920)}, 1).screenFrame.x, 1920);
    EXPECT_EQ(NotchGeometry::compute({}, std::nullopt), NotchGeometry{});
}

// Two points of tolerance at the sides and bottom, not three; before any shape, the whole frame.
TEST(ShapeTest, ToleranceAtTheEdgesAndTheWholeFrameBeforeAnyShape) {
    // A 200 x 32 shape centred in a 420 wide view: it spans x 110 to 310, y 0 to 32.
    const std::tuple<Size, Point, bool> cases[] = {
        {{200, 32}, {108, 10}, true},  {{200, 32}, {107, 10}, false}, {{200, 32}, {210, 34}, true},
        {{200, 32}, {210, 35}, false}, {{0, 0}, {0, 479}, true},      {{0, 32}, {419, 479}, true}};
    for (const auto& [shape, p, inside] : cases)
        EXPECT_EQ(shapeContains(shape, 420, p), inside) << p.x << "," << p.y;
    // Desktop points only inside the panel's frame (y up: its top edge is at 600).
    EXPECT_FALSE(isPointInsideShape({100, 500, 400, 100}, {300, 600}, {}));
}

TEST(PointerPixels, EdgesOfANotchHangingFromTheTopAndNativePixelsOnTheirOwnScreen) {
    // A 1280 x 800 screen: the collapsed panel covers pixels x 512..767, rows 0..31.
    const DesktopSpace space(800);
    const NotchGeometry g = NotchGeometry::compute(
        {{{0, 0, 1280, 800}, {0, 0, 1280, 800}, 0, std::nullopt, std::nullopt}}, 0);
    const Rect panel = g.frameForState(NotchState::collapsed);
    const std::pair<QPoint, bool> cases[] = {
        {{640, 0}, true},   {{640, 31}, true},  {{640, 32}, false},
        {{512, 10}, true},  {{511, 10}, false}, {{767, 10}, true},
        {{768, 10}, false}, {{512, 0}, true},   {{767, 31}, true},
    };
    for (const auto& [pixel, inside] : cases) {
        const Point p = space.fromQtPixel(pixel);
        EXPECT_EQ(isPointInsideShape(panel, p, {panel.width, panel.height}), inside)
            << pixel.x() << "," << pixel.y();
        EXPECT_EQ(g.notchRect.contains(p), inside && pixel.x() >= 540 && pixel.x() < 740);
    }
    // A 1280 x 800 screen at ratio 2, and beside it a 1920 x 1080 one at ratio 1.
    const std::vector<ScreenScaling> screens{{{0, 0}, {640, 400}, 2}, {{1280, 0}, {1920, 1080}, 1}};
    const std::pair<QPoint, QPointF> native[] = {
        {{0, 0}, {0.25, 0.25}},
        {{1001, 21}, {500.75, 10.75}},
        {{1279, 799}, {639.75, 399.75}},
        {{1290, 5}, {1290.5, 5.5}},
        {{5001, 5001}, {2500.75, 2500.75}}, // on no screen: the first one's ratio
    };
    for (const auto& [pixel, logical] : native)
        EXPECT_EQ(logicalFromNativePixel(pixel, screens), logical) << pixel.x() << "," << pixel.y();
    EXPECT_EQ(logicalFromNativePixel({7, 9}, {}), QPointF(7.5, 9.5));
}

// Radii clamped to what the rectangle holds; lower corners rounded, the top flaring out.
TEST(NotchShape, FlaredOutlineFillsItsRectangleWithClampedRadii) {
    const std::tuple<const char*, QRectF, NotchShape, double, double> cases[] = {
        {"radii that fit", QRectF(10, 0, 260, 32), {6, 12, true}, 6, 12},
        {"top radius over half the height", QRectF(0, 0, 300, 20), {14, 4, true}, 10, 4},
        {"narrow: bottom limited by the width", QRectF(0, 0, 40, 100), {6, 22, true}, 6, 14},
        {"bottom over height minus top", QRectF(0, 0, 300, 30), {10, 22, true}, 10, 20},
        {"negative radii count as none", QRectF(0, 0, 300, 30), {-3, -5, true}, 0, 0},
    };
    for (const auto& [what, rect, shape, top, bottom] : cases) {
        SCOPED_TRACE(what);
        EXPECT_DOUBLE_EQ(shape.clampedTopRadius(rect), top);
        EXPECT_DOUBLE_EQ(shape.clampedBottomRadius(rect), bottom);
        const QPainterPath path = shape.path(rect);
        EXPECT_EQ(path.boundingRect(), rect);
        // Inside along the middle; outside the lower corners' rounding and the flare's hollow.
        EXPECT_TRUE(path.contains(QPointF(rect.center().x(), rect.bottom() - 1)));
        if (bottom > 1) {
            EXPECT_FALSE(path.contains(
                QPointF(rect.left() + top + 0.2 * bottom, rect.bottom() - 0.2 * bottom)));
        }
        if (top > 1) {
            EXPECT_FALSE(path.contains(QPointF(rect.left() + 0.2, rect.top() + top - 0.2)));
        }
    }
}

} // namespace
} // namespace fadebin
