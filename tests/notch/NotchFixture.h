#pragma once

// The model world with the screens and pointer the controller reads, faked.
#include "notch/ScreenSource.h"
#include "support/ModelWorld.h"

#include <optional>
#include <vector>

namespace fadebin::test {

// One 1280 x 800 display unless the test changes them, and the pointer where the test puts
// it (nowhere at first).
class FakeScreens : public ScreenSource {
public:
    std::vector<ScreenInfo> list{{{0, 0, 1280, 800}, {0, 0, 1280, 800}, 0, {}, {}}};
    std::optional<Point> pointer;

    [[nodiscard]] std::vector<ScreenInfo> screens() const override { return list; }
    [[nodiscard]] std::optional<std::size_t> mainScreen() const override {
        return list.empty() ? std::nullopt : std::optional<std::size_t>(0);
    }
    [[nodiscard]] std::optional<Point> pointerLocation() const override { return pointer; }
    [[nodiscard]] DesktopSpace desktopSpace() const override {
        return DesktopSpace(list.empty() ? 0 : list.front().frame.maxY());
    }
    void change(std::vector<ScreenInfo> screens) {
        list = std::move(screens);
        notifyScreensChanged();
    }
};

} // namespace fadebin::test
