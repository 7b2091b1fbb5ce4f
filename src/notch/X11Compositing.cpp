#include "notch/X11Compositing.h"

#include "platform/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <string>
#include <vector>

#include <xcb/xcb.h>
// Xlib last: its macros (None, Bool, Status, ...) would break Qt's and our headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shapeconst.h>

namespace fadebin {

Display* qtDisplay() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
}

X11CompositingWatch::X11CompositingWatch() {
    Display* display = qtDisplay();
    if (display == nullptr)
        return;
    int errorBase = 0;
    if (!XFixesQueryExtension(display, &m_fixesEventBase, &errorBase)) {
        FADEBIN_LOG_INFO(LogCategory::Notch,
                         "No XFixes on this X server: a compositing manager is not followed");
        return;
    }
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display));
    m_selection = XInternAtom(display, name.c_str(), False);
    XFixesSelectSelectionInput(display, DefaultRootWindow(display), m_selection,
                               XFixesSetSelectionOwnerNotifyMask |
                                   XFixesSelectionWindowDestroyNotifyMask |
                                   XFixesSelectionClientCloseNotifyMask);
    m_active = ownerPresent();
    m_watching = true;
    QCoreApplication::instance()->installNativeEventFilter(this);
    FADEBIN_LOG_INFO(LogCategory::Notch, "Compositing manager: %s", m_active ? "running" : "none");
}

X11CompositingWatch::~X11CompositingWatch() {
    if (!m_watching)
        return;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    if (Display* display = qtDisplay()) {
        XFixesSelectSelectionInput(display, DefaultRootWindow(display), m_selection, 0);
        XFlush(display);
    }
}

bool X11CompositingWatch::ownerPresent() const {
    Display* display = qtDisplay();
    return display != nullptr && XGetSelectionOwner(display, m_selection) != 0;
}

bool X11CompositingWatch::nativeEventFilter(const QByteArray& eventType, void* message,
                                            qintptr* /*result*/) {
    if (eventType != "xcb_generic_event_t" || message == nullptr)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_fixesEventBase + XFixesSelectionNotify)
        return false;
    // XFixes' wire format: type, subtype and sequence, then window, owner and selection.
    const auto* words = reinterpret_cast<const quint32*>(event);
    if (words[3] != m_selection)
        return false; // another client's selection (Qt's clipboard): Qt's to handle
    const bool active = ownerPresent();
    if (active != m_active) {
        m_active = active;
        FADEBIN_LOG_INFO(LogCategory::Notch, "Compositing manager: %s",
                         active ? "started" : "stopped");
        if (m_onChange)
            m_onChange(active);
    }
    return false;
}

QRegion shapeRegion(const QPainterPath& outline) {
    QRegion region;
    for (const QPolygonF& polygon : outline.toFillPolygons())
        region += QRegion(polygon.toPolygon(), Qt::WindingFill);
    return region;
}

void setX11Shape(unsigned long window, X11Shape kind, const std::optional<QRegion>& region) {
    Display* display = qtDisplay();
    if (display == nullptr || window == 0)
        return;
    XserverRegion shape = 0;
    if (region) {
        std::vector<XRectangle> rects;
        rects.reserve(static_cast<std::size_t>(region->rectCount()));
        for (const QRect& r : *region)
            rects.push_back({static_cast<short>(r.x()), static_cast<short>(r.y()),
                             static_cast<unsigned short>(r.width()),
                             static_cast<unsigned short>(r.height())});
        shape = XFixesCreateRegion(display, rects.data(), static_cast<int>(rects.size()));
    }
    XFixesSetWindowShapeRegion(display, window,
                               kind == X11Shape::input ? ShapeInput : ShapeBounding, 0, 0, shape);
    if (shape != 0)
        XFixesDestroyRegion(display, shape);
    XFlush(display);
}

} // namespace fadebin
