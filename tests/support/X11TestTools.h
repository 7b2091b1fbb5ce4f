#pragma once

// A private X server for a whole test program, and what its tests do there: move and click
// the real pointer (xdotool) and read windows. Xlib stays out of this header: its macros would
// break the Qt headers included after it.
#include "support/TestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <string>

struct _XDisplay; // Xlib's Display

namespace fadebin::test {

// Why the tests cannot work on X here (no server, no xdotool); empty when they can.
[[nodiscard]] std::string whyNoX11();

// The main of a test program on a private 1280 x 800 X server (DISPLAY points at it), its own
// windows there when ownWindows (offscreen else).
int runOnXvfb(int argc, char** argv, bool ownWindows = true);

void xdotool(const QStringList& arguments);
void pointerTo(double x, double y);

[[nodiscard]] int depthOf(_XDisplay* x, unsigned long window);

// A connection of the test's own to the server; the test is skipped where there is none.
class X11Test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    _XDisplay* m_x = nullptr;
};

} // namespace fadebin::test
