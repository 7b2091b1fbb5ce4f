#include "periphery/DesktopStyle.h"
#include "support/GuiTestMain.h"

// Under AddressSanitizer: full stacks for allocations, so that the suppressions of Qt Quick's
// image cache (tests/support/LsanSuppressions.cpp) can see the Qt function that made them.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

// The ordinary windows are styled as the program styles them.
int main(int argc, char** argv) {
    return fadebin::test::runGuiTests(
        argc, argv, {.beforeApplication = fadebin::DesktopStyle::useDesktopControlsStyle});
}
