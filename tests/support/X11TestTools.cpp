#include "support/X11TestTools.h"

#include "notch/SoftwareRendering.h"
#include "support/TestSupport.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <vector>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>

namespace fadebin::test {

namespace {

std::string noXvfbReason = "Xvfb was not started";

// Why the tests cannot work on X here (no server, no xdotool); empty when they can.
std::string whyNoX11() {
    if (!noXvfbReason.empty())
        return "no X server: " + noXvfbReason;
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return "xdotool is not installed (Debian package xdotool)";
    return {};
}

} // namespace

int runOnXvfb(int argc, char** argv, bool ownWindows,
              const std::vector<std::string>& xvfbArguments) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<XvfbServer> server;
    if (!::testing::GTEST_FLAG(list_tests) &&
        (server = XvfbServer::start(noXvfbReason, "1280x800x24", xvfbArguments)))
        noXvfbReason.clear();
    if (server)
        qputenv("DISPLAY", server->display().c_str());
    qputenv("QT_QPA_PLATFORM", server && ownWindows ? "xcb" : "offscreen");
    useSoftwareRendering();
    speakEnglishBeforeApplication();
    QGuiApplication app(argc, argv);
    speakEnglish();
    return RUN_ALL_TESTS();
}

void xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(tool.waitForFinished(20'000) && tool.exitCode() == 0)
        << arguments.join(' ').toStdString() << ": " << tool.readAllStandardError().toStdString();
}

void pointerTo(double x, double y) {
    xdotool({QStringLiteral("mousemove"), QString::number(std::lround(x)),
             QString::number(std::lround(y))});
}

FoundWindow viewableWindow(Display* x, const std::string& name) {
    // xdotool walks the whole tree, so a window a window manager put in its frame is found too.
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {"search", "--onlyvisible", "--name", QString::fromStdString("^" + name + "$")});
    search.waitForFinished(20'000);
    // A window gone since the search is an error of the server, not of the test.
    const auto ignore = [](Display*, XErrorEvent*) { return 0; };
    const auto previous = XSetErrorHandler(ignore);
    const auto restore = qScopeGuard([&] { XSetErrorHandler(previous); });
    for (const QByteArray& id : search.readAllStandardOutput().split('\n')) {
        XWindowAttributes attributes{};
        const ::Window window = id.toULong();
        int left = 0, top = 0;
        ::Window child = 0;
        if (window != 0 && XGetWindowAttributes(x, window, &attributes) && attributes.width > 1 &&
            XTranslateCoordinates(x, window, attributes.root, 0, 0, &left, &top, &child))
            return {window, QRect(left, top, attributes.width, attributes.height)};
    }
    return {};
}

bool stackedAbove(Display* x, unsigned long upper, unsigned long lower) {
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count);
    const std::vector<::Window> order(children, children + count); // bottom first
    XFree(children);
    const auto above = std::ranges::find(order, upper), below = std::ranges::find(order, lower);
    return above != order.end() && below != order.end() && above > below; // a window gone: no
}

void X11Test::SetUp() {
    if (const std::string why = whyNoX11(); !why.empty())
        GTEST_SKIP() << why;
    m_x = XOpenDisplay(nullptr);
    ASSERT_NE(m_x, nullptr);
}

void X11Test::TearDown() {
    if (m_x != nullptr)
        XCloseDisplay(m_x);
}

} // namespace fadebin::test
