#pragma once

#include "notch/DragSelection.h"

#include <memory>

namespace fadebin {

// Whether an X server answers at the display named by DISPLAY (or the one given): a
// program that finds none runs without the notch instead of failing to start.
[[nodiscard]] bool x11DisplayReachable(const char* displayName = nullptr);

// The drag selection of an X server. A drag source takes ownership of the XdndSelection
// when a drag starts; XFixes reports every such take-over, also a second one by the same
// window, and their number is the change count. The offered types are the XdndTypeList
// property on the owner window, or else the selection's TARGETS, asked for without waiting:
// the owner's answer is taken in with a later look, so a slow or hung drag source never
// holds up the caller. Buttons and pointer come from XQueryPointer. A drag ends when the button is
// released, not when the owner changes: sources keep the selection after a drop.
//
// The selection opens its own Xlib connection so it works whatever Qt's platform plugin
// is; without a display it is unavailable and never changes.
class X11DragSelection final : public DragSelection {
public:
    // nullptr: the display named by DISPLAY.
    explicit X11DragSelection(const char* displayName = nullptr);
    ~X11DragSelection() override;
    X11DragSelection(const X11DragSelection&) = delete;
    X11DragSelection& operator=(const X11DragSelection&) = delete;

    [[nodiscard]] bool isAvailable() const override;
    // The server reports owner changes (XFixes); otherwise the owner window is compared,
    // which misses a second drag from the same window.
    [[nodiscard]] bool hasOwnerNotices() const;

    [[nodiscard]] long changeCount() override;
    [[nodiscard]] std::vector<std::string> types() override;
    [[nodiscard]] unsigned pressedMouseButtons() override;
    [[nodiscard]] QPointF pointerLocation() override;
    bool watchChanges(std::function<void()> onChange) override;

    struct Connection;

private:
    struct PointerState {
        int rootX = 0;
        int rootY = 0;
        unsigned mask = 0;
    };
    // One XQueryPointer on the root window: where the pointer is and which buttons are down.
    [[nodiscard]] PointerState queryPointer();

    std::unique_ptr<Connection> m_x;
};

} // namespace fadebin
