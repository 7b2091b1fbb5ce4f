// The pointer on a screen that Qt scales by 2: the drag watcher's and the screen source's
// positions must land in the same logical space as the notch geometry.
#include "notch/ScreenSource.h"
#include "notch/X11DragSelection.h"
#include "support/X11TestTools.h"

using namespace fadebin;

namespace {

TEST(ScaledPointer, DragAndHoverPositionsAreLogicalAndInsideTheNotch) {
    if (const std::string why = test::whyNoX11(); !why.empty())
        GTEST_SKIP() << why;
    QtScreenSource screens;
    const NotchGeometry geometry = screens.geometry();
    // The 1280 x 800 server screen is 640 x 400 logical pixels: the notch spans 220..420.
    ASSERT_EQ(geometry.notchRect, (Rect{220, 368, 200, 32}));

    test::xdotool({QStringLiteral("mousemove"), QStringLiteral("641"), QStringLiteral("1")});
    X11DragSelection dragSelection;
    EXPECT_EQ(dragSelection.pointerLocation(), QPointF(320.75, 0.75));
    const Point dragged = DesktopSpace::current().fromQt(dragSelection.pointerLocation());
    EXPECT_TRUE(geometry.notchRect.contains(dragged)) << dragged.x << "," << dragged.y;
    ASSERT_TRUE(test::waitFor([&] {
        const auto p = screens.pointerLocation();
        return p && geometry.notchRect.contains(*p);
    }));
    // The server's pixel 900 is logical 450, beside the notch; unconverted it would be
    // far to the right of the screen.
    test::xdotool({QStringLiteral("mousemove"), QStringLiteral("900"), QStringLiteral("1")});
    EXPECT_EQ(dragSelection.pointerLocation(), QPointF(450.25, 0.75));
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    return fadebin::test::runOnXvfb(argc, argv);
}
