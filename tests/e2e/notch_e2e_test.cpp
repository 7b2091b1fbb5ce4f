// The built program with its notch on a private X server whose root is white (the desktop),
// driven with the real pointer (xdotool) and watched through the X server: the panel's window
// is where it is drawn.
//
// The screen, bare, under a real window manager (openbox) and under a compositing manager
// (xcompmgr): where the panel's outline is not drawn, the desktop shows. It is read as the X
// server shows it, from the root window. xwd -root is no witness here: it reads each window's
// own image, whose pixels outside the window's shape are undefined (black on Xvfb), and shows
// the whole 420 x 480 rectangle black whatever the panel does.
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "support/ScreenGrab.h"
#include "support/X11TestTools.h"

#include <QColor>
#include <QStandardPaths>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The desktop: the white root, or the grey a compositing manager without a wallpaper
// paints (xcompmgr); far from the notch's black either way.
const auto isLight = [](QColor c) { return c.lightness() > 100; };
const auto isDark = [](QColor c) { return c.lightness() < 60; };

class NotchEndToEnd : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (m_x != nullptr)
            pointerTo(640, 700);
    }
    // Started once its panel is collapsed at the top centre, onboarding done: its window would
    // sit above the panel on a server without a window manager.
    void startProgram(const std::string& settingsJson) {
        writeOnboardedSettings(home, settingsJson);
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
        ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 30s))
            << "no collapsed panel on the screen\n" + program.log();
    }

    [[nodiscard]] std::pair<::Window, QRect> panel() const {
        const FoundWindow found = viewableWindow(m_x, "Fadebin");
        return {found.id, found.frame};
    }
    [[nodiscard]] QRect panelFrame() const { return panel().second; }

    // How light the panel's own pixel (it has its own depth, which the root window's image
    // lacks) is at a point of it, 0 to 255 (-1 when it is not there).
    [[nodiscard]] int lightnessAt(QPointF p) const {
        const auto [window, frame] = panel();
        const QPoint at = p.toPoint();
        XImage* image = window == 0 || !QRect(QPoint(), frame.size()).contains(at)
                            ? nullptr
                            : XGetImage(m_x, window, at.x(), at.y(), 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr)
            return -1;
        const int lightness = QColor(static_cast<QRgb>(XGetPixel(image, 0, 0))).lightness();
        XDestroyImage(image);
        return lightness;
    }

    // The screen as the X server shows it: the root window's image.
    [[nodiscard]] QImage screen() const {
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 0, 0, 1280, 800, AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        QImage shot(reinterpret_cast<const uchar*>(image->data), 1280, 800, image->bytes_per_line,
                    QImage::Format_RGB32);
        shot = shot.copy();
        XDestroyImage(image);
        return shot;
    }

    TempHome home;
    Program program{home};
};

// Through the real X server: hover opens and leaving closes the notch at the top centre, a
// download opens it, and real clicks on its row schedule the file. The states' timing, the
// auto-dismiss and the hover test beside the shape are the controller tests' and the panel's.
TEST_F(NotchEndToEnd, HoverAndADownloadOpenItAndRealClicksOnTheRowScheduleTheFile) {
    startProgram(R"({"autoDismissSeconds": 60})");
    pointerTo(640, 0); // the screen's top row
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 10s)) << program.log();
    pointerTo(640, 700);
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 10s)) << program.log();

    writeDownload(home.downloads(), "invoice.pdf");
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    const QPointF origin = expandedNotchFrame.topLeft();
    const PendingRowPoints row = pendingRowPoints();
    // Drawn: the prominent "Done" is near white, beside its label, once the content is in.
    ASSERT_TRUE(waitFor([&] { return lightnessAt(row.done + QPointF(28, 0)) > 200; }, 10s))
        << program.log();
    const auto clickAt = [&](QPointF p) {
        pointerTo(origin.x() + p.x(), origin.y() + p.y());
        xdotool({QStringLiteral("click"), QStringLiteral("1")});
    };
    clickAt(row.oneHour);
    // The selection ring around "1h": its top edge is the segment's top row.
    ASSERT_TRUE(waitFor([&] {
        return lightnessAt({row.oneHour.x(), row.oneHourTop + 0.25}) > 150;
    }));
    clickAt(row.done);
    const double clickedAt = unixNow();
    ASSERT_TRUE(waitFor([&] { return readRecord(home, "invoice.pdf").status == "scheduled"; }))
        << program.log();
    EXPECT_NEAR(readRecord(home, "invoice.pdf").expiresAt.value_or(0), clickedAt + 3600, 10);
}

// What runs beside the program: nothing, a window manager (openbox) or a compositing
// manager (xcompmgr).
class NotchPixels : public NotchEndToEnd, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        NotchEndToEnd::SetUp();
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
    }
    void TearDown() override {
        program.kill();
        if (m_manager.state() != QProcess::NotRunning) {
            m_manager.terminate();
            m_manager.waitForFinished(10'000);
        }
        NotchEndToEnd::TearDown();
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

    QProcess m_manager;
};

TEST_P(NotchPixels, TheDesktopShowsAroundTheOpenAndTheCollapsedOutline) {
    startProgram(R"({"autoDismissSeconds": 600})");

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

INSTANTIATE_TEST_SUITE_P(Managers, NotchPixels, ::testing::Values("none", "openbox", "xcompmgr"),
                         [](const auto& manager) { return std::string(manager.param); });

} // namespace

// The content is laid out here offscreen: the program has the X server.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-wr"});
}
