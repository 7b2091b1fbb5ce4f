// The built program with its notch on a private headless sway, as a layer-shell surface:
// seen through grim's pictures and sway's window tree, driven with a virtual pointer.
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "periphery/PeripheryTexts.h"
#include "support/GuiTestMain.h"
#include "support/SwayServer.h"
#include "support/VirtualPointer.h"

#include <QImage>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The 1280 x 800 output: the notch hangs from the top centre; open, the panel is 420 wide
// and as tall as its rows.
const QRect collapsedFrame{512, 0, 256, 32};
constexpr int expandedLeft = 430;
constexpr int expandedRight = 849;
const QPointF parked{640, 700};
const QRgb clickWindowColour = qRgb(0xe0, 0xb0, 0x40);

// One sway for all the cases, or why there is none.
std::unique_ptr<SwayServer>& server() {
    static std::unique_ptr<SwayServer> instance;
    return instance;
}
std::string whyNot;

bool near(const QImage& image, QPoint p, QRgb colour) {
    const QRgb seen = image.valid(p) ? image.pixel(p) : ~colour;
    const auto off = [&](int (*part)(QRgb)) { return std::abs(part(seen) - part(colour)); };
    return std::max({off(qRed), off(qGreen), off(qBlue)}) <= 8;
}
const auto black = [](const QImage& image, QPoint p) { return near(image, p, qRgb(0, 0, 0)); };

// The collapsed notch alone: black inside its outline (clear of the icons at its ends), the
// desktop beside and below it.
bool collapsedShown(const QImage& s, QRgb desktop = SwayServer::background) {
    return black(s, {640, 16}) && black(s, {575, 16}) && black(s, {705, 16}) &&
           near(s, {505, 16}, desktop) && near(s, {775, 16}, desktop) &&
           near(s, {640, 40}, desktop) && near(s, {640, 200}, desktop);
}
// The open panel: its black edges from x 430 to 849 well below the notch, the desktop beside.
bool expandedShown(const QImage& s, QRgb desktop = SwayServer::background) {
    return black(s, {expandedLeft + 4, 120}) && black(s, {expandedRight - 4, 120}) &&
           near(s, {expandedLeft - 6, 120}, desktop) && near(s, {expandedRight + 6, 120}, desktop);
}

