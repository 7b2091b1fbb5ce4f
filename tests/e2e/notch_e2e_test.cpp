// The built program with its notch on a private X server, driven with the real pointer
// (xdotool) and watched through the X server: the panel's window is where it is drawn.
// Where to click is found by laying out the same content in this process (offscreen) and
// looking its items up by name.
#include "e2e/PendingRow.h"
#include "e2e/ProgramFixture.h"
#include "support/ScopedMount.h"
#include "support/X11TestTools.h"

#include <QColor>
#include <QImage>
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

    // The panel's own pixels (it has its own depth, which the root window's image lacks),
    // from its top left; a null image when it is not there.
    [[nodiscard]] QImage panelImage() const {
        const auto [window, frame] = panel();
        XImage* image = window == 0 ? nullptr
                                    : XGetImage(m_x, window, 0, 0, frame.width(), frame.height(),
                                                AllPlanes, ZPixmap);
        if (image == nullptr)
            return {};
        QImage shot(frame.size(), QImage::Format_RGB32);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                shot.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xff000000u);
        XDestroyImage(image);
        return shot;
    }

    // How light the panel is at a point of it, 0 to 255 (-1 when it is not there).
    [[nodiscard]] int lightnessAt(QPointF p) const {
        const QImage image = panelImage();
        return image.valid(p.toPoint()) ? image.pixelColor(p.toPoint()).lightness() : -1;
    }

    // The open panel's content is drawn below the notch on the X server.
    void screenshot(const QString& name) const {
        const auto drawn = [&] {
            const QImage image = panelImage();
            for (int y = collapsedNotchFrame.height() + 8; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    if (image.pixelColor(x, y).lightness() > 200)
                        return true;
            return false;
        };
        EXPECT_TRUE(waitFor(drawn, 10s)) << name.toStdString() << " never drawn";
    }

    TempHome home;
    Program program{home};
};

TEST_F(NotchEndToEnd, FinishedDownloadOpensThePanelWhichClosesAfterAutoDismiss) {
    startProgram(R"({"autoDismissSeconds": 1.5})");
    writeDownload(home.downloads(), "report.pdf");
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    const auto openedAt = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitFor([&] { return readRecord(home, "report.pdf").status == "pending"; }));
    screenshot(QStringLiteral("new-download"));
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 20s)) << program.log();
    // 1.5 s untouched, then 0.55 s for the shape to close before the frame shrinks.
    EXPECT_GE(std::chrono::steady_clock::now() - openedAt, 1900ms);
}

TEST_F(NotchEndToEnd, PointerOnTheNotchOpensItAndLeavingClosesIt) {
    startProgram("{}");
    pointerTo(640, 0); // the screen's top row
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 10s)) << program.log();
    screenshot(QStringLiteral("hovered-empty"));
    pointerTo(640, 700);
    ASSERT_TRUE(waitFor([&] { return panelFrame() == collapsedNotchFrame; }, 10s)) << program.log();
    // Beside the notch nothing opens.
    pointerTo(collapsedNotchFrame.right() + 3, 10);
    EXPECT_FALSE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 1s));
}

TEST_F(NotchEndToEnd, RealClicksOnTheOpenRowScheduleTheFile) {
    startProgram(R"({"autoDismissSeconds": 60})");
    writeDownload(home.downloads(), "invoice.pdf");
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    const QPointF origin = expandedNotchFrame.topLeft();
    const PendingRowPoints row = pendingRowPoints();
    ASSERT_EQ(row.panelWidth, expandedNotchFrame.width()) << "laid out at another width";
    const QPointF oneHour = row.oneHour;
    const QPointF done = row.done;
    // Drawn: the prominent "Done" is near white, beside its label, once the content is in.
    ASSERT_TRUE(waitFor([&] { return lightnessAt(done + QPointF(28, 0)) > 200; }, 10s))
        << program.log();
    pointerTo(origin.x() + oneHour.x(), origin.y() + oneHour.y());
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    // The selection ring around "1h": its top edge is the segment's top row.
    const QPointF ring{oneHour.x(), row.oneHourTop + 0.25};
    ASSERT_TRUE(waitFor([&] { return lightnessAt(ring) > 150; }, 10s));
    screenshot(QStringLiteral("one-hour-selected"));
    pointerTo(origin.x() + done.x(), origin.y() + done.y());
    xdotool({QStringLiteral("click"), QStringLiteral("1")});
    const double clickedAt = unixNow();
    ASSERT_TRUE(waitFor([&] { return readRecord(home, "invoice.pdf").status == "scheduled"; }))
        << program.log();
    EXPECT_NEAR(readRecord(home, "invoice.pdf").expiresAt.value_or(0), clickedAt + 3600, 10);
    EXPECT_NEAR(test::expiryAttribute(home.downloads() / "invoice.pdf").value_or(0),
                clickedAt + 3600, 10);
}

TEST_F(NotchEndToEnd, RecordsThatCannotBeSavedAreToldOnTheScreenAndSavedOnceThereIsRoom) {
    const path records = home.dataHome() / "Fadebin";
    std::filesystem::create_directories(records);
    const auto disk = ScopedMount::tmpfs(records, "size=200k");
    if (!disk)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    startProgram(R"({"autoDismissSeconds": 60})");
    fillDisk(records / "filler");
    for (int i = 0; i < 40 && program.log().find("Save failed") == std::string::npos; ++i)
        writeDownload(home.downloads(), "gallery-" + std::to_string(i) + ".zip");
    ASSERT_TRUE(
        waitFor([&] { return program.log().find("Save failed") != std::string::npos; }, 30s))
        << program.log();
    ASSERT_TRUE(waitFor([&] { return panelFrame() == expandedNotchFrame; }, 30s)) << program.log();
    screenshot(QStringLiteral("storage-problem"));
    std::filesystem::remove(records / "filler");
    EXPECT_TRUE(waitFor(
        [&] { return program.log().find("Records saved again") != std::string::npos; }, 70s))
        << program.log();
    EXPECT_EQ(readRecord(home, "gallery-0.zip").status, "pending");
}

} // namespace

// The content is laid out here offscreen: the program has the X server. Its root is black:
// where the shaped panel is cut away its window's pixels are the screen's, and only the
// content may read as light.
int main(int argc, char** argv) {
    return fadebin::test::runOnXvfb(argc, argv, false, {"-br"});
}
