#include "notch/SoftwareRendering.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// For tests of the user interface: a GUI application, rendering as the program does.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Offscreen unless told otherwise: ctest lists the tests without its environment, and
    // tests must not open windows on the developer's display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fadebin::useSoftwareRendering();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
