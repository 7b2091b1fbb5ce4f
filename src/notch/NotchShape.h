#pragma once

#include "notch/NotchGeometry.h"

#include <QPainterPath>
#include <QRectF>

#include <utility>

namespace fadebin {

// The notch outline. With a flared top the sides curve outwards into a top edge as wide
// as the rectangle, so the shape continues the screen edge and the camera housing;
// without it the outline is a plain rounded rectangle.
struct NotchShape {
    double topRadius = 0;
    double bottomRadius = 0;
    bool flaredTop = false;

    // The radii actually drawn in rect, after the limits the rectangle puts on them.
    [[nodiscard]] double clampedTopRadius(const QRectF& rect) const;
    [[nodiscard]] double clampedBottomRadius(const QRectF& rect) const;

    // The outline in rect (y downwards).
    [[nodiscard]] QPainterPath path(const QRectF& rect) const;

    // The outline of each state: small radii lying against the notch, larger ones open, and
    // no flared top without a camera housing to blend into.
    [[nodiscard]] static NotchShape forState(NotchState state, bool hasNotch);

    // The pair that animates between states: (topRadius, bottomRadius).
    [[nodiscard]] std::pair<double, double> animatableData() const {
        return {topRadius, bottomRadius};
    }
    void setAnimatableData(std::pair<double, double> data) {
        topRadius = data.first;
        bottomRadius = data.second;
    }
    // The shape a fraction progress (0 to 1) of the way from `from` to `to`; flaredTop
    // is not animatable and is taken from `to`.
    [[nodiscard]] static NotchShape interpolated(const NotchShape& from, const NotchShape& to,
                                                 double progress);

    friend bool operator==(const NotchShape&, const NotchShape&) = default;
};

} // namespace fadebin
