#include "support/GuiTestMain.h"

int main(int argc, char** argv) {
    return fadebin::test::runGuiTests(argc, argv);
}
