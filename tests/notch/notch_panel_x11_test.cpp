// The panel on a real X server: where the server puts it, what it tells a window manager,
// which clicks it takes and which fall through, and hover from real pointer motion.

#include "notch/NotchPanel.h"
#include "notch/ScreenSource.h"
#include "notch/SoftwareRendering.h"
#include "support/TestSupport.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace fadebin;
using fadebin::test::waitFor;

namespace {

const test::XvfbServer* g_server = nullptr;
std::string g_noServerReason;

struct XFreeDeleter {
    void operator()(void* p) const {
        if (p != nullptr)
            XFree(p);
    }
};

// Stands in for the notch content: counts the presses that reach the panel.
class PressCounter : public QQuickItem {
public:
    PressCounter() { setAcceptedMouseButtons(Qt::LeftButton); }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

class NotchPanelX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (g_server == nullptr)
            GTEST_SKIP() << "no X server for the panel test: " << g_noServerReason;
        m_x = XOpenDisplay(g_server->display().c_str());
        ASSERT_NE(m_x, nullptr);
        m_root = DefaultRootWindow(m_x);
    }

    void TearDown() override {
        if (m_x != nullptr)
            XCloseDisplay(m_x);
    }

    static void requireXdotool() {
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is not installed (Debian package xdotool)";
    }

    // The window's place as the server has it, in root coordinates.
    [[nodiscard]] QRect serverGeometry(::Window w) const {
        ::Window root = 0;
        ::Window child = 0;
        int x = 0;
        int y = 0;
        unsigned width = 0;
        unsigned height = 0;
        unsigned border = 0;
        unsigned depth = 0;
        if (XGetGeometry(m_x, w, &root, &x, &y, &width, &height, &border, &depth) == 0 ||
            XTranslateCoordinates(m_x, w, m_root, 0, 0, &x, &y, &child) == 0)
            return {};
        return {x, y, static_cast<int>(width), static_cast<int>(height)};
    }

    [[nodiscard]] std::vector<unsigned long> property(::Window w, const char* name,
                                                      Atom type) const {
        Atom actualType = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* raw = nullptr;
        XGetWindowProperty(m_x, w, XInternAtom(m_x, name, False), 0, 64, False, type, &actualType,
                           &format, &count, &after, &raw);
        const std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
        if (data == nullptr || format != 32)
            return {};
        // Xlib hands 32-bit properties over as sign-extended longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data.get());
        std::vector<unsigned long> result;
        for (unsigned long i = 0; i < count; ++i)
            result.push_back(values[i] & 0xFFFFFFFFUL);
        return result;
    }

    [[nodiscard]] Atom atom(const char* name) const { return XInternAtom(m_x, name, False); }

    [[nodiscard]] bool acceptsInput(::Window w) const {
        const std::unique_ptr<XWMHints, XFreeDeleter> hints(XGetWMHints(m_x, w));
        return hints && (hints->flags & InputHint) != 0 && hints->input != 0;
    }

    // The top-level window the server would send a click at the pointer to.
    [[nodiscard]] ::Window windowUnderPointer() const {
        ::Window root = 0;
        ::Window child = 0;
        int rootX = 0;
        int rootY = 0;
        int x = 0;
        int y = 0;
        unsigned mask = 0;
        XQueryPointer(m_x, m_root, &root, &child, &rootX, &rootY, &x, &y, &mask);
        return child;
    }

    static void xdotool(const QStringList& args) {
        QProcess process;
        process.start(QStringLiteral("xdotool"), args);
        ASSERT_TRUE(process.waitForFinished(20000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }
    static void pointerTo(int x, int y) {
        xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
    }

    // A plain window under everything, to see which clicks fall through the panel.
    ::Window makeWindowBelow() {
        const ::Window w = XCreateSimpleWindow(m_x, m_root, 0, 0, 1280, 800, 0, 0, 0);
        XSelectInput(m_x, w, ButtonPressMask);
        XMapWindow(m_x, w);
        XSync(m_x, False);
        return w;
    }
    [[nodiscard]] bool receivedPress(::Window w) const {
        XEvent event;
        while (XPending(m_x) > 0) {
            XNextEvent(m_x, &event);
            if (event.type == ButtonPress && event.xbutton.window == w)
                return true;
        }
        return false;
    }

    static void show(NotchPanel& panel, const Rect& frame) {
        panel.setFrame(frame);
        panel.orderFront();
        ASSERT_TRUE(waitFor([&] { return panel.isExposed(); }));
    }

    Display* m_x = nullptr;
    ::Window m_root = 0;
};

TEST_F(NotchPanelX11Test, SitsAtTheComputedFrameEvenPastTheScreenEdge) {
    QtScreenSource screens;
    const NotchGeometry geometry = screens.geometry();
    ASSERT_EQ(geometry.screenFrame, (Rect{0, 0, 1280, 800}));
    EXPECT_EQ(geometry.notchRect, (Rect{540, 768, 200, 32}));

    NotchPanel panel;
    show(panel, geometry.frameForState(NotchState::collapsed));
    const auto id = static_cast<::Window>(panel.winId());
    EXPECT_TRUE(waitFor([&] { return serverGeometry(id) == QRect(512, 0, 256, 32); }))
        << "server has the panel at " << serverGeometry(id).x() << "," << serverGeometry(id).y();

    panel.setFrame(geometry.frameForState(NotchState::expanded));
    EXPECT_TRUE(waitFor([&] { return serverGeometry(id) == QRect(430, 0, 420, 480); }));
    panel.setFrame(geometry.frameForState(NotchState::toast));
    EXPECT_TRUE(waitFor([&] { return serverGeometry(id) == QRect(430, 0, 420, 104); }));
    // Over the top and left edges: nothing pulls the panel back onto the screen.
    panel.setFrame({-40, 790, 300, 50});
    EXPECT_TRUE(waitFor([&] { return serverGeometry(id) == QRect(-40, -40, 300, 50); }));
}

TEST_F(NotchPanelX11Test, TellsTheWindowManagerItIsAnUnfocusedDockOnEveryDesktop) {
    NotchPanel panel;
    show(panel, {512, 768, 256, 32});
    const auto id = static_cast<::Window>(panel.winId());

    const auto types = property(id, "_NET_WM_WINDOW_TYPE", XA_ATOM);
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front(), atom("_NET_WM_WINDOW_TYPE_DOCK"));
    const auto states = property(id, "_NET_WM_STATE", XA_ATOM);
    for (const char* state : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER",
                              "_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE"})
        EXPECT_NE(std::find(states.begin(), states.end(), atom(state)), states.end()) << state;
    EXPECT_EQ(property(id, "_NET_WM_DESKTOP", XA_CARDINAL),
              (std::vector<unsigned long>{0xFFFFFFFF}));

