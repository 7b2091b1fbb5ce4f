#include "periphery/DesktopStyle.h"
#include "support/GuiTestMain.h"

// Full allocation stacks under ASan, so that Qt Quick's image-cache leak suppressions match.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

// The ordinary windows are styled as the program styles them.
int main(int argc, char** argv) {
    return fadebin::test::runGuiTests(
        argc, argv, {.beforeApplication = fadebin::DesktopStyle::useDesktopControlsStyle});
}
