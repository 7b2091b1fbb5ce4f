// The built program's notch on a private Xvfb (white root) driven by xdotool; its pixels read
// back (root image, xwd) bare, under openbox and xcompmgr, at two sizes and at Qt's scale 2.
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "support/X11TestTools.h"
#include "support/XvfbServer.h"

#include <QColor>
#include <QStandardPaths>
#include <QtEndian>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The desktop: the white root, or xcompmgr's grey; far from the notch's black either way.
const auto isLight = [](QColor c) { return c.lightness() > 100; };
const auto isDark = [](QColor c) { return c.lightness() < 60; };

class NotchEndToEnd : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (m_x != nullptr)
            pointerTo(640, 700);
    }
    // Onboarding done (its window would cover the panel without a window manager), panel shut.
    void startProgram(const std::string& settingsJson, QRect shut = collapsedNotchFrame) {
        writeOnboardedSettings(home, settingsJson);
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
        ASSERT_TRUE(waitFor([&] { return panelFrame() == shut; }, 30s))
            << "no collapsed panel on the screen\n" + program.log();
    }

    [[nodiscard]] FoundWindow panel() const { return viewableWindow(m_x, "Fadebin"); }
    [[nodiscard]] QRect panelFrame() const { return panel().frame; }
    [[nodiscard]] bool shows(QRect frame, std::chrono::milliseconds timeout = 10s) const {
        return waitFor([&] { return panelFrame() == frame; }, timeout);
    }
    static bool startWindow(QProcess& window, const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        window.setProcessEnvironment(environment);
        window.start(QStringLiteral(FADEBIN_CLICK_WINDOW), arguments);
        return waitFor([&] { return window.canReadLine() && window.readLine() == "ready\n"; });
    }

    // Lightness 0-255 of the panel window's own pixel (its depth, not the root's); -1: none.
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

    TempHome home;
    Program program{home};
};

