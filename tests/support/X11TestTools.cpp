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

int runOnXvfb(int argc, char** argv, bool ownWindows) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<XvfbServer> server;
    if (!::testing::GTEST_FLAG(list_tests) && (server = XvfbServer::start(noXvfbReason())))
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
