#pragma once

#include "notch/SoftwareRendering.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace fadebin::test {

inline std::string& noXvfbReason() {
    static std::string reason = "Xvfb was not started";
    return reason;
}

inline std::string whyNoX11() {
    if (!noXvfbReason().empty())
        return "no X server: " + noXvfbReason();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return "xdotool is not installed (Debian package xdotool)";
    return {};
}

inline void xdotool(const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(tool.waitForFinished(20'000) && tool.exitCode() == 0)
        << arguments.join(' ').toStdString() << ": " << tool.readAllStandardError().toStdString();
}

// The main of a test program on X, its own windows there when ownWindows (offscreen else).
inline int runOnXvfb(int argc, char** argv, bool ownWindows = true) {
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

} // namespace fadebin::test
