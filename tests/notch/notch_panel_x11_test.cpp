// The panel's window on a private Xvfb: where it is drawn and takes input, with and without a
// compositing manager (a window owning _NET_WM_CM_S0), and at Qt's scale 2 (a second run).
#include "notch/NotchPanel.h"
#include "notch/ScreenSource.h"
#include "notch/X11DragSelection.h"
#include "support/X11TestTools.h"

#include <QRegion>

#include <sys/wait.h>
#include <unistd.h>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

using namespace fadebin;
using namespace std::chrono_literals;
using fadebin::test::pointerTo;
using fadebin::test::waitFor;

namespace {

const bool scaled = qgetenv("QT_SCALE_FACTOR") == "2";
// The screen's centre line in Qt's pixels (the server's 1280 wide screen).
const double centre = scaled ? 320 : 640;

class NotchPanelX11Test : public test::X11Test {
protected:
    // A shape of the window (its bounding shape, or its clip) in the server's pixels.
    [[nodiscard]] QRegion shapeOf(::Window w, int kind) const {
        XSync(m_x, False);
        const XserverRegion region = XFixesCreateRegionFromWindow(m_x, w, kind);
        XRectangle bounds{};
        int count = 0;
        QRegion shape;
        if (XRectangle* rects = XFixesFetchRegionAndBounds(m_x, region, &count, &bounds)) {
            for (int i = 0; i < count; ++i)
                shape += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
            XFree(rects);
        }
        XFixesDestroyRegion(m_x, region);
        return shape;
    }
    [[nodiscard]] ::Window windowUnderPointer() const {
        ::Window root = 0, child = 0;
        int at = 0;
        unsigned mask = 0;
        XQueryPointer(m_x, DefaultRootWindow(m_x), &root, &child, &at, &at, &at, &at, &mask);
        return child;
    }
    // Acts as a compositing manager starting; it stops when the window goes.
    ::Window startCompositingManager() {
        const ::Window owner =
            XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), -10, -10, 1, 1, 0, 0, 0);
        XSetSelectionOwner(m_x, XInternAtom(m_x, "_NET_WM_CM_S0", False), owner, CurrentTime);
        XSync(m_x, False);
        return owner;
    }
    // At the top of the screen (y-up) with one row's open outline: 420 x 140, rounded below.
    void show(NotchPanel& panel) {
        const Rect screen = QtScreenSource().geometry().screenFrame;
        panel.setFrame({centre - 210, screen.height - 480, 420, 480});
        panel.present();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
        QPainterPath outline;
        outline.addRoundedRect(0, 0, 420, 140, 22, 22);
        panel.setShape(outline);
    }
};

// Without a compositor the server cuts an opaque window of the screen's visual (as tools reading
// windows one by one see it) to the outline; with one, only input. Its coming and going switches.
TEST_F(NotchPanelX11Test, TheOutlineIsCutByTheServerOrForInputAsACompositorComesAndGoes) {
    const int s = scaled ? 2 : 1;
    const auto expectShapes = [&](::Window id, int drawnHeight) {
        SCOPED_TRACE(drawnHeight);
        const QRegion bounding = shapeOf(id, 0 /* bounding */);
        EXPECT_EQ(bounding.boundingRect(), QRect(0, 0, 420 * s, drawnHeight * s));
        if (drawnHeight == 140) {
            // The rounded corner's outer pixel is cut away, the middle of the lower edge not.
            EXPECT_FALSE(bounding.contains(QPoint(0, 140 * s - 1)));
            EXPECT_TRUE(bounding.contains(QPoint(210 * s, 140 * s - 1)));
            EXPECT_GT(bounding.rectCount(), 4) << "a region that follows the curve";
        }
        // Input: inside the outline only, its rounded corner cut away.
        for (const auto& [x, y, inside] : {std::tuple{centre, 70.0, true},
                                           {centre, 300.0, false},
                                           {centre - 210, 139.5, false}}) {
            pointerTo(x * s, y * s);
            EXPECT_TRUE(waitFor([&] { return (windowUnderPointer() == id) == inside; }))
                << x << "," << y;
        }
    };
    {
        NotchPanel panel;
        show(panel);
        const auto id = static_cast<::Window>(panel.winId());
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_x, id, &attributes);
        EXPECT_EQ(attributes.depth, DefaultDepth(m_x, 0));
        EXPECT_EQ(attributes.colormap, DefaultColormap(m_x, 0));
        EXPECT_TRUE(panel.clipsToShape());
        expectShapes(id, 140);
    }
    const ::Window manager = startCompositingManager();
    NotchPanel panel;
    EXPECT_TRUE(panel.hasAlphaVisual());
    show(panel);
    const auto id = static_cast<::Window>(panel.winId());
    expectShapes(id, 480);
    XDestroyWindow(m_x, manager);
    XSync(m_x, False);
    ASSERT_TRUE(waitFor([&] { return panel.clipsToShape(); }));
    expectShapes(id, 140);
    const ::Window again = startCompositingManager();
    ASSERT_TRUE(waitFor([&] { return !panel.clipsToShape(); }));
    expectShapes(id, 480);
    XDestroyWindow(m_x, again);
}

