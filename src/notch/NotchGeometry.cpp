#include "notch/NotchGeometry.h"

#include <algorithm>
#include <cmath>

namespace fadebin {

namespace {

constexpr double kDefaultNotchWidth = 200;
constexpr double kHangingNotchHeight = 32; // a screen without camera housing
constexpr double kShapeTolerance = 2;

} // namespace

Rect integral(const Rect& r) {
    if (r.isEmpty())
        return {};
    const double x0 = std::floor(r.minX());
    const double y0 = std::floor(r.minY());
    return {x0, y0, std::ceil(r.maxX()) - x0, std::ceil(r.maxY()) - y0};
}

NotchGeometry NotchGeometry::compute(const std::vector<ScreenInfo>& screens,
                                     std::optional<std::size_t> mainScreen) {
    const auto notched = std::find_if(screens.begin(), screens.end(),
                                      [](const ScreenInfo& s) { return s.topInset > 0; });
    const ScreenInfo* chosen = nullptr;
    if (notched != screens.end())
        chosen = &*notched;
    else if (mainScreen && *mainScreen < screens.size())
        chosen = &screens[*mainScreen];
    else if (!screens.empty())
        chosen = &screens.front();
    if (chosen == nullptr)
        return {};

    NotchGeometry g;
    g.screenFrame = chosen->frame;
    const double inset = chosen->topInset;
    if (inset > 0) {
        g.hasNotch = true;
        double width = kDefaultNotchWidth;
        // The housing lies between the two auxiliary areas, when the screen reports both.
        if (chosen->auxiliaryTopLeftArea && chosen->auxiliaryTopRightArea)
            width = g.screenFrame.width - chosen->auxiliaryTopLeftArea->width -
                    chosen->auxiliaryTopRightArea->width;
        g.notchRect = {g.screenFrame.midX() - width / 2, g.screenFrame.maxY() - inset, width,
                       inset};
    } else {
        const Rect& visible = chosen->visibleFrame;
        g.notchRect = {visible.midX() - kDefaultNotchWidth / 2,
                       visible.maxY() - kHangingNotchHeight, kDefaultNotchWidth,
                       kHangingNotchHeight};
    }
    return g;
}

Rect NotchGeometry::frameForState(NotchState state) const {
    const Rect& n = notchRect;
    const double collapsed = collapsedWidth();
    const double open = openWidth();
    Rect frame;
    switch (state) {
    case NotchState::collapsed:
        frame = {n.midX() - collapsed / 2, n.minY(), collapsed, n.height};
        break;
    case NotchState::expanded:
        frame = {n.midX() - open / 2, n.maxY() - expandedHeight, open, expandedHeight};
        break;
    case NotchState::toast: {
        const double height = toastHeight();
        frame = {n.midX() - open / 2, n.maxY() - height, open, height};
        break;
    }
    }
    return integral(frame);
}

bool shapeContains(Size shapeSize, double viewWidth, Point fromTopLeft) {
    if (!(shapeSize.width > 0) || !(shapeSize.height > 0))
        return true;
    const double dx = (viewWidth - shapeSize.width) / 2;
    return dx - kShapeTolerance <= fromTopLeft.x &&
           fromTopLeft.x <= dx + shapeSize.width + kShapeTolerance &&
           fromTopLeft.y <= shapeSize.height + kShapeTolerance;
}

bool isPointInsideShape(const Rect& panelFrame, Point desktopPoint, Size shapeSize,
                        std::optional<Size> viewSize) {
    if (!panelFrame.contains(desktopPoint))
        return false;
    const Size view = viewSize.value_or(Size{panelFrame.width, panelFrame.height});
    const Point inPanel{desktopPoint.x - panelFrame.x, desktopPoint.y - panelFrame.y};
    return shapeContains(shapeSize, view.width, {inPanel.x, view.height - inPanel.y});
}

} // namespace fadebin
