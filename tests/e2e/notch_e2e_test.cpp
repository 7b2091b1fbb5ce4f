// The built program with its notch on a private X server, driven with the real pointer
// (xdotool) and watched through the X server: the panel's window is where it is drawn.
// Where to click is found by laying out the same content in this process (offscreen) and
// looking its items up by name.
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "support/X11TestTools.h"

#include <QColor>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

// Xlib last: its macros would break Qt's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class NotchEndToEnd : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (m_x != nullptr)
            pointerTo(640, 700);
    }
    void TearDown() override {
        program.kill();
        X11Test::TearDown();
    }

    void startProgram(const std::string& settingsJson) {
        // The first-run window would sit above the panel on a server without a window
        // manager; these tests are about the notch.
        QJsonObject settings =
            QJsonDocument::fromJson(QByteArray::fromStdString(settingsJson)).object();
        settings.insert(QStringLiteral("hasCompletedOnboarding"), true);
        writeSettings(home, QJsonDocument(settings).toJson().toStdString());
        ASSERT_TRUE(program.start(qgetenv("DISPLAY").toStdString())) << program.log();
        ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 30s))
            << "no collapsed panel on the screen\n"
            << program.log();
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

    TempHome home;
    Program program{home};
};

// Through the real X server: hover opens and leaving closes the notch at the top centre, a
// download opens it, and real clicks on its row schedule the file. The states' timing and
// the auto-dismiss are the controller tests' (notch_controller*_test).
TEST_F(NotchEndToEnd, HoverAndADownloadOpenItAndRealClicksOnTheRowScheduleTheFile) {
    startProgram(R"({"autoDismissSeconds": 60})");
    pointerTo(640, 0); // the screen's top row
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 10s)) << program.log();
    pointerTo(640, 700);
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 10s)) << program.log();
    // Beside the notch nothing opens.
    pointerTo(collapsedNotchFrame.right() + 3, 10);
    EXPECT_FALSE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 1s));
    pointerTo(640, 700);

    writeDownload(home.downloads(), "invoice.pdf");
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    const QPointF origin = expandedNotchFrame.topLeft();
    const PendingRowPoints row = pendingRowPoints();
    ASSERT_EQ(row.panelWidth, expandedNotchFrame.width()) << "laid out at another width";
    // Drawn: the prominent "Done" is near white, beside its label, once the content is in.
    ASSERT_TRUE(waitFor([&] { return lightnessAt(row.done + QPointF(28, 0)) > 200; }, 10s))
        << program.log();
    pointerTo(origin.x() + row.oneHour.x(), origin.y() + row.oneHour.y());
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    // The selection ring around "1h": its top edge is the segment's top row.
    ASSERT_TRUE(waitFor(
        [&] {
            return lightnessAt({row.oneHour.x(), row.oneHourTop + 0.25}) > 150;
        },
        10s));
    pointerTo(origin.x() + row.done.x(), origin.y() + row.done.y());
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    const double clickedAt = unixNow();
    ASSERT_TRUE(waitFor([&] { return readRecord(home, "invoice.pdf").status == "scheduled"; }))
        << program.log();
    EXPECT_NEAR(readRecord(home, "invoice.pdf").expiresAt.value_or(0), clickedAt + 3600, 10);
    EXPECT_NEAR(test::expiryAttribute(home.downloads() / "invoice.pdf").value_or(0),
                clickedAt + 3600, 10);
}

} // namespace

// The content is laid out here offscreen: the program has the X server. Its root is black:
// where the shaped panel is cut away its window's pixels are the screen's, and only the
// content may read as light.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-br"});
}