// A new frame reaches the server with the panel already on top of a window mapped since it
// opened (nothing else restacks without a window manager), not one pass of the event loop later.
TEST_F(NotchPanelX11Test, ANewFrameReachesTheServerWithThePanelOnTop) {
    NotchPanel panel;
    show(panel);
    const auto id = static_cast<::Window>(panel.winId());
    const ::Window other =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 0, 0, 900, 600, 0, 0, 0);
    XMapWindow(m_x, other);
    XSync(m_x, False);
    ASSERT_TRUE(test::stackedAbove(m_x, other, id));
    const Rect screen = QtScreenSource().geometry().screenFrame;
    panel.setFrame({centre - 128, screen.height - 32, 256, 32});
    // Polled without running Qt's event loop: only what the panel sent at once has arrived.
    const int height = scaled ? 64 : 32;
    XWindowAttributes attributes{};
    for (const auto end = std::chrono::steady_clock::now() + 10s;
         XGetWindowAttributes(m_x, id, &attributes) != 0 && attributes.height != height &&
         std::chrono::steady_clock::now() < end;)
        XSync(m_x, False);
    ASSERT_EQ(attributes.height, height);
    EXPECT_TRUE(test::stackedAbove(m_x, id, other));
    XDestroyWindow(m_x, other);
}

// The drag watcher's and screen source's pointer positions are in the notch's logical space.
TEST_F(NotchPanelX11Test, PointerPositionsAreLogicalAndInsideTheNotch) {
    const double s = scaled ? 2 : 1;
    QtScreenSource screens;
    const NotchGeometry geometry = screens.geometry();
    // The 1280 x 800 server screen is 640 x 400 logical pixels at scale 2.
    ASSERT_EQ(geometry.notchRect, (Rect{640 / s - 100, 800 / s - 32, 200, 32}));
    pointerTo(641, 1);
    X11DragSelection dragSelection;
    EXPECT_EQ(dragSelection.pointerLocation(), QPointF(641.5 / s, 1.5 / s));
    const Point dragged = DesktopSpace::current().fromQt(dragSelection.pointerLocation());
    EXPECT_TRUE(geometry.notchRect.contains(dragged)) << dragged.x << "," << dragged.y;
    ASSERT_TRUE(waitFor([&] {
        const auto p = screens.pointerLocation();
        return p && geometry.notchRect.contains(*p);
    }));
    // Pixel 900 is beside the notch; unconverted at scale 2 it would be off the screen's right.
    pointerTo(900, 1);
    EXPECT_EQ(dragSelection.pointerLocation(), QPointF(900.5 / s, 1.5 / s));
}

} // namespace

// Run once as it is and once more, as a child running the same tests, at Qt's scale 2.
int main(int argc, char** argv) {
    const bool scaledRun = !qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR");
    const int status = fadebin::test::runOnXvfb(argc, argv);
    if (scaledRun || ::testing::GTEST_FLAG(list_tests))
        return status;
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    ::setenv("GTEST_FILTER", ::testing::GTEST_FLAG(filter).c_str(), 1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::execv("/proc/self/exe", argv); // argv as gtest left it, without its flags
        ::_exit(127);
    }
    int scaled = -1;
    return ::waitpid(child, &scaled, 0) != child || scaled != 0 || status != 0 ? 1 : 0;
}
