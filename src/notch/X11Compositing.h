#pragma once

#include <QAbstractNativeEventFilter>
#include <QPainterPath>
#include <QRegion>

#include <functional>
#include <optional>

struct _XDisplay; // Xlib's Display, whose header would break Qt's with its macros

namespace fadebin {

// Qt's own connection to the X server; none off xcb.
[[nodiscard]] _XDisplay* qtDisplay();

// Whether a compositing manager runs on the X screen of Qt's xcb connection: one does while
// some client owns the selection _NET_WM_CM_S<screen> (EWMH). XFixes reports every change
// of that owner on Qt's own connection, so a manager starting or stopping is told at once.
// Off X (offscreen, Wayland) nothing composites for us and nothing is watched.
class X11CompositingWatch final : public QAbstractNativeEventFilter {
public:
    X11CompositingWatch();
    ~X11CompositingWatch() override;
    X11CompositingWatch(const X11CompositingWatch&) = delete;
    X11CompositingWatch& operator=(const X11CompositingWatch&) = delete;

    // Whether the watch works: Qt runs on xcb and the server has XFixes.
    [[nodiscard]] bool isWatching() const { return m_watching; }
    // A compositing manager owns the selection now.
    [[nodiscard]] bool isActive() const { return m_active; }
    // Called with the new state whenever it changes.
    void setOnChange(std::function<void(bool)> onChange) { m_onChange = std::move(onChange); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    [[nodiscard]] bool ownerPresent() const;

    bool m_watching = false;
    bool m_active = false;
    int m_fixesEventBase = 0;
    unsigned long m_selection = 0; // the _NET_WM_CM_S<n> atom
    std::function<void(bool)> m_onChange;
};

// The pixel region of a drawn outline: the pixels whose centres lie inside it. What the X
// Shape extension takes as a window's bounding or input shape.
[[nodiscard]] QRegion shapeRegion(const QPainterPath& outline);

// Sets one shape of an X window through XFixes on Qt's connection, in the server's pixels:
// the bounding shape (what is drawn, and where input can land) or the input shape (input
// outside it falls through to the windows below). No region resets it to the whole window;
// an empty one leaves nothing.
enum class X11Shape { bounding, input };
void setX11Shape(unsigned long window, X11Shape kind, const std::optional<QRegion>& region);

} // namespace fadebin
