#include "notch/NotchShape.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace fadebin;

namespace {

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

// The flared outline's points for top radius t and bottom radius b in r.
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
        EXPECT_EQ(onCurvePoints(shape.path(rect)), flared(rect, top, bottom));
    }
}

TEST(NotchShape, RadiiFollowTheStateAndTheHousing) {
    const std::tuple<NotchState, bool, NotchShape> rows[] = {
        {NotchState::collapsed, true, {6, 12, true}},
        {NotchState::collapsed, false, {0, 16, false}},
        {NotchState::expanded, true, {14, 22, true}},
        {NotchState::expanded, false, {0, 22, false}},
        {NotchState::toast, true, {14, 22, true}},
        {NotchState::toast, false, {0, 22, false}},
    };
    for (const auto& [state, hasNotch, shape] : rows)
        EXPECT_EQ(NotchShape::forState(state, hasNotch), shape)
            << static_cast<int>(state) << " " << hasNotch;
}
