#include "notch/NotchPanel.h"
#include "notch/ScreenSource.h"
#include "support/X11TestTools.h"

#include <QProcess>
#include <QRegion>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

using namespace fadebin;
using fadebin::test::depthOf;
using fadebin::test::pointerTo;
using fadebin::test::waitFor;

namespace {

class NotchPanelX11Test : public test::X11Test {
protected:
    [[nodiscard]] QRect serverGeometry(::Window w) const {
        ::Window root = 0, child = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        if (!XGetGeometry(m_x, w, &root, &x, &y, &width, &height, &border, &depth) ||
            !XTranslateCoordinates(m_x, w, root, 0, 0, &x, &y, &child))
            return {};
        return {x, y, static_cast<int>(width), static_cast<int>(height)};
    }

    [[nodiscard]] ::Window windowUnderPointer() const {
        ::Window root = 0, child = 0;
        int at = 0;
        unsigned mask = 0;
        XQueryPointer(m_x, DefaultRootWindow(m_x), &root, &child, &at, &at, &at, &at, &mask);
        return child;
    }

    // The window's bounding shape: the whole window when it has none.
    [[nodiscard]] QRegion boundingShape(::Window w) const {
        XSync(m_x, False);
        const XserverRegion region = XFixesCreateRegionFromWindow(m_x, w, 0 /* bounding */);
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
    // Acts as a compositing manager starting: a window of the test owns _NET_WM_CM_S0; it
    // stops when that window goes, and the selection with it.
    ::Window startCompositingManager() {
        const ::Window owner =
            XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), -10, -10, 1, 1, 0, 0, 0);
        XSetSelectionOwner(m_x, XInternAtom(m_x, "_NET_WM_CM_S0", False), owner, CurrentTime);
        XSync(m_x, False);
        return owner;
    }

    static void show(NotchPanel& panel, const Rect& frame) {
        panel.setFrame(frame);
        panel.present();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
    }
};

TEST_F(NotchPanelX11Test, SitsAtTheComputedFrameEvenPastTheScreenEdge) {
    const NotchGeometry geometry = QtScreenSource().geometry(); // of the 1280 x 800 screen
    NotchPanel panel;
    show(panel, geometry.frameForState(NotchState::collapsed));
    const auto id = static_cast<::Window>(panel.winId());
    const std::pair<Rect, QRect> frames[] = {
        {geometry.frameForState(NotchState::collapsed), {512, 0, 256, 32}},
        {geometry.frameForState(NotchState::expanded), {430, 0, 420, 480}},
        // Over the top and left edges: nothing pulls the panel back onto the screen.
        {{-40, 790, 300, 50}, {-40, -40, 300, 50}},
    };
    for (const auto& [frame, onServer] : frames) {
        panel.setFrame(frame);
        EXPECT_TRUE(waitFor([&] { return serverGeometry(id) == onServer; }))
            << "expected at " << onServer.x() << "," << onServer.y();
    }
}

TEST_F(NotchPanelX11Test, ShapeReportsHoverOnceAndLetsClicksBesideItThrough) {
    const ::Window below =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 0, 0, 1280, 800, 0, 0, 0);
    XSelectInput(m_x, below, ButtonPressMask);
    XMapWindow(m_x, below);
    XSync(m_x, False); // mapped before the panel, so under it
    NotchPanel panel;
    std::vector<bool> reports;
    panel.hostingView()->setOnHoverChange([&](bool inside) { reports.push_back(inside); });
    panel.hostingView()->setHitTest([](Point p, double width) {
        return shapeContains({200, 32}, width, p);
    });
    pointerTo(100, 600);
    // Expanded at x 430..850; the 200 x 32 shape spans x 540..740 at the top.
    show(panel, {430, 320, 420, 480});
    panel.setShape(NotchPanel::shapeRect({200, 32}, 420));

    pointerTo(640, 16);
    ASSERT_TRUE(waitFor([&] { return reports == std::vector<bool>{true}; }));
    EXPECT_EQ(windowUnderPointer(), panel.winId());
    // Inside the panel's frame but beside and below the shape: the window below gets clicks.
    for (const auto& [x, y] : {std::pair{640, 200}, std::pair{535, 10}, std::pair{640, 34}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        pointerTo(x, y);
        ASSERT_TRUE(waitFor([&] { return windowUnderPointer() == below; }));
        test::xdotool({QStringLiteral("click"), QStringLiteral("1")});
        XEvent event{};
        EXPECT_TRUE(
            waitFor([&] { return XCheckTypedWindowEvent(m_x, below, ButtonPress, &event); }));
    }
    EXPECT_TRUE(waitFor([&] { return reports == std::vector<bool>{true, false}; }));
}

