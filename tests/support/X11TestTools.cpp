#include "support/X11TestTools.h"

#include "notch/SoftwareRendering.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>

namespace fadebin::test {

namespace {

std::string& noXvfbReason() {
    static std::string reason = "Xvfb was not started";
    return reason;
}

} // namespace

std::string whyNoX11() {
    if (!noXvfbReason().empty())
        return "no X server: " + noXvfbReason();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return "xdotool is not installed (Debian package xdotool)";
    return {};
}

int runOnXvfb(int argc, char** argv, bool ownWindows,
              const std::vector<std::string>& xvfbArguments) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<XvfbServer> server;
    if (!::testing::GTEST_FLAG(list_tests) &&
        (server = XvfbServer::start(noXvfbReason(), "1280x800x24", xvfbArguments)))
        noXvfbReason().clear();
    if (server)
        qputenv("DISPLAY", server->display().c_str());
    qputenv("QT_QPA_PLATFORM", server && ownWindows ? "xcb" : "offscreen");
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
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

namespace {

FoundWindow viewableWindowUnder(Display* x, ::Window under, const std::string& name) {
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    FoundWindow found;
    if (!XQueryTree(x, under, &root, &parent, &children, &count))
        return found;
    for (unsigned i = 0; i < count && found.id == 0; ++i) {
        XWindowAttributes attributes{};
        char* fetched = nullptr;
        if (!XGetWindowAttributes(x, children[i], &attributes) ||
            attributes.map_state != IsViewable)
            continue;
        if (XFetchName(x, children[i], &fetched) && fetched != nullptr && fetched == name &&
            attributes.width > 1) {
            int left = 0, top = 0;
            ::Window child = 0;
            XTranslateCoordinates(x, children[i], root, 0, 0, &left, &top, &child);
            found = {children[i], QRect(left, top, attributes.width, attributes.height)};
        } else {
            found = viewableWindowUnder(x, children[i], name);
        }
        if (fetched != nullptr)
            XFree(fetched);
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

} // namespace

FoundWindow viewableWindow(Display* x, const std::string& name) {
    return viewableWindowUnder(x, DefaultRootWindow(x), name);
}

int depthOf(Display* x, unsigned long window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(x, window, &attributes) ? attributes.depth : 0;
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
