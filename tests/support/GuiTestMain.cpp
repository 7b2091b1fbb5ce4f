#include "notch/SoftwareRendering.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// For tests of the user interface: a GUI application, rendering as the program does,
// offscreen unless told otherwise: ctest lists the tests without its environment, and tests
// must not open windows on the developer's display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fadebin::useSoftwareRendering();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