// The open outline of one pending row: 420 x 140 with rounded lower corners.
QPainterPath openOutline() {
    QPainterPath outline;
    outline.addRoundedRect(0, 0, 420, 140, 22, 22);
    return outline;
}

TEST_F(NotchPanelX11Test, WithoutACompositorTheServerCutsTheOutlineOfAnOpaqueWindow) {
    NotchPanel panel;
    EXPECT_FALSE(panel.hasAlphaVisual());
    EXPECT_TRUE(panel.clipsToShape());
    show(panel, {430, 320, 420, 480});
    panel.setShape(openOutline());
    const auto id = static_cast<::Window>(panel.winId());
    EXPECT_EQ(depthOf(m_x, id), DefaultDepth(m_x, DefaultScreen(m_x)));
    EXPECT_EQ(boundingShape(id).boundingRect(), QRect(0, 0, 420, 140));
    // The rounded corner's outer pixel is cut away, the one beside the edge's middle not.
    const QRegion shape = boundingShape(id);
    EXPECT_FALSE(shape.contains(QPoint(0, 139)));
    EXPECT_FALSE(shape.contains(QPoint(419, 139)));
    EXPECT_TRUE(shape.contains(QPoint(210, 139)));
    EXPECT_TRUE(shape.contains(QPoint(0, 70)));
    EXPECT_GT(shape.rectCount(), 4) << "a region that follows the curve, not a rectangle";
}

TEST_F(NotchPanelX11Test, UnderACompositorTheAlphaWindowIsShapedForInputAndFollowsTheManager) {
    const ::Window manager = startCompositingManager();
    NotchPanel panel;
    EXPECT_TRUE(panel.hasAlphaVisual());
    EXPECT_FALSE(panel.clipsToShape());
    pointerTo(100, 700);
    show(panel, {430, 320, 420, 480}); // at the screen's top: desktop coordinates are y-up
    panel.setShape(openOutline());
    const auto id = static_cast<::Window>(panel.winId());
    EXPECT_EQ(depthOf(m_x, id), 32);
    // Drawn in full (the compositor blends the clear pixels) or cut to the outline; input
    // only inside the outline either way.
    const auto expectDrawn = [&](int height) {
        EXPECT_EQ(boundingShape(id).boundingRect(), QRect(0, 0, 420, height));
        pointerTo(640, 300);
        EXPECT_TRUE(waitFor([&] { return windowUnderPointer() != id; }));
    };
    expectDrawn(480);
    pointerTo(640, 70);
    EXPECT_TRUE(waitFor([&] { return windowUnderPointer() == id; }));

    // The manager stops: the server must cut the outline now; one starts again: back to the
    // input shape alone.
    XDestroyWindow(m_x, manager);
    XSync(m_x, False);
    ASSERT_TRUE(waitFor([&] { return panel.clipsToShape(); }));
    expectDrawn(140);
    const ::Window again = startCompositingManager();
    ASSERT_TRUE(waitFor([&] { return !panel.clipsToShape(); }));
    expectDrawn(480);
    XDestroyWindow(m_x, again);
    XSync(m_x, False);
}

TEST_F(NotchPanelX11Test, DesktopHintsAreWrittenAgainBeforeEveryShow) {
    if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "xprop is not installed (Debian package x11-utils)";
    NotchPanel panel;
    show(panel, {512, 768, 256, 32});
    const auto id = static_cast<::Window>(panel.winId());
    const auto expectHints = [&] {
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(id), "_NET_WM_STATE", "_NET_WM_DESKTOP"});
        ASSERT_TRUE(xprop.waitForFinished(20'000));
        const QString hints = QString::fromUtf8(xprop.readAllStandardOutput());
        for (const char* state :
             {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_STATE_STICKY"})
            EXPECT_EQ(hints.count(QLatin1String(state)), 1) << hints.toStdString();
        EXPECT_TRUE(hints.contains("_NET_WM_DESKTOP(CARDINAL) = 4294967295\n"))
            << hints.toStdString();
    };
    expectHints();
    for (int round = 0; round < 2; ++round) {
        panel.withdraw();
        ASSERT_TRUE(waitFor([&] { return !panel.isVisible(); }));
        XSync(m_x, False);
        // What a window manager does when a window is withdrawn.
        XDeleteProperty(m_x, id, XInternAtom(m_x, "_NET_WM_STATE", False));
        XDeleteProperty(m_x, id, XInternAtom(m_x, "_NET_WM_DESKTOP", False));
        XSync(m_x, False);
        panel.present();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
        XSync(m_x, False);
        expectHints();
    }
}

} // namespace

int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv);
}
