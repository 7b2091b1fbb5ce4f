#include "notch/SoftwareRendering.h"
#include "periphery/DesktopStyle.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Under AddressSanitizer: full stacks for allocations, so that the suppressions of Qt Quick's
// image cache (tests/support/LsanSuppressions.cpp) can see the Qt function that made them.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

// For tests of the ordinary windows: a GUI application rendering and styled as the program
// is, offscreen unless told otherwise.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fadebin::useSoftwareRendering();
    fadebin::DesktopStyle::useDesktopControlsStyle();
    QGuiApplication app(argc, argv);
    const int status = RUN_ALL_TESTS();
    // Windows hand parts of their scene to deleteLater; run those deletions before the end.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}