class NotchOnWayland : public BusTest {
protected:
    void SetUp() override {
        BusTest::SetUp();
        if (IsSkipped())
            return;
        if (!server() && whyNot.empty() && !(server() = SwayServer::start(whyNot)))
            whyNot = "no headless sway: " + whyNot;
        if (!server())
            GTEST_SKIP() << whyNot;
        pointer = VirtualPointer::connect(server()->socketPath(), {1280, 800});
        ASSERT_NE(pointer, nullptr) << "sway offers no virtual pointer";
        pointer->moveTo(parked);
    }
    void TearDown() override {
        clickWindow.kill();
        clickWindow.waitForFinished(10'000);
        BusTest::TearDown();
    }

    void startProgram(const std::string& settingsJson, QRgb desktop = SwayServer::background) {
        writeOnboardedSettings(home, settingsJson);
        ASSERT_TRUE(program.start({}, server()->clientEnvironment())) << program.log();
        ASSERT_TRUE(waitFor([&] { return collapsedShown(screen(), desktop); }, 30s))
            << "no collapsed notch at the top centre\n" + program.log();
    }

    [[nodiscard]] static QImage screen() { return server()->screenshot(); }
    [[nodiscard]] static bool screenShows(const std::function<bool(const QImage&)>& shown,
                                          std::chrono::milliseconds timeout = 10s) {
        return waitFor([&] { return shown(screen()); }, timeout);
    }
    // The sway windows of a process.
    [[nodiscard]] static QJsonArray windowsOf(qint64 pid) {
        QJsonArray found;
        std::ranges::copy_if(server()->windows(), std::back_inserter(found),
                             [pid](const QJsonValue& w) { return w["pid"].toInteger() == pid; });
        return found;
    }

    // A window of a second process, tiled over the whole output below the notch, that writes
    // down where it is clicked.
    void startClickWindow(const QStringList& dragged = {}) {
        QProcessEnvironment environment = server()->clientEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        clickWindow.setProcessEnvironment(environment);
        clickWindow.start(QStringLiteral(FADEBIN_CLICK_WINDOW),
                          QStringList{toQString(clicksFile())} + dragged);
        ASSERT_TRUE(clickWindow.waitForStarted(10'000));
        ASSERT_TRUE(screenShows([](const QImage& s) {
            return near(s, {1200, 700}, clickWindowColour);
        }));
    }
    [[nodiscard]] path clicksFile() const { return home.root() / "clicks"; }
    [[nodiscard]] QStringList clicks() const {
        return QString::fromStdString(readFile(clicksFile())).split('\n', Qt::SkipEmptyParts);
    }
    static QString at(QPointF p) { return QStringLiteral("%1 %2").arg(p.x()).arg(p.y()); }

    Program program{home};
    std::unique_ptr<VirtualPointer> pointer;
    QProcess clickWindow;
};

// One path through the layer shell: hover opens and leaving closes the notch at the top
// centre; a download opens it as a layer surface, never a window (a floating one would sit in
// the middle of the output); clicks beside the drawn shape reach the window below and clicks
// on the row schedule the file. Wayland tells a client of no press outside its surfaces:
// without the menu's grab, a menu opened in the notch would keep the panel open until the
// pointer came back to it.
TEST_F(NotchOnWayland, HoverDownloadsClicksAndAPressElsewhereOnTheLayerSurface) {
    startClickWindow();
    startProgram(R"({"autoDismissSeconds": 60})", clickWindowColour);
    const auto expanded = [](const QImage& s) { return expandedShown(s, clickWindowColour); };
    const auto collapsed = [](const QImage& s) { return collapsedShown(s, clickWindowColour); };
    pointer->moveTo({640, 2});
    ASSERT_TRUE(screenShows(expanded)) << program.log();
    pointer->moveTo(parked);
    ASSERT_TRUE(screenShows(collapsed)) << program.log();
    // Beside the notch nothing opens.
    pointer->moveTo({collapsedFrame.right() + 3.0, 10});
    EXPECT_FALSE(screenShows(expanded, 1s));
    pointer->moveTo(parked);

    writeDownload(home.downloads(), "report.pdf");
    const QPoint corner(expandedLeft + 1, 1);
    // The open panel's top corner is rounded off: the window below shows there.
    ASSERT_TRUE(screenShows(
        [&](const QImage& s) { return expanded(s) && near(s, corner, clickWindowColour); }, 30s))
        << program.log();
    EXPECT_TRUE(windowsOf(program.pid()).isEmpty())
        << QJsonDocument(windowsOf(program.pid())).toJson().toStdString();
    const QPointF beside(300, 300);
    for (const QPointF& p : {QPointF(corner), beside})
        pointer->clickAt(p);
    ASSERT_TRUE(waitFor([&] { return clicks().contains(at(beside)); }))
        << clicks().join(", ").toStdString();
    EXPECT_EQ(clicks(), (QStringList{at(corner), at(beside)}));

    // A real click into the content: scheduled for an hour, the file gets its "more" button.
    const PendingRowPoints row = pendingRowPoints();
    const QPointF origin(expandedLeft, 0);
    // Drawn: the prominent "Done" is near white, beside its label, once the content is in.
    const QPoint doneFill = (origin + row.done + QPointF(28, 0)).toPoint();
    ASSERT_TRUE(screenShows([&](const QImage& s) {
        return s.pixelColor(doneFill).lightness() > 200;
    })) << program.log();
    pointer->clickAt(origin + row.oneHour);
    pointer->clickAt(origin + row.done);
    ASSERT_TRUE(waitFor([&] { return readRecord(home, "report.pdf").status == "scheduled"; }))
        << program.log();
    writeDownload(home.downloads(), "notes.txt");
    const std::optional<QPointF> more = moreButton("report.pdf", "notes.txt");
    ASSERT_TRUE(more.has_value());
    const QPoint moreAt = (origin + *more).toPoint();
    ASSERT_TRUE(waitFor(
        [&] { return expanded(screen()) && readRecord(home, "notes.txt").status == "pending"; },
        30s));
    pointer->clickAt(QPointF(moreAt));
    // The menu hangs below the button, left of it, grey on the black panel.
    const QPoint inMenu = moreAt + QPoint(-150, 40);
    ASSERT_TRUE(screenShows([&](const QImage& s) {
        const QColor c = s.pixelColor(inMenu);
        return c.lightness() > 20 && c.lightness() < 120;
    })) << "no menu below the more button";
    pointer->clickAt({300, 600});
    EXPECT_TRUE(screenShows(collapsed))
        << "the menu and the panel stayed open after a press on another window\n" + program.log();
}

// Native Wayland drags reach the notch only through its surface: the data device's enter
// opens it, and the drop hands over the file list.
TEST_F(NotchOnWayland, AFileDraggedFromAWaylandWindowOpensTheNotchAndIsTakenInOnDrop) {
    const path file = home.downloads() / "dragged.pdf";
    writeFile(file, "a file that was here before");
    startClickWindow({QString::fromStdString(file.native())});
    startProgram(R"({"autoDismissSeconds": 60})", clickWindowColour);
    pointer->moveTo({300, 300});
    pointer->press(true);
    for (const QPointF& p : {QPointF(400, 200), QPointF(600, 60), QPointF(640, 16)})
        pointer->moveTo(p);
    EXPECT_TRUE(screenShows([](const QImage& s) { return expandedShown(s, clickWindowColour); }))
        << "a drag onto the collapsed notch did not open it\n" + program.log();
    pointer->moveTo({640, 60});
    pointer->press(false);
    EXPECT_TRUE(waitFor([&] {
        const std::string status = readRecord(home, "dragged.pdf").status;
        return status == "pending" || status == "scheduled";
    })) << program.log();
}

TEST_F(NotchOnWayland, ASecondLaunchShowsTheSettingsWindowWithoutX11) {
    startProgram("{}");
    QProcess second;
    second.setProcessEnvironment(server()->clientEnvironment());
    second.start(QStringLiteral(FADEBIN_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(60'000) && second.exitCode() == 0)
        << second.readAllStandardError().toStdString();
    QJsonObject window;
    ASSERT_TRUE(waitFor(
        [&] {
            for (const QJsonValue& w : windowsOf(program.pid()))
                if (w[QStringLiteral("app_id")].toString() == QLatin1String("com.ostrel.Fadebin"))
                    window = w.toObject();
            return !window.isEmpty();
        },
        30s))
        << QJsonDocument(server()->tree()).toJson().toStdString() << program.log();
    const QJsonObject r = window[QStringLiteral("rect")].toObject();
    const QRect rect(r[QStringLiteral("x")].toInt(), r[QStringLiteral("y")].toInt(),
                     r[QStringLiteral("width")].toInt(), r[QStringLiteral("height")].toInt());
    ASSERT_FALSE(rect.isEmpty());
    // Drawn: its middle is neither the desktop nor the notch's black.
    EXPECT_TRUE(screenShows([&](const QImage& s) {
        return !near(s, rect.center(), SwayServer::background) && !black(s, rect.center());
    })) << "the settings window at "
        << rect.x() << "," << rect.y() << " was never drawn";
}

// Where the compositor offers no layer shell and there is no X server, the program runs on
// Wayland (not without a display) and says once that this desktop shows no notch.
using WaylandWithoutLayerShell = BusTest;

TEST_F(WaylandWithoutLayerShell, TheProgramRunsOnWaylandAndSaysThereIsNoNotch) {
    std::string why;
    const auto weston = SwayServer::startWeston(why);
    if (!weston)
        GTEST_SKIP() << "no headless weston: " << why;
    writeOnboardedSettings(home);
    Program program{home};
    // Started, the program has said all this where its log is on standard error.
    ASSERT_TRUE(program.start({}, weston->clientEnvironment())) << program.log();
    const std::string& log = program.log();
    EXPECT_NE(log.find("Wayland session: no notch available"), std::string::npos) << log;
    EXPECT_NE(log.find(noNotchText().toStdString()), std::string::npos) << log;
    EXPECT_EQ(log.find("No display"), std::string::npos) << log;
}

} // namespace

// A GUI application for the content laid out here, offscreen: the program has the compositor.
int main(int argc, char** argv) {
    return runGuiTests(argc, argv, {.afterTests = [] { server().reset(); }});
}
