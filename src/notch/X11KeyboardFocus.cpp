#include "notch/X11KeyboardFocus.h"

#include "notch/X11Compositing.h"

#include "platform/Log.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <utility>
#include <vector>

// Xlib last: its macros (None, Bool, Status, ...) would break Qt's and our headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fadebin {

namespace {

// The 32-bit items of a root window property (atoms or windows); empty when it is not set.
std::vector<unsigned long> rootProperty(Display* display, const char* name, Atom type) {
    std::vector<unsigned long> items;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, name, False),
                           0, 1024, False, type, &actual, &format, &count, &remaining,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data != nullptr)
        XFree(data);
    return items;
}

// A window that exists and is shown: one the focus can go to (X refuses others).
bool isViewable(Display* display, Window window) {
    XWindowAttributes attributes{};
    return window > PointerRoot && XGetWindowAttributes(display, window, &attributes) != 0 &&
           attributes.map_state == IsViewable;
}

// A window manager that runs now (its check window exists) and keeps the active window.
bool managerKeepsActiveWindow(Display* display) {
    const std::vector<unsigned long> check =
        rootProperty(display, "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    XWindowAttributes attributes{};
    if (check.empty() || XGetWindowAttributes(display, check.front(), &attributes) == 0)
        return false;
    const std::vector<unsigned long> supported = rootProperty(display, "_NET_SUPPORTED", XA_ATOM);
    return std::ranges::find(supported, XInternAtom(display, "_NET_ACTIVE_WINDOW", False)) !=
           supported.end();
}

Window activeWindow(Display* display) {
    const std::vector<unsigned long> active =
        rootProperty(display, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.empty() ? 0 : active.front();
}

// Asks the manager to activate the window as a pager does (source 2): a key binding the person
// pressed is theirs, not a program's attempt to steal the focus.
void askActivation(Display* display, Window window, Window current) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(current);
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

void X11KeyboardFocus::take(unsigned long window) {
    Display* display = qtDisplay();
    if (display == nullptr || window == 0)
        return;
    m_askedManager = managerKeepsActiveWindow(display);
    if (m_askedManager) {
        m_previous = activeWindow(display);
        askActivation(display, window, m_previous);
    } else {
        Window focused = 0;
        int revert = 0;
        XGetInputFocus(display, &focused, &revert);
        m_previous = focused == window ? m_previous : focused;
        // The current time, not Qt's last event's: the focus may have moved since, and X
        // ignores a focus change older than the last one.
        XSetInputFocus(display, window, RevertToParent, CurrentTime);
    }
    XFlush(display);
    FADEBIN_LOG_INFO(LogCategory::Notch, "Panel took the keyboard from window 0x%lx", m_previous);
}

void X11KeyboardFocus::giveBack(unsigned long window) {
    Display* display = qtDisplay();
    if (display == nullptr || window == 0)
        return;
    const Window previous = std::exchange(m_previous, 0);
    if (m_askedManager) {
        if (activeWindow(display) == window && isViewable(display, previous))
            askActivation(display, previous, window);
    } else {
        Window focused = 0;
        int revert = 0;
        XGetInputFocus(display, &focused, &revert);
        if (focused != window)
            return;
        // The window that had it, else the pointer's, as X has it when nobody chose.
        XSetInputFocus(display, isViewable(display, previous) ? previous : PointerRoot,
                       RevertToPointerRoot, CurrentTime);
    }
    XFlush(display);
}

} // namespace fadebin
