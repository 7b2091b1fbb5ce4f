#include "notch/NotchShape.h"

#include <gtest/gtest.h>

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
        if (e.type != QPainterPath::MoveToElement && e.type != QPainterPath::LineToElement &&
            !curveEnd)
            continue;
        const QPointF p(e.x, e.y);
        if (points.empty() || points.back() != p)
            points.push_back(p);
    }
    return points;
}

// The flared outline's eight points for top radius t and bottom radius b in r.
std::vector<QPointF> flared(const QRectF& r, double t, double b) {
    const double l = r.left() + t;
    const double rt = r.right() - t;
    std::vector<QPointF> points{
        {r.left(), r.top()}, {l, r.top() + t},     {l, r.bottom() - b},
        {l + b, r.bottom()}, {rt - b, r.bottom()}, {rt, r.bottom() - b},
        {rt, r.top() + t},   {r.right(), r.top()}, {r.left(), r.top()},
    };
    std::vector<QPointF> folded;
    for (const QPointF& p : points) {
        if (folded.empty() || folded.back() != p)
            folded.push_back(p);
    }
    return folded;
}

} // namespace

TEST(NotchShape, FlaredOutlineFollowsItsEightPoints) {
    const QRectF r(10, 0, 260, 32);
    const NotchShape shape{6, 12, true};
    EXPECT_EQ(onCurvePoints(shape.path(r)), flared(r, 6, 12));
    // The top edge is as wide as the rectangle; the bottom is inset by the top radius.
    EXPECT_EQ(shape.path(r).boundingRect(), r);
}

TEST(NotchShape, RadiiAreClampedToTheRectangle) {
    struct Case {
        const char* what;
        QRectF rect;
        NotchShape shape;
        double top;
        double bottom;
    };
    const std::vector<Case> cases{
        {"top radius over half the height", QRectF(0, 0, 300, 20), {14, 4, true}, 10, 4},
        {"narrow: bottom limited by the width", QRectF(0, 0, 40, 100), {6, 22, true}, 6, 14},
        {"bottom over height minus top", QRectF(0, 0, 300, 30), {10, 22, true}, 10, 20},
        {"both at once", QRectF(0, 0, 30, 16), {12, 22, true}, 8, 7},
        {"negative radii count as none", QRectF(0, 0, 300, 30), {-3, -5, true}, 0, 0},
        {"collapsed, no housing", QRectF(0, 0, 256, 32), {0, 16, true}, 0, 16},
        {"width below twice the top radius", QRectF(0, 0, 10, 40), {8, 22, true}, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(c.shape.clampedTopRadius(c.rect), c.top);
        EXPECT_DOUBLE_EQ(c.shape.clampedBottomRadius(c.rect), c.bottom);
        EXPECT_EQ(onCurvePoints(c.shape.path(c.rect)), flared(c.rect, c.top, c.bottom));
    }
}

TEST(NotchShape, WithoutFlaredTopIsARoundedRectangleIgnoringTheTopRadius) {
    const QRectF r(0, 0, 420, 104);
    const NotchShape plain{14, 22, false};
    const NotchShape noTop{0, 22, false};
    EXPECT_EQ(plain.path(r), noTop.path(r));
    QPainterPath expected;
    expected.addRoundedRect(r, 22, 22);
    EXPECT_EQ(plain.path(r), expected);
    EXPECT_DOUBLE_EQ(plain.clampedTopRadius(r), 0);
    // The corners are round: the top left corner point is outside, its rounded edge inside.
    EXPECT_FALSE(plain.path(r).contains(QPointF(1, 1)));
    EXPECT_TRUE(plain.path(r).contains(QPointF(22, 1)));
    // A radius larger than the shape is held to half its shorter side.
    EXPECT_DOUBLE_EQ((NotchShape{0, 90, false}).clampedBottomRadius(QRectF(0, 0, 200, 32)), 16);
}

TEST(NotchShape, FlaredTopCoversTheTopCornersAndCutsTheSides) {
    const QRectF r(0, 0, 448, 104);
    const QPainterPath path = NotchShape{14, 22, true}.path(r);
    // The top edge reaches out towards the rectangle's corners and curves in below it;
    // further down the sides are inset by t.
    EXPECT_TRUE(path.contains(QPointF(4, 0.2)));
    EXPECT_FALSE(path.contains(QPointF(4, 2)));
    EXPECT_TRUE(path.contains(QPointF(444, 0.2)));
    EXPECT_FALSE(path.contains(QPointF(5, 50)));
    EXPECT_TRUE(path.contains(QPointF(15, 50)));
    EXPECT_FALSE(path.contains(QPointF(443, 50)));
    // The bottom corners are rounded.
    EXPECT_FALSE(path.contains(QPointF(15, 103)));
    EXPECT_TRUE(path.contains(QPointF(224, 103)));
}

TEST(NotchShape, RadiiAnimateTogetherAndFlaredTopDoesNot) {
    const NotchShape collapsed{6, 12, true};
    const NotchShape open{14, 22, true};
    EXPECT_EQ(NotchShape::interpolated(collapsed, open, 0), collapsed);
    EXPECT_EQ(NotchShape::interpolated(collapsed, open, 1), open);
    const NotchShape half = NotchShape::interpolated(collapsed, open, 0.5);
    EXPECT_DOUBLE_EQ(half.topRadius, 10);
    EXPECT_DOUBLE_EQ(half.bottomRadius, 17);
    EXPECT_EQ(NotchShape::interpolated(collapsed, open, 7), open);

    NotchShape shape;
    shape.setAnimatableData({3, 4});
    EXPECT_EQ(shape.animatableData(), (std::pair<double, double>{3, 4}));
    EXPECT_EQ(shape, (NotchShape{3, 4, false}));
}