    EXPECT_FALSE(acceptsInput(id));
    panel.setAllowsKey(true);
    EXPECT_TRUE(waitFor([&] { return acceptsInput(id); }));
    panel.setAllowsKey(false);
    EXPECT_TRUE(waitFor([&] { return !acceptsInput(id); }));
}

TEST_F(NotchPanelX11Test, TakesTheFirstClickInsideItsShapeAndLetsOthersThrough) {
    requireXdotool();
    const ::Window below = makeWindowBelow();
    NotchPanel panel;
    PressCounter content;
    panel.hostingView()->setRootView(&content);
    // Expanded at x 430..850; the 200 x 32 shape spans x 540..740 at the top.
    show(panel, {430, 320, 420, 480});
    panel.setShape(NotchPanel::shapeRect({200, 32}, 420));
    const auto id = static_cast<::Window>(panel.winId());

    pointerTo(640, 16);
    ASSERT_TRUE(waitFor([&] { return windowUnderPointer() == id; }));
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    EXPECT_TRUE(waitFor([&] { return content.presses == 1; }));

    // Inside the panel's frame but beside and below the shape: the window below gets it.
    for (const auto& [x, y] : {std::pair{640, 200}, std::pair{535, 10}, std::pair{640, 34}}) {
        pointerTo(x, y);
        ASSERT_TRUE(waitFor([&] { return windowUnderPointer() == below; })) << x << "," << y;
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
        EXPECT_TRUE(waitFor([&] { return receivedPress(below); })) << x << "," << y;
    }
    EXPECT_EQ(content.presses, 1);
    XDestroyWindow(m_x, below);
}

TEST_F(NotchPanelX11Test, ReportsHoverOverTheShapeOnce) {
    requireXdotool();
    NotchPanel panel;
    std::vector<bool> reports;
    std::vector<Point> tested;
    panel.hostingView()->setOnHoverChange([&](bool inside) { reports.push_back(inside); });
    panel.hostingView()->setHitTest([&](Point p, double width) {
        tested.push_back(p);
        return shapeContains({200, 32}, width, p);
    });
    pointerTo(100, 600);
    show(panel, {430, 320, 420, 480});
    panel.setShape(NotchPanel::shapeRect({200, 32}, 420));

    pointerTo(640, 16);
    ASSERT_TRUE(waitFor([&] { return reports == std::vector<bool>{true}; }));
    // Moving within the shape asks the shape test again but reports nothing new.
    pointerTo(600, 20);
    ASSERT_TRUE(waitFor([&] { return !tested.empty() && tested.back() == Point{170, 20}; }));
    EXPECT_EQ(reports, (std::vector<bool>{true}));
    // Off the shape the pointer leaves the window for the one below.
    pointerTo(640, 200);
    const auto id = static_cast<::Window>(panel.winId());
    EXPECT_TRUE(waitFor([&] { return windowUnderPointer() != id; }));
    EXPECT_TRUE(waitFor([&] { return reports == std::vector<bool>{true, false}; }));

    // Without a mask the whole frame is the window's, and the shape test alone decides.
    panel.setShape({});
    pointerTo(640, 16);
    EXPECT_TRUE(waitFor([&] { return reports == std::vector<bool>{true, false, true}; }));
    pointerTo(640, 300);
    EXPECT_TRUE(waitFor([&] { return reports == std::vector<bool>{true, false, true, false}; }));
    EXPECT_EQ(tested.back(), (Point{210, 300}));
}

} // namespace

// Own main: the X server has to be up before the application connects to it.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<test::XvfbServer> server;
    if (!::testing::GTEST_FLAG(list_tests))
        server = test::XvfbServer::start(g_noServerReason);
    if (server) {
        ::setenv("DISPLAY", server->display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        g_server = server.get();
    } else {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    useSoftwareRendering();
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
