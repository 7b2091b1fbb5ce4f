#include "notch/X11DragSelection.h"

#include "notch/ScreenSource.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QSocketNotifier>

#include <algorithm>
#include <mutex>
#include <optional>

// Xlib last: its macros (None, Bool, Status, ...) would break Qt's and our headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#undef Status

namespace fadebin {

namespace {

// Errors on our own connections are expected (a drag source's window can vanish between
// its notice and our query) and must not end the process, as Xlib's default handler
// would. Errors on other connections go to whichever handler was there before.
std::mutex g_errorMutex;
std::vector<Display*> g_ourDisplays;
XErrorHandler g_previousHandler = nullptr;
bool g_handlerInstalled = false;

int onXError(Display* display, XErrorEvent* event) {
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(g_errorMutex);
        if (std::find(g_ourDisplays.begin(), g_ourDisplays.end(), display) != g_ourDisplays.end())
            return 0;
        previous = g_previousHandler;
    }
    return previous ? previous(display, event) : 0;
}

void adoptDisplay(Display* display) {
    std::lock_guard lock(g_errorMutex);
    g_ourDisplays.push_back(display);
    if (!g_handlerInstalled) {
        // Stays installed: restoring later could undo a handler set after ours.
        g_previousHandler = XSetErrorHandler(onXError);
        g_handlerInstalled = true;
    }
}

void releaseDisplay(Display* display) {
    std::lock_guard lock(g_errorMutex);
    std::erase(g_ourDisplays, display);
}

struct DisplayCloser {
    void operator()(Display* display) const {
        XCloseDisplay(display);
        releaseDisplay(display);
    }
};

} // namespace

struct X11DragSelection::Connection {
    std::unique_ptr<Display, DisplayCloser> display;
    Window root = 0;
    Window requestor = 0; // receives the converted TARGETS
    Atom xdndSelection = 0;
    Atom xdndTypeList = 0;
    Atom targets = 0;
    Atom targetsProperty = 0;
    bool hasXFixes = false;
    int fixesEventBase = 0;

    long changeCount = 0;
    Window owner = 0;
    Time ownedSince = CurrentTime;

    // One TARGETS request at a time, answered through the event queue: the drag source is
    // another client, and nothing here waits for it.
    struct Take {
        Window owner = 0;
        Time since = CurrentTime;
        friend bool operator==(const Take&, const Take&) = default;
    };
    std::optional<Take> asked;
    std::optional<Take> answeredFor;
    std::vector<Atom> answer;

    std::unique_ptr<QSocketNotifier> notifier;
    std::function<void()> onChange;
    bool drainPosted = false;

    [[nodiscard]] Display* dpy() const { return display.get(); }

    // Takes in every event that has arrived; true when the change count moved.
    bool drain() {
        const long before = changeCount;
        while (XPending(dpy()) > 0) {
            XEvent event;
            XNextEvent(dpy(), &event);
            if (event.type == SelectionNotify && event.xselection.requestor == requestor)
                takeAnswer(event.xselection);
            else if (hasXFixes && event.type == fixesEventBase + XFixesSelectionNotify)
                takeOwnerNotice(*reinterpret_cast<const XFixesSelectionNotifyEvent*>(&event));
        }
        if (!hasXFixes) {
            const Window current = XGetSelectionOwner(dpy(), xdndSelection);
            if (current != owner) {
                ++changeCount;
                owner = current;
                ownedSince = CurrentTime;
            }
        }
        return changeCount != before;
    }

    void takeOwnerNotice(const XFixesSelectionNotifyEvent& notice) {
        if (notice.selection != xdndSelection)
            return;
        ++changeCount;
        owner = notice.owner;
        ownedSince = notice.selection_timestamp != CurrentTime ? notice.selection_timestamp
                                                               : notice.timestamp;
    }

    void takeAnswer(const XSelectionEvent& reply) {
        if (!asked || reply.selection != xdndSelection || reply.time != asked->since)
            return; // an answer to an earlier request
        answeredFor = asked;
        asked.reset();
        answer = reply.property == None ? std::vector<Atom>{}
                                        : readAtoms(requestor, targetsProperty, true);
    }

    void onReadable() {
        if (drain() && onChange) {
            auto copy = onChange; // the callback may stop the watching
            copy();
        }
        postDrainIfQueued();
    }

    // Round trips can pull notices into Xlib's queue, where the socket no longer shows
    // them; look at them from the event loop.
    void postDrainIfQueued() {
        if (!notifier || !notifier->isEnabled() || drainPosted || QLength(dpy()) == 0)
            return;
        drainPosted = true;
        QMetaObject::invokeMethod(
            notifier.get(),
            [this] {
                drainPosted = false;
                if (notifier->isEnabled())
                    onReadable();
            },
            Qt::QueuedConnection);
    }

    [[nodiscard]] std::vector<Atom> readAtoms(Window window, Atom property, bool remove) const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        std::vector<Atom> atoms;
        const int result =
            XGetWindowProperty(dpy(), window, property, 0, 4096, remove ? True : False,
                               AnyPropertyType, &type, &format, &count, &remaining, &data);
        if (result == Success && data && format == 32) {
            // Format 32 data comes as an array of long, whatever the server's word size.
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            atoms.assign(values, values + count);
        }
        if (data)
            XFree(data);
        return atoms;
    }

    // The current owner's TARGETS as far as it has answered. Asks when nobody has been asked
    // about this take of the selection yet, with the time of the take, as owners refuse
    // requests from before it; the answer comes in with a later drain.
    [[nodiscard]] std::vector<Atom> targetsOfOwner() {
        const Take take{owner, ownedSince};
        if (answeredFor == take && !answer.empty())
            return answer;
        if (asked != take) {
            XDeleteProperty(dpy(), requestor, targetsProperty);
            XConvertSelection(dpy(), xdndSelection, targets, targetsProperty, requestor,
                              ownedSince);
            XFlush(dpy());
            asked = take;
        }
        return {};
    }
};

