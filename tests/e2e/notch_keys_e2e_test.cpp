// The built program on a private X server and a private session bus, decided on from the
// keyboard alone: `fadebin show`, then real key presses (xdotool) into the window X focuses.
// The keys' own table is the notch tests'; here is what only a real server shows: the focus
// taken from the window that had it and given back to it.
#include "e2e/ProgramFixture.h"
#include "support/X11TestTools.h"

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class KeysEndToEnd : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped())
            return;
        if (bus.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
        ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
        pointerTo(640, 700);
    }
    void TearDown() override {
        program.kill();
        typing.kill();
        typing.waitForFinished(10'000);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        X11Test::TearDown();
    }
    [[nodiscard]] unsigned long focused() const {
        ::Window window = 0;
        int revert = 0;
        XGetInputFocus(m_x, &window, &revert);
        return window;
    }
    [[nodiscard]] QRect panelFrame() const { return viewableWindow(m_x, "Fadebin").frame; }

    PrivateBus bus;
    TempHome home;
    Program program{home};
    QProcess typing; // the window the person types in
};

TEST_F(KeysEndToEnd, ShowDownRightReturnSchedulesTheSecondFileAndEscapeGivesTheFocusBack) {
    // The first choice is the default, so the second is one step right: 1 hour.
    writeOnboardedSettings(home,
                           R"({"defaultAction": "thirtyMinutes", "displayMode": "hoverOnly"})");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    typing.setProcessEnvironment(environment);
    typing.start(QStringLiteral(FADEBIN_CLICK_WINDOW), {"-"});
    ASSERT_TRUE(waitFor([&] { return typing.canReadLine() && typing.readLine() == "ready\n"; }));
    const unsigned long typedIn = viewableWindow(m_x, "clicks").id;
    ASSERT_NE(typedIn, 0UL);
    XSetInputFocus(m_x, typedIn, RevertToPointerRoot, CurrentTime);
    XSync(m_x, False);

    ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 30s)) << program.log();
    for (const char* name : {"first.txt", "second.txt"}) {
        writeDownload(home.downloads(), name);
        ASSERT_TRUE(waitFor([&] { return readRecord(home, name).status == "pending"; }, 30s))
            << name << "\n" + program.log();
    }

    // The pointer's opening takes nothing.
    pointerTo(640, 0);
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 10s));
    EXPECT_EQ(focused(), typedIn);
    pointerTo(640, 700);
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 10s));

    const Command show = runProgram({"show"});
    ASSERT_EQ(show.status, 0) << show.err;
    const unsigned long panelWindow = viewableWindow(m_x, "Fadebin").id;
    ASSERT_TRUE(waitFor([&] { return focused() == panelWindow; }, 10s)) << program.log();
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 10s));
    // On the newest, the second: up to the first and down again.
    xdotool({"key", "--delay", "150", "Up", "Down", "Right", "Return"});
    const double decidedAt = unixNow();
    ASSERT_TRUE(waitFor([&] { return readRecord(home, "second.txt").status == "scheduled"; }))
        << program.log();
    EXPECT_NEAR(readRecord(home, "second.txt").expiresAt.value_or(0), decidedAt + 3600, 10);
    EXPECT_NEAR(expiryAttribute(home.downloads() / "second.txt").value_or(0), decidedAt + 3600, 10);
    EXPECT_EQ(readRecord(home, "first.txt").status, "pending");
    EXPECT_EQ(panelFrame(), expandedNotchFrame) << "a file still waits: the panel stays open";

    xdotool({"key", "Escape"});
    EXPECT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 10s));
    EXPECT_TRUE(waitFor([&] { return focused() == typedIn; }, 10s))
        << "the focus is on 0x" << std::hex << focused();
    EXPECT_EQ(readRecord(home, "first.txt").status, "pending");
}

} // namespace

int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-wr"});
}
