#pragma once

#include "notch/NotchGeometry.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>
#include <optional>
#include <vector>

class QScreen;

namespace fadebin {

// Qt's global coordinates grow downwards from the top left of the primary screen; the notch
// logic's grow upwards from the bottom left of the main display. Both share x, so the
// conversion is a flip about the main display's bottom edge.
class DesktopSpace {
public:
    explicit DesktopSpace(double mainBottom = 0)
        : m_mainBottom(mainBottom) {}
    // The space of the running application: its primary screen, or a flip about 0 without one.
    [[nodiscard]] static DesktopSpace current();

    [[nodiscard]] Rect fromQt(const QRectF& r) const {
        return {r.x(), m_mainBottom - r.y() - r.height(), r.width(), r.height()};
    }
    [[nodiscard]] QRectF toQt(const Rect& r) const {
        return {r.x, m_mainBottom - r.y - r.height, r.width, r.height};
    }
    [[nodiscard]] Point fromQt(QPointF p) const { return {p.x(), m_mainBottom - p.y()}; }
    [[nodiscard]] QPointF toQt(Point p) const { return {p.x, m_mainBottom - p.y}; }
    // A whole pixel of Qt's space, such as a pointer position, stands for its centre: the
    // pointer on the screen's top row is half a pixel below the top edge, inside whatever
    // hangs from it, not on the excluded far edge of a half-open rectangle.
    [[nodiscard]] Point fromQtPixel(QPoint pixel) const {
        return fromQt(QPointF(pixel) + QPointF(0.5, 0.5));
    }

private:
    double m_mainBottom;
};

// How one screen maps the X server's pixels to Qt's logical ones: Qt keeps each screen's
// top left corner where the server has it and divides the distances from there by the
// screen's device-pixel ratio.
struct ScreenScaling {
    QPointF origin; // the top left corner, the same in both spaces
    QSizeF logicalSize;
    double ratio = 1;
};

// The scaling of the application's screens, in their order; empty without screens.
[[nodiscard]] std::vector<ScreenScaling> currentScreenScaling();

// Qt's logical global position of the centre of a native pixel of the root window. The
// pixel's own screen decides the ratio; a pixel on no screen takes the first screen's, and
// without screens nothing is scaled.
[[nodiscard]] QPointF logicalFromNativePixel(QPoint native,
                                             const std::vector<ScreenScaling>& screens);

// The displays, in desktop coordinates (y up), and the pointer on them. An interface so that
// the geometry can be exercised on displays that this machine does not have.
class ScreenSource {
public:
    virtual ~ScreenSource() = default;
    [[nodiscard]] virtual std::vector<ScreenInfo> screens() const = 0;
    // Index of the main display in screens(), none without displays.
    [[nodiscard]] virtual std::optional<std::size_t> mainScreen() const = 0;
    // The pointer's current position, none when it cannot be known.
    [[nodiscard]] virtual std::optional<Point> pointerLocation() const = 0;
    // How Qt's global coordinates map to these.
    [[nodiscard]] virtual DesktopSpace desktopSpace() const = 0;

    [[nodiscard]] NotchGeometry geometry() const {
        return NotchGeometry::compute(screens(), mainScreen());
    }

    // Told when displays come or go or change their frames.
    void setOnScreensChanged(std::function<void()> callback) {
        m_onScreensChanged = std::move(callback);
    }

protected:
    void notifyScreensChanged() const {
        if (m_onScreensChanged)
            m_onScreensChanged();
    }

private:
    std::function<void()> m_onScreensChanged;
};

// The application's Qt screens. Linux reports no camera housing: the top inset is 0 and
// there are no auxiliary areas, so the notch hangs from the top of the visible frame.
class QtScreenSource : public QObject, public ScreenSource {
    Q_OBJECT
public:
    explicit QtScreenSource(QObject* parent = nullptr);

    [[nodiscard]] std::vector<ScreenInfo> screens() const override;
    [[nodiscard]] std::optional<std::size_t> mainScreen() const override;
    [[nodiscard]] std::optional<Point> pointerLocation() const override;
    [[nodiscard]] DesktopSpace desktopSpace() const override { return DesktopSpace::current(); }

private:
    void watchScreen(QScreen* screen);
    void screensChanged();
    void logWhenEmpty();

    bool m_loggedNoScreens = false;
};

// Qt's screens on a Wayland layer shell, where Qt knows the pointer only over its own
// windows: over the notch, the panel tells where it is; elsewhere it is not known.
class LayerShellScreenSource final : public QtScreenSource {
    Q_OBJECT
public:
    using QtScreenSource::QtScreenSource;

    void setPointerSource(std::function<std::optional<QPointF>()> source) {
        m_pointer = std::move(source);
    }
    [[nodiscard]] std::optional<Point> pointerLocation() const override;

private:
    std::function<std::optional<QPointF>()> m_pointer;
};

} // namespace fadebin
