#include "notch/NotchShape.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace fadebin;

// Radii are clamped to what the rectangle can hold, and the outline is the rectangle with its
// lower corners rounded by the bottom radius and its top flaring out by the top radius.
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
