// The built program on a private headless sway (a layer-shell notch seen by grim, driven by a
// virtual pointer and keyboard) and on a headless weston (no layer shell, no input seat).
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "periphery/PeripheryTexts.h"
#include "support/GuiTestMain.h"
#include "support/SwayServer.h"
#include "support/VirtualPointer.h"

#include <linux/input-event-codes.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// The 1280 x 800 output: the notch hangs from the top centre; open, the panel is 420 wide.
constexpr int openLeft = 430, openRight = 849;
const QPointF parked{640, 700};
const QRgb below = qRgb(0xe0, 0xb0, 0x40); // the click window's colour

bool near(const QImage& image, QPoint p, QRgb colour) {
    const QRgb seen = image.valid(p) ? image.pixel(p) : ~colour;
    const auto off = [&](int (*part)(QRgb)) { return std::abs(part(seen) - part(colour)); };
    return std::max({off(qRed), off(qGreen), off(qBlue)}) <= 8;
}
const QRgb black = qRgb(0, 0, 0);
// Shut: black inside its outline (clear of its icons), the window below beside and under it.
bool shutShown(const QImage& s) {
    return near(s, {640, 16}, black) && near(s, {505, 16}, below) && near(s, {775, 16}, below) &&
           near(s, {640, 40}, below);
}
// Open: its black edges well below the notch, the window below beside them.
bool openShown(const QImage& s) {
    return near(s, {openLeft + 4, 120}, black) && near(s, {openRight - 4, 120}, black) &&
           near(s, {openLeft - 6, 120}, below) && near(s, {openRight + 6, 120}, below);
}

// One sway for all the cases.
std::unique_ptr<SwayServer>& server() {
    static std::unique_ptr<SwayServer> instance;
    return instance;
}

