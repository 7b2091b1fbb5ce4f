#pragma once

#include "notch/DragSelection.h"

#include <functional>
#include <string>
#include <vector>

namespace fadebin::test {

// A drag selection the test fills: a drag is a new change count with the button down.
class FakeDragSelection final : public DragSelection {
public:
    bool notifies = false;
    long count = 7;
    std::vector<std::string> offered;
    unsigned buttons = 0;
    QPointF pointer;
    std::function<void()> onChange;

    [[nodiscard]] long changeCount() override { return count; }
    [[nodiscard]] std::vector<std::string> types() override { return offered; }
    [[nodiscard]] unsigned pressedMouseButtons() override { return buttons; }
    [[nodiscard]] QPointF pointerLocation() override { return pointer; }
    bool watchChanges(std::function<void()> callback) override {
        if (notifies)
            onChange = std::move(callback);
        return notifies && onChange;
    }

    void beginDrag(std::vector<std::string> types, unsigned pressed = 1) {
        ++count;
        offered = std::move(types);
        press(pressed);
    }
    void press(unsigned pressed) {
        buttons = pressed;
        if (onChange)
            onChange();
    }
};

} // namespace fadebin::test
