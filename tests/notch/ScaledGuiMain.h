#pragma once

#include "notch/SoftwareRendering.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace fadebin::test {

// The notch's content tests at twice the size, rendered as the program renders.
inline int runScaledGuiTests(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

} // namespace fadebin::test
