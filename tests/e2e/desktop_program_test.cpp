// The program as a desktop runs it: one instance, launch order, how it ends, its command line
// and its windows' identity. The install layout and the package are checked by scripts/test.
#include "e2e/ActivationBus.h"
#include "platform/Version.h"
#include "support/XvfbServer.h"

#include <QSettings>
#include <QStandardPaths>

using namespace fadebin;
using namespace fadebin::test;

using DesktopProgramTest = BusTest;

// A second launch calls Activate on the running program (what it shows is the menu test's).
TEST_F(DesktopProgramTest, ASecondLaunchAsksTheRunningProgramToShowSettings) {
    writeOnboardedSettings(home);
    Program running(home);
    ASSERT_TRUE(running.start("offscreen")) << running.log();
    EXPECT_FALSE(running.logs("Showing the onboarding window", 1500ms))
        << "onboarding is offered only until it is completed";
    EXPECT_TRUE(runProgram({}).succeeded());
    EXPECT_TRUE(running.logs("Showing the settings window")) << running.log();
    EXPECT_TRUE(running.running()) << "the first engine stays the only one";

    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus", 1);
    const Command withoutBus = runProgram({});
    EXPECT_EQ(withoutBus.status, 0);
    EXPECT_EQ(withoutBus.out, "Fadebin is already running.\n");
}

// The menu calls Activate on the DBusActivatable name, and the bus starts the program for it:
// that is the launch (onboarding on a first run, else nothing); only a later Activate reopens.
TEST_F(DesktopProgramTest, TheMenusLaunchShowsOnlyOnboardingOrNothingAndOpeningAgainShowsSettings) {
    const char* onboarding = "Showing the onboarding window";
    const char* settings = "Showing the settings window";
    const char* launched = "Started from the application menu";
    for (const bool onboarded : {false, true}) {
        SCOPED_TRACE(onboarded ? "a later run, not running yet, then opened again" : "first run");
        TempHome runHome;
        if (onboarded)
            writeOnboardedSettings(runHome);
        ActivationBus menu;
        ASSERT_TRUE(menu.activate()) << menu.log();
        EXPECT_EQ(menu.count(launched), 1) << menu.log();
        // A first run brings onboarding up by itself; opening again shows it, or settings after it.
        ASSERT_TRUE(waitFor([&] { return menu.count(onboarding) == (onboarded ? 0 : 1); }));
        if (!onboarded) {
            EXPECT_LT(menu.log().find("Fadebin started"), menu.log().find(onboarding));
        }
        EXPECT_EQ(menu.count(settings), 0) << menu.log();
        const qint64 started = menu.programPid();
        ASSERT_TRUE(menu.activate());
        const char* again = onboarded ? settings : onboarding;
        EXPECT_TRUE(waitFor([&] { return menu.count(again) == (onboarded ? 1 : 2); }))
            << menu.log();
        EXPECT_EQ(menu.programPid(), started) << "the running program answered";
        EXPECT_EQ(menu.count(launched), 1);
        EXPECT_EQ(menu.count(onboarded ? onboarding : settings), 0) << menu.log();
    }
}

// What Fadebin starts (xdg-open and what it opens) inherits the main thread's blocked signals;
// quitting still goes through the event loop.
TEST_F(DesktopProgramTest, QuitSignalsEndItInOrderAndStayUnblockedForWhatItStarts) {
    writeOnboardedSettings(home);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        Program program(home);
        ASSERT_TRUE(program.start("offscreen")) << program.log();
        const std::string status = readFile("/proc/" + std::to_string(program.pid()) + "/status");
        EXPECT_NE(status.find("\nSigBlk:\t0000000000000000\n"), std::string::npos) << status;
        EXPECT_EQ(program.endWith(signal), 0) << program.log();
    }
}

TEST_F(DesktopProgramTest, CommandLineOptionsAsLinuxUsersExpectThem) {
    const Command version = runProgram({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Fadebin " + appVersionString().toStdString() + "\n");
    const Command help = runProgram({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("fadebin expire --in"), std::string::npos);
    EXPECT_EQ(runProgram({QStringLiteral("--frobnicate")}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(home.dataHome() / "Fadebin/Fadebin.store"))
        << "nothing was started";
}

// Task bars and Alt-Tab match a window to the desktop entry and its icon by what it carries.
TEST_F(DesktopProgramTest, WindowsCarryTheIconAndTheDesktopEntrysClass) {
    for (const char* tool : {"xprop", "xdotool"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (Debian packages x11-utils, xdotool)";
    std::string whyNot;
    const std::unique_ptr<XvfbServer> xvfb = XvfbServer::start(whyNot);
    if (!xvfb)
        GTEST_SKIP() << "no X server: " << whyNot;
    ::setenv("DISPLAY", xvfb->display().c_str(), 1);
    Program program(home);
    ASSERT_TRUE(program.start(xvfb->display())) << program.log();
    std::string window; // onboarding comes up by itself on a first run
    ASSERT_TRUE(waitFor([&] {
        window = runTool("xdotool", {"search", "--name", "Welcome to Fadebin"}).out;
        return !window.empty();
    })) << program.log();
    const std::string properties =
        runTool("xprop", {"-id", QString::fromStdString(window.substr(0, window.find('\n'))),
                          "_NET_WM_ICON", "WM_CLASS"})
            .out;
    ::unsetenv("DISPLAY");
    EXPECT_NE(properties.find("_NET_WM_ICON(CARDINAL) = "), std::string::npos) << properties;
    const QSettings entry(
        QStringLiteral(FADEBIN_SOURCE_DIR "/resources/desktop/com.ostrel.Fadebin.desktop"),
        QSettings::IniFormat);
    const std::string wmClass =
        entry.value(QStringLiteral("Desktop Entry/StartupWMClass")).toString().toStdString();
    ASSERT_FALSE(wmClass.empty()) << "the desktop entry names the windows' class";
    EXPECT_NE(properties.find("WM_CLASS(STRING) = \"fadebin\", \"" + wmClass + "\"\n"),
              std::string::npos)
        << properties;
}

// Our expiry on a file at a first run came from elsewhere (a backup, rsync -X): it is asked about.
// A lost database (the folder there, the store gone) is rebuilt from the same attribute.
TEST_F(DesktopProgramTest, AFirstRunAsksAboutFilesCarryingAnExpiryALostDatabaseTrustsIt) {
    writeOnboardedSettings(home);
    const auto arrive = [&](const std::string& name) {
        writeFile(home.downloads() / name, name);
        ASSERT_TRUE(writeXattr(home.downloads() / name, "user.com.ostrel.fadebin.expiresAt",
                               "2020-01-01T00:00:00Z")
                        .ok());
    };
    arrive("backup.pdf");
    ASSERT_FALSE(exists(home.dataHome() / "Fadebin"));
    Program program(home);
    ASSERT_TRUE(program.start()) << program.log();
    EXPECT_TRUE(reaches(home, "backup.pdf", "pending")) << program.log();
    EXPECT_EQ(readRecords(home).size(), 1u);
    EXPECT_FALSE(expiryAttribute(home.downloads() / "backup.pdf").has_value());
    program.terminate();

    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(home.dataHome() / (std::string("Fadebin/Fadebin.store") + suffix));
    arrive("restored.pdf");
    ASSERT_TRUE(program.start()) << program.log();
    EXPECT_TRUE(waitFor([&] { return exists(home.dataHome() / "Trash/files/restored.pdf"); }))
        << program.log();
    EXPECT_TRUE(exists(home.downloads() / "backup.pdf"));
}
