#include "notch/SoftwareRendering.h"
#include "periphery/DesktopStyle.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// For tests of the ordinary windows: a GUI application rendering and styled as the program
// is, offscreen unless told otherwise.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    fadebin::useSoftwareRendering();
    fadebin::DesktopStyle::useDesktopControlsStyle();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
