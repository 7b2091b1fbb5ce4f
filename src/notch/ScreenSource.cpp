#include "notch/ScreenSource.h"

#include "platform/Log.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace fadebin {

DesktopSpace DesktopSpace::current() {
    const QScreen* primary = qGuiApp != nullptr ? QGuiApplication::primaryScreen() : nullptr;
    if (primary == nullptr)
        return DesktopSpace(0);
    const QRectF frame = primary->geometry();
    return DesktopSpace(frame.y() + frame.height());
}

std::vector<ScreenScaling> currentScreenScaling() {
    std::vector<ScreenScaling> result;
    if (qGuiApp == nullptr)
        return result;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF frame = screen->geometry();
        result.push_back({frame.topLeft(), frame.size(), screen->devicePixelRatio()});
    }
    return result;
}

QPointF logicalFromNativePixel(QPoint native, const std::vector<ScreenScaling>& screens) {
    const QPointF centre = QPointF(native) + QPointF(0.5, 0.5);
    if (screens.empty())
        return centre;
    const auto onScreen = std::find_if(screens.begin(), screens.end(), [&](const auto& s) {
        const QRectF nativeFrame(s.origin, s.logicalSize * s.ratio);
        return nativeFrame.contains(centre);
    });
    const ScreenScaling& screen = onScreen != screens.end() ? *onScreen : screens.front();
    const double ratio = screen.ratio > 0 ? screen.ratio : 1;
    return screen.origin + (centre - screen.origin) / ratio;
}

QtScreenSource::QtScreenSource(QObject* parent)
    : QObject(parent) {
    if (qGuiApp != nullptr) {
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
            watchScreen(screen);
            screensChanged();
        });
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &QtScreenSource::screensChanged);
        connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
                &QtScreenSource::screensChanged);
        for (QScreen* screen : QGuiApplication::screens())
            watchScreen(screen);
    }
    logWhenEmpty();
}

void QtScreenSource::watchScreen(QScreen* screen) {
    // Connected with this as context: a removed screen's connections end with it.
    connect(screen, &QScreen::geometryChanged, this, &QtScreenSource::screensChanged);
    connect(screen, &QScreen::availableGeometryChanged, this, &QtScreenSource::screensChanged);
}

void QtScreenSource::screensChanged() {
    logWhenEmpty();
    notifyScreensChanged();
}

void QtScreenSource::logWhenEmpty() {
    const bool empty = screens().empty();
    if (empty && !m_loggedNoScreens)
        FADEBIN_LOG_INFO(LogCategory::Notch, "No screens: the notch geometry is empty");
    m_loggedNoScreens = empty;
}

std::vector<ScreenInfo> QtScreenSource::screens() const {
    std::vector<ScreenInfo> result;
    if (qGuiApp == nullptr)
        return result;
    const DesktopSpace space = DesktopSpace::current();
    for (const QScreen* screen : QGuiApplication::screens()) {
        ScreenInfo info;
        info.frame = space.fromQt(screen->geometry());
        info.visibleFrame = space.fromQt(screen->availableGeometry());
        result.push_back(info);
    }
    return result;
}

std::optional<std::size_t> QtScreenSource::mainScreen() const {
    if (qGuiApp == nullptr)
        return std::nullopt;
    const qsizetype index = QGuiApplication::screens().indexOf(QGuiApplication::primaryScreen());
    if (index < 0)
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

std::optional<Point> QtScreenSource::pointerLocation() const {
    if (qGuiApp == nullptr || QGuiApplication::primaryScreen() == nullptr)
        return std::nullopt;
    return DesktopSpace::current().fromQtPixel(QCursor::pos());
}

std::optional<Point> LayerShellScreenSource::pointerLocation() const {
    const std::optional<QPointF> global = m_pointer ? m_pointer() : std::nullopt;
    if (!global)
        return std::nullopt;
    return desktopSpace().fromQt(*global);
}

} // namespace fadebin
