#pragma once

// A private X server for a whole test program, and what its tests do there: move and click
// the real pointer (xdotool), find the program's windows and read them. Xlib stays out of
// this header: its macros would break the Qt headers included after it.
#include "support/TestSupport.h"

#include <QRect>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct _XDisplay; // Xlib's Display

namespace fadebin::test {

// The notch's frames on the 1280 x 800 screen of the server: it hangs from the top centre.
inline const QRect collapsedNotchFrame{512, 0, 256, 32};
inline const QRect expandedNotchFrame{430, 0, 420, 480};

// The main of a test program on a private 1280 x 800 X server (DISPLAY points at it), its own
// windows there when ownWindows (offscreen else). xvfbArguments go to Xvfb as they are.
int runOnXvfb(int argc, char** argv, bool ownWindows = true,
              const std::vector<std::string>& xvfbArguments = {});

void xdotool(const QStringList& arguments);
void pointerTo(double x, double y);

// A viewable window of that name at any depth of the tree (a window manager reparents it into
// its frame), with its place on the screen; id 0 when there is none.
struct FoundWindow {
    unsigned long id = 0;
    QRect frame;
};
[[nodiscard]] FoundWindow viewableWindow(_XDisplay* x, const std::string& name);
// Whether upper is above lower among the root's children (no window manager frames them).
[[nodiscard]] bool stackedAbove(_XDisplay* x, unsigned long upper, unsigned long lower);

// A connection of the test's own to the server; the test is skipped where there is none.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    _XDisplay* m_x = nullptr;
};

} // namespace fadebin::test
