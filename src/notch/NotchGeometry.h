#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

// Where the notch is and how big the panel is, as plain arithmetic. Every position here is
// in desktop points with the origin at the bottom left of the main display and y growing
// upwards; Qt's y-down coordinates are converted once, where screens are read and where
// the panel window is placed (ScreenSource.h).
namespace fadebin {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    double width = 0;
    double height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    [[nodiscard]] double minX() const { return x; }
    [[nodiscard]] double minY() const { return y; }
    [[nodiscard]] double maxX() const { return x + width; }
    [[nodiscard]] double maxY() const { return y + height; }
    [[nodiscard]] double midX() const { return x + width / 2; }
    [[nodiscard]] double midY() const { return y + height / 2; }
    [[nodiscard]] bool isEmpty() const { return !(width > 0) || !(height > 0); }
    // Half-open on the far edges, so that two adjacent rectangles never share a point.
    [[nodiscard]] bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
    bool operator==(const Rect&) const = default;
};

// The smallest rectangle with whole-point edges that covers r: origin rounded down, far
// edges rounded up. An empty rectangle becomes the zero rectangle at the origin.
[[nodiscard]] Rect integral(const Rect& r);

// What the panel is doing; the controller owns the state, the frames below depend on it.
enum class NotchState { collapsed, expanded, toast };

// One display as the screen source reports it.
struct ScreenInfo {
    Rect frame;
    Rect visibleFrame;   // the frame without the desktop's panels and docks
    double topInset = 0; // height of a camera housing at the top edge, 0 without one
    std::optional<Rect> auxiliaryTopLeftArea;
    std::optional<Rect> auxiliaryTopRightArea;
};

struct NotchGeometry {
    Rect screenFrame;
    bool hasNotch = false;
    Rect notchRect;

    bool operator==(const NotchGeometry&) const = default;

    // The panel's measures, in points: collapsed it is the notch with a margin either side
    // (wider around a camera housing), open and as a toast at least as wide as that.
    static constexpr double collapsedExtra = 56;
    static constexpr double housingExtra = 12;
    static constexpr double openWidthWithHousing = 448;
    static constexpr double openWidthWithoutHousing = 420;
    static constexpr double expandedHeight = 480;
    static constexpr double toastExtraHeight = 72;

    [[nodiscard]] double collapsedWidth() const {
        return notchRect.width + (hasNotch ? housingExtra : 0) + collapsedExtra;
    }
    [[nodiscard]] double openWidth() const {
        return std::max(hasNotch ? openWidthWithHousing : openWidthWithoutHousing,
                        collapsedWidth());
    }
    [[nodiscard]] double toastHeight() const { return notchRect.height + toastExtraHeight; }

    // Screens in their order; mainScreen indexes them (none, or out of range: no main screen).
    [[nodiscard]] static NotchGeometry compute(const std::vector<ScreenInfo>& screens,
                                               std::optional<std::size_t> mainScreen);

    // The panel frame for a state, made integral.
    [[nodiscard]] Rect frameForState(NotchState state) const;
};

// The shape test: the drawn shape is a rectangle of shapeSize centred horizontally in a view
// of viewWidth and hanging from its top, with a 2-point tolerance on the sides and the
// bottom. The point is measured from the top left of the view. Before any shape size is
// known every point counts as inside.
[[nodiscard]] bool shapeContains(Size shapeSize, double viewWidth, Point fromTopLeft);

// Whether a desktop point (y up) is over the drawn shape of a panel at panelFrame. The shape
// hangs in a view of viewSize at the panel's origin, the panel's own size unless given (the
// content view may lag behind a new frame).
[[nodiscard]] bool isPointInsideShape(const Rect& panelFrame, Point desktopPoint, Size shapeSize,
                                      std::optional<Size> viewSize = std::nullopt);

} // namespace fadebin
