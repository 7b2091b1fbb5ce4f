// The screen of a real X server with the real program's notch, without a compositing
// manager, bare and under a real window manager (openbox), and under a compositing manager
// (xcompmgr): where the panel's outline is not drawn, the desktop shows. The root window is white
// (-wr), so the desktop is white and the notch black; the screen is read as the X server shows it
// (QScreen::grabWindow(0) of the root). xwd -root is no witness here: it reads each window's own
// image, whose pixels outside the window's shape are undefined (black on Xvfb), and shows the whole
// 420 x 480 rectangle black whatever the panel does. Without a compositor the panel's window has
// the screen's opaque visual (an alpha visual there only costs the server a redirected copy); with
// one, the alpha visual.
#include "e2e/ProgramFixture.h"
#include "support/ScreenGrab.h"
#include "support/X11TestTools.h"

#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The desktop: the white root, or the grey a compositing manager without a wallpaper
// paints (xcompmgr); far from the notch's black either way.
bool isLight(QColor c) {
    return c.lightness() > 100;
}
bool isDark(QColor c) {
    return c.lightness() < 60;
}

class NotchPixels : public X11Test, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (m_x == nullptr)
            return;
        const Atom compositing = XInternAtom(m_x, "_NET_WM_CM_S0", False);
        if (manager() != "none") {
            const QString command = QString::fromStdString(manager());
            if (QStandardPaths::findExecutable(command).isEmpty())
                GTEST_SKIP() << manager() << " is not installed (Debian package " << manager()
                             << ")";
            m_manager.start(command, {});
            const Atom selection = isCompositing() ? compositing : XInternAtom(m_x, "WM_S0", False);
            ASSERT_TRUE(waitFor([&] { return XGetSelectionOwner(m_x, selection) != 0; }, 30s))
                << manager() << " did not start";
        }
        ASSERT_EQ(XGetSelectionOwner(m_x, compositing) != 0, isCompositing());
        pointerTo(640, 700);
    }
    void TearDown() override {
        program.kill();
        if (m_manager.state() != QProcess::NotRunning) {
            m_manager.terminate();
            m_manager.waitForFinished(10'000);
        }
        X11Test::TearDown();
    }

    // What runs beside the program: nothing, a window manager (openbox) or a compositing
    // manager (xcompmgr).
    [[nodiscard]] static std::string manager() { return GetParam(); }
    [[nodiscard]] static bool isCompositing() { return manager() == "xcompmgr"; }

    [[nodiscard]] std::pair<::Window, QRect> panel() const {
        const FoundWindow found = viewableWindow(m_x, "Fadebin");
        return {found.id, found.frame};
    }

    // The lowest black row of the open shape at the screen's centre line, found from below
    // (the content above it has light text on that line).
    [[nodiscard]] static int shapeBottom(const QImage& image) {
        int y = expandedNotchFrame.bottom();
        while (y > 0 && !isDark(image.pixelColor(640, y)))
            --y;
        return y;
    }

    // Light where the panel's frame reaches but its outline does not: below the content
    // and at the four lower corners' outer pixels (the radii are 22 open, 12 or more shut).
    static void expectDesktopAround(const QImage& image, const QRect& drawn, const char* what) {
        SCOPED_TRACE(what);
        const int bottom = drawn.bottom();
        for (const QPoint p :
             {QPoint(drawn.left(), bottom), QPoint(drawn.right(), bottom),
              QPoint(drawn.left() + 1, bottom - 1), QPoint(drawn.right() - 1, bottom - 1)})
            EXPECT_TRUE(isLight(image.pixelColor(p)))
                << "lower corner at " << p.x() << "," << p.y() << " is "
                << image.pixelColor(p).name().toStdString();
        // The outline itself is there: black in the middle of its lower edge.
        EXPECT_TRUE(isDark(image.pixelColor(drawn.center().x(), bottom - 2)));
    }

    TempHome home;
    Program program{home};
    QProcess m_manager;
};

TEST_P(NotchPixels, TheDesktopShowsAroundTheOpenAndTheCollapsedOutline) {
    writeSettings(home, R"({"hasCompletedOnboarding": true, "autoDismissSeconds": 600})");
    ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
    ASSERT_TRUE(waitFor([&] { return panel().second == collapsedNotchFrame; }, 30s))
        << "no collapsed panel on the screen\n"
        << program.log();

    // One finished download: the panel opens on its pending row.
    writeDownload(home.downloads(), "report.pdf");
    ASSERT_TRUE(waitFor([&] { return panel().second == expandedNotchFrame; }, 30s))
        << program.log();
    // Moved onto the panel, so that it stays open while it is looked at.
    pointerTo(640, 10);
    ASSERT_TRUE(waitFor(
        [&] {
            const QImage now = grabScreen();
            return isDark(now.pixelColor(640, 100)) && shapeBottom(now) > 100;
        },
        10s))
        << "the open panel never drew its content";
    const QImage open = settledScreen();
    ASSERT_FALSE(open.isNull());

    const int bottom = shapeBottom(open);
    ASSERT_LT(bottom, expandedNotchFrame.bottom() - 40) << "one row fills less than the frame";
    const QRect drawnOpen(expandedNotchFrame.left(), 0, expandedNotchFrame.width(), bottom + 1);
    // Below the content, inside the panel's frame: the desktop.
    for (const QPoint p : {QPoint(640, bottom + 12), QPoint(640, expandedNotchFrame.bottom() - 2),
                           QPoint(expandedNotchFrame.left() + 2, expandedNotchFrame.bottom() - 2),
                           QPoint(expandedNotchFrame.right() - 2, (bottom + 480) / 2)})
        EXPECT_TRUE(isLight(open.pixelColor(p)))
            << "below the content at " << p.x() << "," << p.y() << " is "
            << open.pixelColor(p).name().toStdString();
    expectDesktopAround(open, drawnOpen, "open");

    // Away from the notch it closes to its collapsed outline.
    pointerTo(640, 700);
    ASSERT_TRUE(waitFor([&] { return panel().second == collapsedNotchFrame; }, 20s))
        << program.log();
    const QImage collapsed = settledScreen();
    ASSERT_FALSE(collapsed.isNull());
    expectDesktopAround(collapsed, collapsedNotchFrame, "collapsed");
    // Below the collapsed notch, where the open panel was: the desktop.
    EXPECT_TRUE(isLight(collapsed.pixelColor(640, 200)));
}

std::string managerName(const ::testing::TestParamInfo<const char*>& manager) {
    return manager.param;
}

INSTANTIATE_TEST_SUITE_P(Managers, NotchPixels, ::testing::Values("none", "openbox", "xcompmgr"),
                         managerName);

} // namespace

int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, true, {"-wr"});
}
