#pragma once

#include <QPointF>

#include <functional>
#include <string>
#include <vector>

namespace fadebin {

// What the drag watcher reads from the windowing system: the selection that drag
// sources fill, the mouse buttons and the pointer. Tests put a fake behind it.
class DragSelection {
public:
    virtual ~DragSelection() = default;

    // False when there is no windowing system to watch (no display); the watcher then
    // stays idle instead of polling something that can never change.
    [[nodiscard]] virtual bool isAvailable() const { return true; }
    // Moves whenever a drag source takes the selection, also for a second drag from the
    // same source.
    [[nodiscard]] virtual long changeCount() = 0;
    // The type names the current drag source offers; empty when it offers none.
    [[nodiscard]] virtual std::vector<std::string> types() = 0;
    // Pressed mouse buttons, bit 0 the left button.
    [[nodiscard]] virtual unsigned pressedMouseButtons() = 0;
    // Pointer position in Qt's global coordinates (logical pixels, y downwards), at the
    // centre of the pixel the pointer is on.
    [[nodiscard]] virtual QPointF pointerLocation() = 0;

    // A selection that can be told when its change count may have moved calls onChange
    // then and returns true, so nobody needs to poll it; an empty callback stops that.
    // Returns false when it can only be polled.
    virtual bool watchChanges(std::function<void()> onChange) {
        static_cast<void>(onChange);
        return false;
    }
};

} // namespace fadebin