// Hover opens and leaving closes it; so does another X client's drag coming near (the panel sees
// no pointer then); a download raises it over a later window, and real clicks schedule.
TEST_F(NotchEndToEnd, HoverADragAndADownloadOpenItOnTopAndRealClicksOnTheRowScheduleTheFile) {
    const path dragged = home.downloads() / "dragged.pdf";
    writeFile(dragged, "a file that was here before");
    startProgram(R"({"autoDismissSeconds": 60})");
    pointerTo(640, 0); // the screen's top row
    ASSERT_TRUE(shows(expandedNotchFrame)) << program.log();
    pointerTo(640, 700);
    ASSERT_TRUE(shows(collapsedNotchFrame)) << program.log();

    QProcess source;
    ASSERT_TRUE(startWindow(source, {"-", toQString(dragged)}));
    xdotool({"mousemove", "200", "150", "mousedown", "1"});
    ASSERT_TRUE(waitFor([&] { return source.canReadLine() && source.readLine() == "drag\n"; }));
    // Near the notch, not on it: hovering there opens nothing, a drag does.
    for (const QPoint p : {QPoint(400, 300), QPoint(700, 160), QPoint(800, 120)})
        pointerTo(p.x(), p.y());
    ASSERT_TRUE(shows(expandedNotchFrame))
        << "a drag onto the collapsed notch did not open it\n" + program.log();
    pointerTo(200, 150); // dropped back on its own window
    xdotool({"mouseup", "1"});
    source.kill();
    source.waitForFinished(10'000);
    pointerTo(640, 700);
    ASSERT_TRUE(shows(collapsedNotchFrame)) << program.log();

    const ::Window other =
        XCreateSimpleWindow(m_x, DefaultRootWindow(m_x), 0, 0, 1280, 800, 0, 0, 0x336699);
    XMapWindow(m_x, other);
    XSync(m_x, False);
    ASSERT_TRUE(stackedAbove(m_x, other, panel().id));
    writeDownload(home.downloads(), "invoice.pdf");
    ASSERT_TRUE(shows(expandedNotchFrame, 30s)) << program.log();
    EXPECT_TRUE(waitFor([&] { return stackedAbove(m_x, panel().id, other); }));
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
    ASSERT_TRUE(reaches(home, "invoice.pdf", "scheduled")) << program.log();
    EXPECT_NEAR(readRecord(home, "invoice.pdf").expiresAt.value_or(0), clickedAt + 3600, 10);
    XDestroyWindow(m_x, other);
}

// `fadebin show` and real keys decide; only a real server shows the focus taken and given back.
TEST_F(NotchEndToEnd, ShowDownRightReturnSchedulesTheSecondFileAndEscapeGivesTheFocusBack) {
    const SessionBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    const auto focused = [&] {
        ::Window window = 0;
        int revert = 0;
        XGetInputFocus(m_x, &window, &revert);
        return window;
    };
    QProcess typing; // the window the person types in
    ASSERT_TRUE(startWindow(typing, {"-"}));
    const ::Window typedIn = viewableWindow(m_x, "clicks").id;
    ASSERT_NE(typedIn, 0UL);
    XSetInputFocus(m_x, typedIn, RevertToPointerRoot, CurrentTime);
    XSync(m_x, False);
    // The first choice is the default, so the second is one step right: 1 hour.
    startProgram(R"({"defaultAction": "thirtyMinutes", "displayMode": "hoverOnly"})");
    for (const char* name : {"first.txt", "second.txt"}) {
        writeDownload(home.downloads(), name);
        ASSERT_TRUE(reaches(home, name, "pending", 30s)) << name << "\n" + program.log();
    }

    // The pointer's opening takes nothing.
    pointerTo(640, 0);
    ASSERT_TRUE(shows(expandedNotchFrame));
    EXPECT_EQ(focused(), typedIn);
    pointerTo(640, 700);
    ASSERT_TRUE(shows(collapsedNotchFrame));

    ASSERT_TRUE(runProgram({"show"}).succeeded());
    const ::Window panelWindow = panel().id;
    ASSERT_TRUE(waitFor([&] { return focused() == panelWindow; })) << program.log();
    ASSERT_TRUE(shows(expandedNotchFrame));
    // On the newest, the second: up to the first and down again.
    xdotool({"key", "--delay", "150", "Up", "Down", "Right", "Return"});
    const double decidedAt = unixNow();
    ASSERT_TRUE(reaches(home, "second.txt", "scheduled")) << program.log();
    EXPECT_NEAR(readRecord(home, "second.txt").expiresAt.value_or(0), decidedAt + 3600, 10);

    xdotool({"key", "Escape"});
    EXPECT_TRUE(shows(collapsedNotchFrame));
    EXPECT_TRUE(waitFor([&] { return focused() == typedIn; }))
        << "the focus is on 0x" << std::hex << focused();
    EXPECT_EQ(readRecord(home, "first.txt").status, "pending");
}

// xwd's screen (null without it): a panel cut to its outline yet read whole shows black corners.
QImage xwdScreen(const std::string& display) {
    QProcess xwd;
    xwd.start(QStringLiteral("xwd"), {"-root", "-silent", "-display", toQString(display)});
    if (!xwd.waitForFinished(20'000) || xwd.exitCode() != 0)
        return {};
    const QByteArray data = xwd.readAllStandardOutput();
    const auto field = [&](int i) { return qFromBigEndian<quint32>(data.constData() + 4 * i); };
    if (data.size() < 100)
        return {};
    // Header words: its size, picture size, byte order, bits per pixel, bytes per line; colormap.
    const int width = static_cast<int>(field(4)), height = static_cast<int>(field(5));
    const int step = static_cast<int>(field(11)) / 8, line = static_cast<int>(field(12));
    const qsizetype start = field(0) + 12 * qsizetype(field(19));
    if (field(7) != 0 || step < 3 || data.size() < start + qsizetype(line) * height)
        return {};
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto* p =
                reinterpret_cast<const uchar*>(data.constData()) + start + y * line + x * step;
            image.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    return image;
}

// Screen size, Qt's scale factor, and the manager beside the program (none, openbox, xcompmgr).
struct Desktop {
    const char* name;
    QSize size;
    int scale;
    const char* manager;
};

class NotchPixels : public NotchEndToEnd, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("xwd")).isEmpty())
            GTEST_SKIP() << "xwd is not installed (Debian package x11-apps)";
        std::string why;
        const QSize size = GetParam().size;
        m_server = XvfbServer::start(
            why, QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()).toStdString(),
            {"-wr"});
        if (!m_server)
            GTEST_SKIP() << why;
        m_display = qgetenv("DISPLAY");
        qputenv("DISPLAY", m_server->display().c_str());
        if (GetParam().scale != 1)
            qputenv("QT_SCALE_FACTOR", QByteArray::number(GetParam().scale));
        NotchEndToEnd::SetUp();
        if (m_x == nullptr || IsSkipped())
            return;
        pointerTo(100, size.height() - 100);
        const std::string manager = GetParam().manager;
        const Atom compositing = XInternAtom(m_x, "_NET_WM_CM_S0", False);
        if (manager != "none") {
            if (QStandardPaths::findExecutable(toQString(manager)).isEmpty())
                GTEST_SKIP() << manager << " is not installed (Debian package " << manager << ")";
            m_manager.start(toQString(manager), {});
            const Atom selection = isCompositing() ? compositing : XInternAtom(m_x, "WM_S0", False);
            ASSERT_TRUE(waitFor([&] { return XGetSelectionOwner(m_x, selection) != 0; }, 30s))
                << manager << " did not start";
        }
        ASSERT_EQ(XGetSelectionOwner(m_x, compositing) != 0, isCompositing());
    }
    void TearDown() override {
        program.kill();
        m_manager.terminate();
        m_manager.waitForFinished(10'000);
        NotchEndToEnd::TearDown();
        qunsetenv("QT_SCALE_FACTOR");
        if (!m_display.isNull())
            qputenv("DISPLAY", m_display);
    }

    [[nodiscard]] static bool isCompositing() {
        return std::string(GetParam().manager) == "xcompmgr";
    }
    // A frame of the notch (256 x 32 shut, 420 x 480 open) hanging from the top centre.
    [[nodiscard]] static QRect frame(QSize points) {
        const int s = GetParam().scale;
        return {GetParam().size.width() / 2 - points.width() * s / 2, 0, points.width() * s,
                points.height() * s};
    }
    [[nodiscard]] QImage rootScreen() const {
        const QSize size = GetParam().size;
        XImage* image = XGetImage(m_x, DefaultRootWindow(m_x), 0, 0, size.width(), size.height(),
                                  AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        QImage shot = QImage(reinterpret_cast<const uchar*>(image->data), size.width(),
                             size.height(), image->bytes_per_line, QImage::Format_RGB32)
                          .copy();
        XDestroyImage(image);
        return shot;
    }
    // The root image, and xwd's but under a compositor (it reads an alpha window as clear).
    [[nodiscard]] std::vector<std::pair<const char*, QImage>> screens() const {
        std::vector<std::pair<const char*, QImage>> shots{{"root", rootScreen()}};
        if (!isCompositing())
            shots.emplace_back("xwd", xwdScreen(m_server->display()));
        return shots;
    }
    [[nodiscard]] static int outlineBottom(const QImage& image, const QRect& open) {
        int y = std::min(open.bottom(), image.height() - 1);
        while (y > 0 && !isDark(image.pixelColor(open.center().x(), y)))
            --y;
        return y;
    }

    std::unique_ptr<XvfbServer> m_server;
    QByteArray m_display;
    QProcess m_manager;
};

// Every look from the download to 2 s after opening: the desktop below the content, at the open
// frame's lower corners and beside the shut outline's; settled, beside the open outline's too.
TEST_P(NotchPixels, TheDesktopShowsAroundTheOutlineInEveryLookFromTheDownloadOn) {
    const QRect shut = frame({256, 32}), open = frame({420, 480});
    startProgram(R"({"autoDismissSeconds": 600})", shut);
    writeDownload(home.downloads(), "report.pdf");
    const int s = GetParam().scale;
    // The open frame may reach past the screen's lower edge (scale 2 on 1280 x 800).
    const int low = std::min(open.bottom(), GetParam().size.height() - 1);
    // Below one row's content (264 points of the 480), clear of the spring's overshoot.
    const int below = std::min(open.height() * 3 / 5, low - 1),
              lowest = std::min(open.height() * 4 / 5, low - 1);
    const std::vector<QPoint> besideOpen{{open.center().x(), lowest},
                                         {open.left() + 1, low - 1},
                                         {open.right() - 1, low - 1},
                                         {open.left() + s, below},
                                         {open.right() - s, below}};
    std::vector<QPoint> besideBoth = besideOpen;
    besideBoth.insert(besideBoth.end(),
                      {{shut.left(), shut.bottom()}, {shut.right(), shut.bottom()}});
    std::optional<std::chrono::steady_clock::time_point> opened;
    int looks = 0;
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!opened || std::chrono::steady_clock::now() < *opened + 2s) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "never opened\n" << program.log();
        const QRect now = panelFrame();
        if (!opened && now == open)
            opened = std::chrono::steady_clock::now();
        const auto shots = screens();
        // Shut before and after the look: a panel that opened in between shows its body there.
        const bool shutThroughout = now == shut && panelFrame() == shut;
        for (const auto& [how, shot] : shots) {
            ASSERT_FALSE(shot.isNull()) << how;
            for (const QPoint p : shutThroughout ? besideBoth : besideOpen)
                ASSERT_TRUE(isLight(shot.pixelColor(p)))
                    << how << " look " << looks << ": " << p.x() << "," << p.y() << " is "
                    << shot.pixelColor(p).name().toStdString();
        }
        ++looks;
    }
    EXPECT_GE(looks, 5);
    for (const auto& [how, shot] : screens()) {
        SCOPED_TRACE(how);
        const int bottom = outlineBottom(shot, open);
        ASSERT_LT(bottom, low - 40 * s) << "one row fills less than the frame";
        ASSERT_GT(bottom, open.top() + 100 * s) << "no content drawn";
        for (const QPoint p : {QPoint(open.left(), bottom), QPoint(open.right(), bottom)})
            EXPECT_TRUE(isLight(shot.pixelColor(p))) << p.x() << "," << p.y();
        EXPECT_TRUE(isDark(shot.pixelColor(open.center().x(), bottom - 2 * s)));
        // The whole width is drawn, not the corner an outline in points rather than pixels covers.
        for (const int x : {open.left() + open.width() / 4, open.right() - open.width() / 4})
            EXPECT_TRUE(isDark(shot.pixelColor(x, 8 * s))) << x << ",8";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, NotchPixels,
    ::testing::Values(Desktop{"1280x800Scale1_none", {1280, 800}, 1, "none"},
                      Desktop{"1920x1080Scale1_none", {1920, 1080}, 1, "none"},
                      Desktop{"1280x800Scale2_none", {1280, 800}, 2, "none"},
                      Desktop{"1920x1080Scale2_openbox", {1920, 1080}, 2, "openbox"},
                      Desktop{"1280x800Scale1_xcompmgr", {1280, 800}, 1, "xcompmgr"}),
    [](const auto& desktop) { return desktop.param.name; });

} // namespace

// The content is laid out here offscreen: the program has the X server.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-wr"});
}
