#include "notch/NotchShape.h"

#include <algorithm>

namespace fadebin {

double NotchShape::clampedTopRadius(const QRectF& rect) const {
    if (!flaredTop)
        return 0;
    return std::max(0.0, std::min(topRadius, rect.height() / 2));
}

double NotchShape::clampedBottomRadius(const QRectF& rect) const {
    if (!flaredTop) {
        // A rounded rectangle cannot have corners larger than half its shorter side.
        const double limit = std::min(rect.width(), rect.height()) / 2;
        return std::max(0.0, std::min(bottomRadius, limit));
    }
    const double t = clampedTopRadius(rect);
    const double b = std::min({bottomRadius, (rect.width() - 2 * t) / 2, rect.height() - t});
    return std::max(0.0, b);
}

QPainterPath NotchShape::path(const QRectF& rect) const {
    QPainterPath outline;
    const double b = clampedBottomRadius(rect);
    if (!flaredTop) {
        outline.addRoundedRect(rect, b, b);
        return outline;
    }
    const double t = clampedTopRadius(rect);
    const double minX = rect.left();
    const double maxX = rect.right();
    const double minY = rect.top();
    const double maxY = rect.bottom();
    const double left = minX + t;
    const double right = maxX - t;

    outline.moveTo(minX, minY);
    outline.quadTo(QPointF(left, minY), QPointF(left, minY + t));
    outline.lineTo(left, maxY - b);
    outline.quadTo(QPointF(left, maxY), QPointF(left + b, maxY));
    outline.lineTo(right - b, maxY);
    outline.quadTo(QPointF(right, maxY), QPointF(right, maxY - b));
    outline.lineTo(right, minY + t);
    outline.quadTo(QPointF(right, minY), QPointF(maxX, minY));
    outline.closeSubpath();
    return outline;
}

NotchShape NotchShape::forState(NotchState state, bool hasNotch) {
    if (state == NotchState::collapsed)
        return {hasNotch ? 6.0 : 0.0, hasNotch ? 12.0 : 16.0, hasNotch};
    return {hasNotch ? 14.0 : 0.0, 22, hasNotch};
}

NotchShape NotchShape::interpolated(const NotchShape& from, const NotchShape& to, double progress) {
    const double p = std::clamp(progress, 0.0, 1.0);
    NotchShape shape = to;
    shape.topRadius = from.topRadius + (to.topRadius - from.topRadius) * p;
    shape.bottomRadius = from.bottomRadius + (to.bottomRadius - from.bottomRadius) * p;
    return shape;
}

} // namespace fadebin
