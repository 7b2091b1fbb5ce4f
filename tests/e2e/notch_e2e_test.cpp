// The built program with its notch on a private X server whose root is white (the desktop),
// its pointer moved with xdotool and watched through the X server. Hover, real clicks on a row
// and the click-through beside the shape are the Wayland test's, notch_panel_x11_test's and
// the content tests'.
//
// The screen, bare, under a real window manager (openbox) and under a compositing manager
// (xcompmgr): where the panel's outline is not drawn, the desktop shows. It is read as the X
// server shows it, from the root window. xwd -root is no witness here: it reads each window's
// own image, whose pixels outside the window's shape are undefined (black on Xvfb), and shows
// the whole 420 x 480 rectangle black whatever the panel does.
#include "e2e/ProgramFixture.h"
#include "support/ScreenGrab.h"
#include "support/X11TestTools.h"

#include <QColor>
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

// What runs beside the program: nothing, a window manager (openbox) or a compositing
// manager (xcompmgr).
class NotchPixels : public X11Test, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (m_x == nullptr)
            return;
        pointerTo(640, 700);
        if (manager() == "none")
            return;
        const QString command = QString::fromStdString(manager());
        if (QStandardPaths::findExecutable(command).isEmpty())
            GTEST_SKIP() << manager() << " is not installed (Debian package " << manager() << ")";
        m_manager.start(command, {});
        const Atom selection = XInternAtom(m_x, isCompositing() ? "_NET_WM_CM_S0" : "WM_S0", False);
        ASSERT_TRUE(waitFor([&] { return XGetSelectionOwner(m_x, selection) != 0; }, 30s))
            << manager() << " did not start";
    }
    void TearDown() override {
        program.kill();
        if (m_manager.state() != QProcess::NotRunning) {
            m_manager.terminate();
            m_manager.waitForFinished(10'000);
        }
        X11Test::TearDown();
    }

    // Started once its panel is collapsed at the top centre, onboarding done: its window would
    // sit above the panel on a server without a window manager.
    void startProgram() {
        writeSettings(home, R"({"hasCompletedOnboarding": true, "autoDismissSeconds": 600})");
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
        ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 30s))
            << "no collapsed panel on the screen\n"
            << program.log();
    }
    [[nodiscard]] QRect panelFrame() const { return viewableWindow(m_x, "Fadebin").frame; }

    // The screen as the X server shows it: the root window's image.
    [[nodiscard]] QImage screen() const {
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 0, 0, 1280, 800, AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        QImage shot = QImage(reinterpret_cast<const uchar*>(image->data), 1280, 800,
                             image->bytes_per_line, QImage::Format_RGB32)
                          .copy();
        XDestroyImage(image);
        return shot;
    }

    [[nodiscard]] static std::string manager() { return GetParam(); }
    [[nodiscard]] static bool isCompositing() { return manager() == "xcompmgr"; }

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
    startProgram();

    // One finished download: the panel opens on its pending row.
    writeDownload(home.downloads(), "report.pdf");
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    // Moved onto the panel, so that it stays open while it is looked at.
    pointerTo(640, 10);
    ASSERT_TRUE(waitFor(
        [&] {
            const QImage now = screen();
            return isDark(now.pixelColor(640, 100)) && shapeBottom(now) > 100;
        },
        10s))
        << "the open panel never drew its content";
    const QImage open = settledScreen([this] { return screen(); });
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
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 20s)) << program.log();
    const QImage collapsed = settledScreen([this] { return screen(); });
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

// The content is laid out here offscreen: the program has the X server.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-wr"});
}