bool x11DisplayReachable(const char* displayName) {
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr)
        return false;
    XCloseDisplay(display);
    return true;
}

X11DragSelection::X11DragSelection(const char* displayName)
    : m_x(std::make_unique<Connection>()) {
    Display* display = XOpenDisplay(displayName);
    if (!display)
        return;
    adoptDisplay(display);
    m_x->display.reset(display);
    m_x->root = DefaultRootWindow(display);
    m_x->xdndSelection = XInternAtom(display, "XdndSelection", False);
    m_x->xdndTypeList = XInternAtom(display, "XdndTypeList", False);
    m_x->targets = XInternAtom(display, "TARGETS", False);
    m_x->targetsProperty = XInternAtom(display, "FADEBIN_DRAG_TARGETS", False);

    XSetWindowAttributes attributes{};
    m_x->requestor = XCreateWindow(display, m_x->root, -10, -10, 1, 1, 0, 0, InputOnly,
                                   CopyFromParent, 0, &attributes);

    int errorBase = 0;
    int major = 5;
    int minor = 0;
    if (XFixesQueryExtension(display, &m_x->fixesEventBase, &errorBase) &&
        XFixesQueryVersion(display, &major, &minor)) {
        m_x->hasXFixes = true;
        XFixesSelectSelectionInput(display, m_x->root, m_x->xdndSelection,
                                   XFixesSetSelectionOwnerNotifyMask);
    } else {
        FADEBIN_LOG_INFO(LogCategory::Notch,
                         "No XFixes: drag watcher compares the drag selection's owner");
        m_x->owner = XGetSelectionOwner(display, m_x->xdndSelection);
    }
    XFlush(display);
}

X11DragSelection::~X11DragSelection() {
    m_x->notifier.reset();
}

bool X11DragSelection::isAvailable() const {
    return m_x->display != nullptr;
}

bool X11DragSelection::hasOwnerNotices() const {
    return m_x->hasXFixes;
}

long X11DragSelection::changeCount() {
    if (!isAvailable())
        return 0;
    m_x->drain();
    return m_x->changeCount;
}

std::vector<std::string> X11DragSelection::types() {
    if (!isAvailable())
        return {};
    m_x->drain();
    const Window owner = m_x->owner; // current: drain() has just looked
    std::vector<std::string> names;
    if (owner != None) {
        std::vector<Atom> atoms = m_x->readAtoms(owner, m_x->xdndTypeList, false);
        if (atoms.empty())
            atoms = m_x->targetsOfOwner();
        std::erase(atoms, Atom(None));
        if (!atoms.empty()) {
            std::vector<char*> raw(atoms.size(), nullptr);
            // One round trip for all names; a bad atom leaves its slot empty.
            XGetAtomNames(m_x->dpy(), atoms.data(), static_cast<int>(atoms.size()), raw.data());
            for (char* name : raw) {
                if (!name)
                    continue;
                names.emplace_back(name);
                XFree(name);
            }
        }
    }
    m_x->postDrainIfQueued();
    return names;
}

X11DragSelection::PointerState X11DragSelection::queryPointer() {
    PointerState state;
    if (!isAvailable())
        return state;
    Window root = 0;
    Window child = 0;
    int x = 0;
    int y = 0;
    XQueryPointer(m_x->dpy(), m_x->root, &root, &child, &state.rootX, &state.rootY, &x, &y,
                  &state.mask);
    m_x->postDrainIfQueued();
    return state;
}

unsigned X11DragSelection::pressedMouseButtons() {
    // Button1Mask is bit 8; buttons 1 to 5 become bits 0 to 4.
    return (queryPointer().mask >> 8) & 0x1fu;
}

QPointF X11DragSelection::pointerLocation() {
    // The server counts its own pixels; Qt's geometry is in logical ones, which differ
    // from them whenever a screen is scaled.
    const PointerState state = queryPointer();
    return logicalFromNativePixel({state.rootX, state.rootY}, currentScreenScaling());
}

bool X11DragSelection::watchChanges(std::function<void()> onChange) {
    if (!onChange) {
        // Disabled, not destroyed: this may run inside the notifier's own signal.
        if (m_x->notifier)
            m_x->notifier->setEnabled(false);
        m_x->onChange = {};
        return false;
    }
    if (!isAvailable() || !m_x->hasXFixes || !QCoreApplication::instance())
        return false;
    m_x->onChange = std::move(onChange);
    if (!m_x->notifier) {
        m_x->notifier =
            std::make_unique<QSocketNotifier>(ConnectionNumber(m_x->dpy()), QSocketNotifier::Read);
        QObject::connect(m_x->notifier.get(), &QSocketNotifier::activated,
                         [x = m_x.get()] { x->onReadable(); });
    }
    m_x->notifier->setEnabled(true);
    m_x->postDrainIfQueued();
    return true;
}

} // namespace fadebin
