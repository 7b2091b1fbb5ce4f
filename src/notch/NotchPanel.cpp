#include "notch/NotchPanel.h"

#include "notch/ScreenSource.h"
#include "notch/X11Compositing.h"
#include "platform/Log.h"

#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QRegion>
#include <QSurfaceFormat>
#include <QTransform>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <vector>

// Xlib last: its macros (None, Bool, Status) would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fadebin {

namespace {

// Qt's xcb plugin reads this window property as its own window-type bit set; 0x4 is its
// "dock" type, written out as _NET_WM_WINDOW_TYPE_DOCK ahead of the types Qt derives from
// the window flags.
constexpr const char* kXcbWindowTypeProperty = "_q_xcb_wm_window_type";
constexpr int kXcbDockWindowType = 0x4;

constexpr unsigned long kAllDesktops = 0xFFFFFFFF;

} // namespace

NotchContentHost::NotchContentHost(QQuickItem* parent)
    : QQuickItem(parent) {}

void NotchContentHost::setRootView(QQuickItem* root) {
    if (m_rootView == root)
        return;
    if (m_rootView)
        m_rootView->setParentItem(nullptr);
    m_rootView = root;
    if (root != nullptr) {
        root->setParentItem(this);
        root->setPosition({0, 0});
        root->setSize(size());
    }
}

void NotchContentHost::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (m_rootView)
        m_rootView->setSize(newGeometry.size());
}

void NotchContentHost::pointerEntered(QPointF position) {
    pointerMoved(position);
}

void NotchContentHost::pointerMoved(QPointF position) {
    // Qt's views are top-down already, as the shape test wants them.
    setHover(m_hitTest ? m_hitTest({position.x(), position.y()}, width()) : true);
}

void NotchContentHost::pointerExited() {
    setHover(false);
}

void NotchContentHost::setHover(bool inside) {
    if (inside == m_isInsideShape)
        return;
    m_isInsideShape = inside;
    if (m_onHoverChange)
        m_onHoverChange(inside);
}

NotchPanel::NotchPanel()
    : m_hostingView(new NotchContentHost(contentItem())) {
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
             Qt::WindowDoesNotAcceptFocus);
    setProperty(kXcbWindowTypeProperty, kXcbDockWindowType);
    // Shown without taking the focus from the application the user is in.
    setProperty("_q_showWithoutActivating", true);
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        m_compositing = std::make_unique<X11CompositingWatch>();
        m_compositing->setOnChange([this](bool) { applyShape(); });
        // The visual is the window's for life: Qt's software renderer keeps a backing store
        // of the first visual's depth. Without a compositor an alpha visual shows nothing of
        // what is below: it would only cost the server a redirected copy of the window, and
        // tools that read the window itself (xwd -root) see it black where it is clear.
        m_alphaVisual = m_compositing->isActive();
        FADEBIN_LOG_INFO(LogCategory::Notch, "Panel visual: %s",
                         m_alphaVisual ? "alpha (compositing manager running)"
                                       : "opaque, shaped by the X server");
    }
    if (m_alphaVisual) {
        // Clear around the drawn shape, where the compositor shows what is below.
        QSurfaceFormat surfaceFormat = format();
        surfaceFormat.setAlphaBufferSize(8);
        setFormat(surfaceFormat);
        setColor(Qt::transparent);
    } else {
        setColor(Qt::black);
    }
}

NotchPanel::~NotchPanel() = default;

bool NotchPanel::clipsToShape() const {
    return !(m_alphaVisual && m_compositing && m_compositing->isActive());
}

void NotchPanel::setAllowsKey(bool allows) {
    if (allows == m_allowsKey)
        return;
    m_allowsKey = allows;
    setFlag(Qt::WindowDoesNotAcceptFocus, !allows);
    if (handle() == nullptr || !isVisible())
        return;
    if (allows) {
        m_keyboard.take(winId());
        requestActivate();
    } else {
        m_keyboard.giveBack(winId());
    }
}

void NotchPanel::setFrame(const Rect& frame) {
    if (frame == m_frame)
        return;
    // The shape stays centred at the top: move the outline with the new width before the
    // window changes, so that the old mask never shows a corner of the resized window.
    if (!m_shape.isEmpty() && frame.width != m_frame.width)
        setShape(m_shape.translated((frame.width - m_frame.width) / 2, 0));
    m_frame = frame;
    applyGeometry();
}

void NotchPanel::applyGeometry() {
    // X has no zero-sized windows: an empty frame (no screens) is shown as no panel at all.
    if (m_frame.isEmpty()) {
        if (isVisible())
            hide();
        return;
    }
    // Every change (opening above all) restacks it on top: without a window manager nothing
    // keeps it above the windows mapped since it was shown. The restack goes before the new
    // geometry, which Qt sends at once, while a restack waits for the next pass of the event
    // loop: a window mapped in between would stay above the resized panel. Only X11
    // restacks; elsewhere Qt warns.
    if (isVisible() && m_desktopHintsApplied)
        raise();
    setGeometry(DesktopSpace::current().toQt(m_frame).toAlignedRect());
    if (m_orderedFront && !isVisible()) {
        applyDesktopHints();
        if (m_desktopHintsApplied)
            raise();
        show();
    }
}

void NotchPanel::present() {
    m_orderedFront = true;
    applyGeometry();
}

void NotchPanel::withdraw() {
    m_orderedFront = false;
    hide();
}

