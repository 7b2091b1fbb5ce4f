#include "notch/NotchShape.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace fadebin;

namespace {

// The points the outline passes through, in order: move, line and curve end points,
// with repeats (a zero-radius corner) folded.
std::vector<QPointF> onCurvePoints(const QPainterPath& path) {
    std::vector<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const bool curveEnd = e.type == QPainterPath::CurveToDataElement &&
                              (i + 1 == path.elementCount() ||
                               path.elementAt(i + 1).type != QPainterPath::CurveToDataElement);
        const QPointF p(e.x, e.y);
        if ((e.type == QPainterPath::MoveToElement || e.type == QPainterPath::LineToElement ||
             curveEnd) &&
            (points.empty() || points.back() != p))
            points.push_back(p);
    }
    return points;
}

// The flared outline's eight points for top radius t and bottom radius b in r: the top
// edge spans the rectangle, the sides are inset by t, the bottom corners round by b.
std::vector<QPointF> flared(const QRectF& r, double t, double b) {
    const double l = r.left() + t;
    const double rt = r.right() - t;
    std::vector<QPointF> points;
    for (const QPointF& p :
         {QPointF(r.left(), r.top()), QPointF(l, r.top() + t), QPointF(l, r.bottom() - b),
          QPointF(l + b, r.bottom()), QPointF(rt - b, r.bottom()), QPointF(rt, r.bottom() - b),
          QPointF(rt, r.top() + t), QPointF(r.right(), r.top()), QPointF(r.left(), r.top())}) {
        if (points.empty() || points.back() != p)
            points.push_back(p);
    }
    return points;
}

} // namespace

TEST(NotchShape, FlaredOutlinePassesThroughItsPointsWithClampedRadii) {
    // What, the rectangle, the shape, and its top and bottom radii once clamped.
    const std::tuple<const char*, QRectF, NotchShape, double, double> cases[] = {
        {"radii that fit", QRectF(10, 0, 260, 32), {6, 12, true}, 6, 12},
        {"top radius over half the height", QRectF(0, 0, 300, 20), {14, 4, true}, 10, 4},
        {"narrow: bottom limited by the width", QRectF(0, 0, 40, 100), {6, 22, true}, 6, 14},
        {"bottom over height minus top", QRectF(0, 0, 300, 30), {10, 22, true}, 10, 20},
        {"both at once", QRectF(0, 0, 30, 16), {12, 22, true}, 8, 7},
        {"negative radii count as none", QRectF(0, 0, 300, 30), {-3, -5, true}, 0, 0},
        {"collapsed, no housing", QRectF(0, 0, 256, 32), {0, 16, true}, 0, 16},
        {"width below twice the top radius", QRectF(0, 0, 10, 40), {8, 22, true}, 8, 0},
    };
    for (const auto& [what, rect, shape, top, bottom] : cases) {
        SCOPED_TRACE(what);
        EXPECT_DOUBLE_EQ(shape.clampedTopRadius(rect), top);
        EXPECT_DOUBLE_EQ(shape.clampedBottomRadius(rect), bottom);
        EXPECT_EQ(onCurvePoints(shape.path(rect)), flared(rect, top, bottom));
    }
    // Between those points the top flares inwards and the bottom corners bulge outwards.
    const QPainterPath path = NotchShape{14, 22, true}.path(QRectF(0, 0, 448, 104));
    EXPECT_FALSE(path.contains(QPointF(4, 2)));
    EXPECT_TRUE(path.contains(QPointF(20, 96)));
}
