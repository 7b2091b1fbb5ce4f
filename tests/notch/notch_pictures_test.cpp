// Renders every state of the notch to PNG files under the build folder, for people to look
// at (build/notch-states/*.png): the panel's whole frame at twice the size, over a grey
// desktop so that the shape's outline shows.
#include "ContentFixture.h"
#include "notch/SoftwareRendering.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

class Pictures : public ::testing::Test, public ContentFixture {
protected:
    void save(const QString& name) {
        // What is behind the panel: a grey desktop, so that the shape's outline shows.
        panel->setColor(backdrop);
        settle();
        const QImage picture = panel->grabWindow();
        ASSERT_FALSE(picture.isNull());
        // The drawn shape is black at the top centre; some light text or icon is on it; the
        // desktop shows beside it.
        EXPECT_EQ(picture.pixelColor(picture.width() / 2, 1), QColor(Qt::black))
            << name.toStdString();
        EXPECT_EQ(picture.pixelColor(0, picture.height() - 1), backdrop) << name.toStdString();
        const Size shape = controller->shapeSize();
        const double ratio = picture.width() / static_cast<double>(panel->width());
        const int left = static_cast<int>((picture.width() - shape.width * ratio) / 2);
        bool light = false;
        for (int y = 0; y < shape.height * ratio && !light; ++y)
            for (int x = left; x < left + shape.width * ratio && !light; ++x)
                light = picture.pixelColor(x, y).lightness() > 100;
        EXPECT_TRUE(light) << name.toStdString() << " shows nothing";
        QDir().mkpath(QStringLiteral(FADEBIN_PICTURES));
        EXPECT_TRUE(picture.save(QStringLiteral(FADEBIN_PICTURES "/%1.png").arg(name)));
    }
    const QColor backdrop{0x8a, 0x8f, 0x98};
    void pendingFiles(int count) {
        const std::pair<const char*, const char*> files[] = {
            {"Quarterly report 2025 (final, reviewed).pdf", "https://www.example.org/r.pdf"},
            {"holiday-photos.zip", "https://cdn.example.net/z"},
            {"setup-tool_3.2.1_amd64.deb", "https://downloads.example.com/d"},
        };
        for (int i = 0; i < count; ++i)
            download(files[i].first, std::string(1'234'567 * (i + 1) % 9'000'000, 'x'),
                     files[i].second);
        settle();
    }
    void trackedFiles() {
        settings.setShowTestTimers(true);
        decided("invoice-4411.pdf", ExpiryOption::thirtyMinutes);
        decided("screen recording.mov", ExpiryOption::oneDay);
        decided("notes.txt", ExpiryOption::tenDays);
        settings.setShowTestTimers(false);
    }
};

TEST_F(Pictures, CollapsedStates) {
    save("collapsed-idle");
    trackedFiles();
    save("collapsed-scheduled-count");
    settings.setShowTestTimers(true);
    decided("almost-gone.txt", ExpiryOption::tenSeconds);
    advance(3s);
    ASSERT_TRUE(model.countdownDeadline().has_value());
    save("collapsed-countdown");
}

TEST_F(Pictures, PendingStates) {
    pendingFiles(1);
    controller->setSelectedPendingID(model.pendingFiles()[0]->id());
    open();
    save("expanded-one-pending-row");
    pendingFiles(3);
    controller->setSelectedPendingID(std::nullopt);
    settle();
    save("expanded-three-pending-apply-to-all");
    controller->setSelectedPendingID(model.pendingFiles()[1]->id());
    save("expanded-three-pending-one-open");
}

TEST_F(Pictures, TrackedStates) {
    trackedFiles();
    pendingFiles(1);
    open();
    click(QStringLiteral("time-screen recording.mov"));
    save("expanded-tracked-editor");
    click(QStringLiteral("more-invoice-4411.pdf"));
    save("expanded-menu-open");
    click(QStringLiteral("submenu-Change expiry"));
    save("expanded-change-expiry-menu");
}

TEST_F(Pictures, NoticesAndPages) {
    open();
    save("expanded-empty");
    controller->setDropTargeted(true);
    save("expanded-drop-prompt");
    controller->handleDrop({home.root() / "elsewhere.pdf"});
    save("expanded-drop-notice");
    advance(3s);
    open();
    const path aside = home.root() / "aside";
    std::filesystem::rename(home.downloads(), aside);
    model.checkDownloadsAccess();
    save("expanded-access-warning");
    std::filesystem::rename(aside, home.downloads());
    model.checkDownloadsAccess();
    pendingFiles(1);
    click(QStringLiteral("option-oneHour"));
    click(QStringLiteral("doneButton"));
    save("expanded-confirmation");
}

TEST_F(Pictures, PausedAndEmpty) {
    settings.setPauseWatching(true);
    open();
    save("expanded-paused-empty");
}

TEST_F(Pictures, Toasts) {
    controller->showToast(deletionToast({{"Quarterly report 2025 (final, reviewed).pdf"},
                                         FileKind::pdf,
                                         DeletionMethod::trash,
                                         clock.now()}));
    save("toast-moved-to-trash");
    advance(4s);
    controller->showToast(
        releaseToast({{"holiday-photos.zip", "notes.txt"}, FileKind::archive, clock.now()}));
    save("toast-moved-out");
}

TEST_F(Pictures, TwentyRowsScroll) {
    for (int i = 0; i < 20; ++i)
        decided("file-" + std::to_string(i) + ".bin", ExpiryOption::oneDay);
    open();
    save("expanded-twenty-rows");
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QT_SCALE_FACTOR", "2", 1);
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