std::optional<Size> NotchPanel::contentSize() const {
    if (m_hostingView == nullptr)
        return std::nullopt;
    return Size{m_hostingView->width(), m_hostingView->height()};
}

void NotchPanel::setOnPressOutside(std::function<void()> callback) {
    const bool grab = static_cast<bool>(callback);
    m_onPressOutside = std::move(callback);
    if (grab == m_grabsPointer)
        return;
    // A grab is what an X menu holds: the presses of the whole screen come here, those
    // outside the panel with positions outside it.
    m_grabsPointer = grab;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        setMouseGrabEnabled(grab);
}

void NotchPanel::setShape(const QPainterPath& outline) {
    m_shape = outline;
    applyShape();
}

void NotchPanel::applyShape() {
    // Only X has the shape extension behind window masks; other platforms would just warn.
    if (!m_compositing || handle() == nullptr)
        return;
    // The server's pixels: the outline scaled as Qt scales the window.
    const double ratio = devicePixelRatio();
    const QRegion region = shapeRegion(QTransform::fromScale(ratio, ratio).map(m_shape));
    const auto window = static_cast<unsigned long>(winId());
    if (clipsToShape()) {
        // The bounding shape both clips the drawing to the outline, so that its rounded
        // corners need no compositor, and lets input outside it fall through. Before there
        // is an outline nothing shows: never a square panel for a frame.
        setX11Shape(window, X11Shape::bounding, region);
        setX11Shape(window, X11Shape::input, std::nullopt); // input follows the bounding shape
    } else {
        // The compositor blends the clear pixels around the outline; only input is limited.
        setX11Shape(window, X11Shape::bounding, std::nullopt);
        setX11Shape(window, X11Shape::input, region);
    }
}

QPainterPath NotchPanel::shapeRect(Size shapeSize, double viewWidth) {
    QPainterPath path;
    if (shapeSize.width > 0 && shapeSize.height > 0)
        path.addRect((viewWidth - shapeSize.width) / 2, 0, shapeSize.width, shapeSize.height);
    return path;
}

bool NotchPanel::event(QEvent* event) {
    // Hover is tracked on the window, ahead of Qt Quick's delivery, so that items of the
    // content that handle hover themselves cannot hide it from the shape test.
    switch (event->type()) {
    case QEvent::Enter:
        m_hostingView->pointerEntered(static_cast<QEnterEvent*>(event)->position());
        break;
    case QEvent::MouseMove:
        m_hostingView->pointerMoved(static_cast<QMouseEvent*>(event)->position());
        break;
    case QEvent::Leave:
        m_hostingView->pointerExited();
        break;
    case QEvent::MouseButtonPress:
        if (m_onPressOutside &&
            !QRectF(QPointF(), size()).contains(static_cast<QMouseEvent*>(event)->position())) {
            auto callback = m_onPressOutside; // it may end the grab
            callback();
            return true;
        }
        break;
    default:
        break;
    }
    return QQuickWindow::event(event);
}

void NotchPanel::focusOutEvent(QFocusEvent* event) {
    QQuickWindow::focusOutEvent(event);
    if (m_allowsKey && m_onKeyboardLost) {
        auto callback = m_onKeyboardLost; // it may clear allowsKey
        callback();
    }
}

void NotchPanel::resizeEvent(QResizeEvent* event) {
    QQuickWindow::resizeEvent(event);
    m_hostingView->setSize(size());
}

void NotchPanel::applyDesktopHints() {
    m_desktopHintsApplied = false;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->display() == nullptr)
        return; // not on X11: nothing to tell a window manager
    m_desktopHintsApplied = true;
    create();
    Display* display = x11->display();
    const auto window = static_cast<::Window>(winId());
    // Qt gives every window a colormap of its own, even on the screen's own visual. Tools that
    // read the screen window by window (xwd -root, ImageMagick's import) take a window with
    // another colormap for another visual and copy its whole rectangle, shape or not: the
    // parts cut away show as black. With the screen's colormap the panel is read as the
    // screen shows it.
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) != 0 &&
        attributes.visual == DefaultVisual(display, DefaultScreen(display)) &&
        attributes.colormap != DefaultColormap(display, DefaultScreen(display)))
        XSetWindowColormap(display, window, DefaultColormap(display, DefaultScreen(display)));
    applyShape(); // before the first map
    // Written on the unmapped window before every show: EWMH lets clients set _NET_WM_STATE
    // directly only then, and window managers drop it when a window is withdrawn. Qt keeps
    // these when it adds the "above" state at mapping. No taskbar or pager entry, and the
    // panel stays put across workspaces.
    const Atom stateProperty = XInternAtom(display, "_NET_WM_STATE", False);
    std::vector<Atom> states;
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, stateProperty, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &remaining, &data) == Success &&
        data != nullptr && format == 32) {
        const auto* atoms = reinterpret_cast<const unsigned long*>(data);
        states.assign(atoms, atoms + count);
    }
    if (data != nullptr)
        XFree(data);
    for (const char* name :
         {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"}) {
        const Atom state = XInternAtom(display, name, False);
        if (std::find(states.begin(), states.end(), state) == states.end())
            states.push_back(state);
    }
    XChangeProperty(display, window, stateProperty, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
    const unsigned long desktop = kAllDesktops;
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_DESKTOP", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(&desktop), 1);
    XFlush(display);
}

} // namespace fadebin
