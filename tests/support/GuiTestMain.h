#pragma once

#include "notch/SoftwareRendering.h"
#include "support/TestSupport.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace fadebin::test {

struct GuiTestOptions {
    const char* scale = nullptr;           // QT_SCALE_FACTOR, for tests at another size
    void (*beforeApplication)() = nullptr; // the desktop's controls style, for instance
    void (*afterTests)() = nullptr;        // ends what must go before the application
};

// Every test in a GUI application rendering as the program does, offscreen unless told
// otherwise: ctest lists the tests without its environment, and tests must not open windows
// on the developer's display.
inline int runGuiTests(int argc, char** argv, GuiTestOptions options = {}) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (options.scale != nullptr)
        ::setenv("QT_SCALE_FACTOR", options.scale, 1);
    useSoftwareRendering();
    if (options.beforeApplication != nullptr)
        options.beforeApplication();
    speakEnglishBeforeApplication();
    QGuiApplication app(argc, argv);
    speakEnglish();
    const int status = RUN_ALL_TESTS();
    if (options.afterTests != nullptr)
        options.afterTests();
    // Windows hand parts of their scene to deleteLater; run those deletions before the end.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return status;
}

} // namespace fadebin::test