class NotchOnWayland : public BusTest {
protected:
    void SetUp() override {
        BusTest::SetUp();
        if (IsSkipped())
            return;
        static std::string why;
        if (!server() && why.empty() && !(server() = SwayServer::start(why)))
            why = "no headless sway: " + why;
        if (!server())
            GTEST_SKIP() << why;
        pointer = VirtualPointer::connect(server()->socketPath(), {1280, 800});
        ASSERT_NE(pointer, nullptr) << "sway offers no virtual pointer";
        ASSERT_TRUE(pointer->addKeyboard()) << "sway offers no virtual keyboard";
        pointer->moveTo(parked);
        // A window of another process over the whole output, below the notch.
        QProcessEnvironment environment = server()->clientEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        clickWindow.setProcessEnvironment(environment);
        clickWindow.start(QStringLiteral(FADEBIN_CLICK_WINDOW), {toQString(clicksFile())});
        ASSERT_TRUE(shows([](const QImage& s) { return near(s, {1200, 700}, below); }));
        writeOnboardedSettings(home,
                               R"({"autoDismissSeconds": 60, "defaultAction": "thirtyMinutes"})");
        ASSERT_TRUE(program.start({}, server()->clientEnvironment())) << program.log();
        ASSERT_TRUE(shows(shutShown, 30s)) << "no notch at the top centre\n" + program.log();
    }
    void TearDown() override {
        clickWindow.kill();
        clickWindow.waitForFinished(10'000);
    }

    static bool shows(const std::function<bool(const QImage&)>& shown,
                      std::chrono::milliseconds timeout = 10s) {
        return waitFor([&] { return shown(server()->screenshot()); }, timeout);
    }
    [[nodiscard]] path clicksFile() const { return home.root() / "clicks"; }
    [[nodiscard]] QStringList clicks() const {
        return QString::fromStdString(readFile(clicksFile())).split('\n', Qt::SkipEmptyParts);
    }

    // Whether the window below has said this line (of its focus and keys) since it started.
    bool windowSaid(const QByteArray& line) {
        windowOutput += clickWindow.readAllStandardOutput();
        return windowOutput.split('\n').contains(line);
    }

    Program program{home};
    std::unique_ptr<VirtualPointer> pointer;
    QProcess clickWindow;
    QByteArray windowOutput;
};

// Hover and a download open a layer surface whose input region follows the outline: clicks
// beside it reach the window below, clicks on the row schedule. A second launch shows settings.
TEST_F(NotchOnWayland, TheLayerSurfaceTakesInputInsideItsOutlineOnlyAndALaunchShowsSettings) {
    pointer->moveTo({640, 2});
    ASSERT_TRUE(shows(openShown)) << program.log();
    pointer->moveTo(parked);
    ASSERT_TRUE(shows(shutShown)) << program.log();

    writeDownload(home.downloads(), "report.pdf");
    const QPoint corner(openLeft + 1, 1);
    ASSERT_TRUE(shows([&](const QImage& s) { return openShown(s) && near(s, corner, below); }, 30s))
        << program.log();
    for (const QJsonValue& w : server()->windows())
        EXPECT_NE(w["pid"].toInteger(), program.pid()) << "the notch became a window";
    const QPointF beside(300, 300);
    for (const QPointF& p : {QPointF(corner), beside})
        pointer->clickAt(p);
    const auto at = [](QPointF p) { return QStringLiteral("%1 %2").arg(p.x()).arg(p.y()); };
    ASSERT_TRUE(waitFor([&] { return clicks().contains(at(beside)); }));
    EXPECT_EQ(clicks(), (QStringList{at(corner), at(beside)}));

    const PendingRowPoints row = pendingRowPoints();
    const QPointF origin(openLeft, 0);
    ASSERT_TRUE(shows([&](const QImage& s) {
        return s.pixelColor((origin + row.done + QPointF(28, 0)).toPoint()).lightness() > 200;
    })) << "the row was never drawn\n" + program.log();
    pointer->clickAt(origin + row.oneHour);
    pointer->clickAt(origin + row.done);
    EXPECT_TRUE(reaches(home, "report.pdf", "scheduled")) << program.log();

    QProcess second;
    second.setProcessEnvironment(server()->clientEnvironment());
    second.start(QStringLiteral(FADEBIN_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(60'000) && second.exitCode() == 0);
    QRect rect; // the settings window's, from sway's tree
    const auto settingsShown = [&] {
        for (const QJsonValue& w : server()->windows())
            if (w["pid"].toInteger() == program.pid() &&
                w["app_id"].toString() == QLatin1String("com.ostrel.Fadebin")) {
                const QJsonObject r = w["rect"].toObject();
                rect = {r["x"].toInt(), r["y"].toInt(), r["width"].toInt(), r["height"].toInt()};
            }
        return !rect.isEmpty();
    };
    ASSERT_TRUE(waitFor(settingsShown, 30s))
        << QJsonDocument(server()->tree()).toJson().toStdString() << program.log();
    // Drawn: low in it, below the open notch, is neither the window below nor black.
    const QPoint inside(rect.center().x(), rect.bottom() - rect.height() / 4);
    EXPECT_TRUE(
        shows([&](const QImage& s) { return !near(s, inside, below) && !near(s, inside, black); }));
}

// `fadebin show` takes the keyboard from the window below, keys decide, Escape gives it back.
TEST_F(NotchOnWayland, ShowTakesTheKeyboardKeysDecideAndEscapeGivesItBack) {
    ASSERT_TRUE(waitFor([&] { return windowSaid("focus in"); })) << windowOutput.toStdString();
    pointer->type({KEY_A});
    ASSERT_TRUE(waitFor([&] { return windowSaid("key a"); })) << windowOutput.toStdString();
    windowOutput.clear();
    for (const char* name : {"first.txt", "second.txt"}) {
        writeDownload(home.downloads(), name);
        ASSERT_TRUE(reaches(home, name, "pending", 30s)) << name << "\n" + program.log();
    }
    EXPECT_FALSE(windowSaid("focus out")) << "a download took the keyboard";

    ASSERT_TRUE(runProgram({"show"}).succeeded());
    ASSERT_TRUE(waitFor([&] { return windowSaid("focus out"); })) << program.log();
    ASSERT_TRUE(shows(openShown));
    // On the newest: up to the first, down again; one step right of the default is 1 hour.
    pointer->type({KEY_UP, KEY_DOWN, KEY_RIGHT, KEY_ENTER});
    const double decidedAt = unixNow();
    ASSERT_TRUE(reaches(home, "second.txt", "scheduled")) << program.log();
    EXPECT_NEAR(readRecord(home, "second.txt").expiresAt.value_or(0), decidedAt + 3600, 10);
    EXPECT_FALSE(windowSaid("key ")) << "a key reached the window below";

    windowOutput.clear();
    pointer->type({KEY_ESC});
    EXPECT_TRUE(shows(shutShown)) << program.log();
    ASSERT_TRUE(waitFor([&] { return windowSaid("focus in"); })) << windowOutput.toStdString();
    pointer->type({KEY_B});
    EXPECT_TRUE(waitFor([&] { return windowSaid("key b"); })) << windowOutput.toStdString();
    EXPECT_EQ(readRecord(home, "first.txt").status, "pending");
}

// Screen readers cannot present the layer-shell notch: while one runs, notifications ask.
TEST_F(NotchOnWayland, WhileAScreenReaderRunsDownloadsAreAskedAboutWithNotifications) {
    QDBusConnection connection = bus.connect(QStringLiteral("reader"));
    if (!setScreenReaderEnabled(connection, true))
        GTEST_SKIP() << "no accessibility bus launcher (Debian package at-spi2-core)";
    EXPECT_TRUE(
        program.logs("A screen reader runs: new downloads are asked about with notifications"))
        << program.log();
}

// Without a layer shell it says there is no notch; without a seat a launch shows settings.
using WaylandWithoutLayerShellOrSeat = BusTest;
TEST_F(WaylandWithoutLayerShellOrSeat, TheProgramSaysThereIsNoNotchAndShowsItsSettings) {
    std::string why;
    const auto weston = SwayServer::startWeston(why);
    if (!weston)
        GTEST_SKIP() << "no headless weston: " << why;
    writeOnboardedSettings(home);
    Program program{home};
    ASSERT_TRUE(program.start({}, weston->clientEnvironment())) << program.log();
    const std::string& log = program.log();
    EXPECT_NE(log.find("Wayland session: no notch available"), std::string::npos) << log;
    EXPECT_NE(log.find(noNotchText().toStdString()), std::string::npos) << log;

    QProcess second;
    second.setProcessEnvironment(weston->clientEnvironment());
    second.start(QStringLiteral(FADEBIN_PROGRAM), {});
    ASSERT_TRUE(second.waitForFinished(60'000) && second.exitCode() == 0);
    ASSERT_TRUE(program.logs("Showing the settings window")) << program.log();
    writeDownload(home.downloads(), "after.pdf");
    EXPECT_TRUE(reaches(home, "after.pdf", "pending", 30s)) << program.log();
    EXPECT_NE(program.pid(), 0) << program.log();
}

} // namespace

// A GUI application for the content laid out here, offscreen: the program has the compositor.
int main(int argc, char** argv) {
    return runGuiTests(argc, argv, {.afterTests = [] { server().reset(); }});
}
