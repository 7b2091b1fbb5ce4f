#include "periphery/DesktopStyle.h"
#include "periphery/FeedbackWindow.h"
#include "periphery/HttpServer.h"
#include "periphery/SettingsWindow.h"
#include "periphery/UpdateManager.h"
#include "periphery/WindowDriver.h"
#include "platform/DirectoryEvents.h"
#include "support/ScopedMount.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScopeGuard>
#include <QTest>

#include <gtest/gtest.h>

using namespace fadebin;
using namespace fadebin::test;
using namespace std::chrono_literals;

namespace {

// The settings window over a real model and settings, with the update checker and the
// feedback window it opens.
struct SettingsScene {
    explicit SettingsScene(const char* stored = nullptr, std::optional<QUrl> feed = {},
                           std::optional<QUrl> feedbackEndpoint = {},
                           QString version = appVersionString())
        : world(stored)
        , updates(world.clock, world.network, feed, QStringLiteral("1.2"), QStringLiteral("12"))
        , feedback(world.engine, world.clock, world.network, feedbackEndpoint)
        , settingsWindow(world.engine, world.model, world.settings, updates, feedback,
                         std::move(version)) {
        settingsWindow.setOnQuit([this] { ++quits; });
    }

    QQuickWindow* show() { return shown(settingsWindow); }
    QJsonValue stored(const char* key) const { return world.storedSettings().value(key); }

    WindowWorld world;
    UpdateManager updates;
    FeedbackWindow feedback;
    SettingsWindow settingsWindow;
    int quits = 0;
};

void pickFromCombo(QQuickWindow* window, const QString& name, Qt::Key direction) {
    click(window, name);
    press(window, direction);
    press(window, Qt::Key_Return);
}

} // namespace

TEST(SettingsWindow, EveryControlWritesItsKeyWithItsJsonType) {
    SettingsScene scene;
    scene.world.model.start();
    ASSERT_TRUE(scene.world.model.watcher()->isWatching());
    QQuickWindow* window = scene.show();

    click(window, "launchAtLogin");
    EXPECT_TRUE(scene.world.settings.launchAtLogin());
    EXPECT_TRUE(std::filesystem::exists(scene.world.loginItem.entryPath()));
    click(window, "pauseWatching");
    EXPECT_EQ(scene.stored("pauseWatching"), QJsonValue(true));
    EXPECT_FALSE(scene.world.model.watcher()->isWatching());
    click(window, "pauseWatching");
    EXPECT_EQ(scene.stored("pauseWatching"), QJsonValue(false));
    EXPECT_TRUE(scene.world.model.watcher()->isWatching());
    pickFromCombo(window, "deletionMethod", Qt::Key_Down);
    EXPECT_EQ(scene.stored("deletionMethod"), QJsonValue("permanent"));
    click(window, "applyFinderTag");
    EXPECT_EQ(scene.stored("applyFinderTag"), QJsonValue(true));

    click(window, "tab.notch");
    EXPECT_TRUE(
        showsText(window, "New downloads open the notch automatically. Hovering works too."));
    click(window, "displayMode.hoverOnly");
    EXPECT_EQ(scene.stored("displayMode"), QJsonValue("hoverOnly"));
    EXPECT_TRUE(showsText(
        window, "Nothing pops up. Hover the notch to see new downloads and pick a time."));
    EXPECT_EQ(textOf(window, "autoDismissText"), "8 s");
    click(window, "autoDismissSeconds", QPointF(0.99, 0.5));
    EXPECT_EQ(scene.stored("autoDismissSeconds"), QJsonValue(60.0));
    EXPECT_EQ(textOf(window, "autoDismissText"), "60 s");
    click(window, "pendingGraceMinutes", QPointF(0.01, 0.5));
    EXPECT_EQ(scene.stored("pendingGraceMinutes"), QJsonValue(1.0));
    EXPECT_EQ(textOf(window, "pendingGraceText"), "1 min");
    pickFromCombo(window, "defaultAction", Qt::Key_Up);
    EXPECT_EQ(scene.stored("defaultAction"), QJsonValue("tenDays"));
    click(window, "showScheduledCount");
    EXPECT_EQ(scene.stored("showScheduledCount"), QJsonValue(false));

    click(window, "tab.files");
    click(window, "excludedExtensions");
    type(window, "pdf, zip");
    EXPECT_EQ(scene.stored("excludedExtensions"), QJsonValue("pdf, zip"));
    EXPECT_EQ(scene.world.settings.excludedExtensions(), (QSet<QString>{"pdf", "zip"}));
    click(window, "showTestTimers");
    EXPECT_EQ(scene.stored("showTestTimers"), QJsonValue(true));
}

// Which stored texts are colours is the settings' table; here the window shows what they read.
TEST(SettingsWindow, RingColoursShowWhatTheSettingsReadAndPickingWritesUpperCaseHex) {
    SettingsScene scene(R"({"countColorHex": " #40f2ff ", "countdownColorHex": "#40G2FF"})");
    QQuickWindow* window = scene.show();
    click(window, "tab.notch");
    EXPECT_EQ(findItem(window, "countColor")->property("color").value<QColor>(), QColor("#40F2FF"));
    EXPECT_EQ(findItem(window, "countdownColor")->property("color").value<QColor>(),
              QColor("#FF9EF2"));
    EXPECT_EQ(scene.stored("countdownColorHex"), QJsonValue("#40G2FF")) << "never rewritten";
    const QImage closed = window->grabWindow();
    click(window, "countColor");
    QObject* dialog = findObject(window, "countColorDialog");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->property("visible").toBool());
    // The picker stands clear of the window's edges, whole, over the window dimmed.
    QRectF frame;
    for (QObject* child : window->findChildren<QObject*>())
        if (child->inherits("QQuickColorDialogImpl") && child->property("visible").toBool())
            frame = QRectF(child->property("x").toReal(), child->property("y").toReal(),
                           child->property("width").toReal(), child->property("height").toReal());
    EXPECT_TRUE(QRectF(QPointF(), window->size()).adjusted(24, 24, -24, -24).contains(frame))
        << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    const QPoint beside(int(frame.left() / 2), int(frame.center().y()));
    EXPECT_LT(qGray(window->grabWindow().pixel(beside)), qGray(closed.pixel(beside)) - 8);
    // The picker's square is drawn (Qt's own is a shader the software renderer leaves
    // blank): the middle of its top edge is the pure hue, cyan here.
    QQuickItem* field =
        findItem(window, "colorPicker")->property("contentItem").value<QQuickItem*>();
    ASSERT_NE(field, nullptr);
    settle(window);
    const QImage shown = window->grabWindow();
    const QColor corner = shown.pixelColor(
        field->mapToScene(QPointF(field->width() * 0.5, field->height() * 0.05)).toPoint());
    EXPECT_LT(corner.red(), 120);
    EXPECT_GT(corner.green(), 200);
    EXPECT_GT(corner.blue(), 200);
    savePicture(window, "settings-colour-dialog");
    dialog->setProperty("selectedColor", QColor(0x1a, 0x2b, 0xfe));
    QMetaObject::invokeMethod(dialog, "accept");
    settle(window);
    EXPECT_EQ(scene.stored("countColorHex"), QJsonValue("#1A2BFE"));
    EXPECT_EQ(findItem(window, "countColor")->property("color").value<QColor>(), QColor("#1A2BFE"));
    click(window, "resetColors");
    EXPECT_EQ(scene.stored("countColorHex"), QJsonValue("#40F2FF"));
    EXPECT_EQ(scene.stored("countdownColorHex"), QJsonValue("#FF9EF2"));
}

TEST(SettingsWindow, AccessGroupShowsWhileDownloadsIsUnreadable) {
    SettingsScene scene;
    scene.world.denyDownloads();
    scene.world.model.start();
    QQuickWindow* window = scene.show();
    EXPECT_TRUE(showsText(window, toQString(scene.world.home.downloads())));
    EXPECT_TRUE(isShown(window, "accessDenied"));
    EXPECT_TRUE(showsText(window, "Downloads access is off"));
    click(window, "showFolder");
    EXPECT_EQ(scene.world.workspace.shownFolders.size(), 1u);
    savePicture(window, "settings-general-access-off");

    scene.world.allowDownloads();
    click(window, "retryAccess");
    EXPECT_FALSE(isShown(window, "accessDenied"));
    EXPECT_TRUE(scene.world.model.watcher()->isWatching());
}

TEST(SettingsWindow, AccessGroupNamesAFullInotifyTableInsteadOfTheFolder) {
    SettingsScene scene;
    auto& calls = DirectoryEvents::kernelCalls();
    const DirectoryEvents::KernelCalls real = calls;
    const auto restore = qScopeGuard([&] { calls = real; });
    calls.init = [](int) { return errno = EMFILE, -1; };
    scene.world.model.start();
    QQuickWindow* window = scene.show();
    EXPECT_TRUE(isShown(window, "watchLimit"));
    EXPECT_FALSE(isShown(window, "accessDenied"));
    EXPECT_EQ(textOf(window, "watchLimitText"),
              "Fadebin can't watch Downloads: the system's limit of watched folders is reached "
              "(fs.inotify.max_user_instances)");
    savePicture(window, "settings-general-watch-limit");

    calls = real;
    click(window, "retryWatching");
    EXPECT_FALSE(isShown(window, "watchLimit"));
    EXPECT_TRUE(scene.world.model.watcher()->isWatching());
}

TEST(SettingsWindow, AccessGroupSaysWhenDecisionsCannotBeSaved) {
    SettingsScene scene;
    const path data = scene.world.home.dataHome() / "Fadebin";
    std::filesystem::create_directories(data);
    const auto disk = ScopedMount::tmpfs(data, "size=200k");
    if (!disk)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
    scene.world.model.start();
    fillDisk(data / "filler");
    // The filler may leave a few pages free; take files in until a save fails.
    for (int i = 0; i < 200 && scene.world.model.storageProblem().isEmpty(); ++i) {
        const path file = scene.world.home.downloads() / ("f" + std::to_string(i));
        writeFile(file, std::string(2000, 'n'));
        [[maybe_unused]] const auto taken = scene.world.model.takeIn(file);
    }
    QQuickWindow* window = scene.show();
    EXPECT_TRUE(isShown(window, "storageProblem"));
    EXPECT_EQ(textOf(window, "storageProblemText"),
              "Fadebin can't save its records: the disk is full");
    savePicture(window, "settings-general-storage-problem");
    std::filesystem::remove(data / "filler");
    scene.world.clock.advance(ExpiryStore::longestSaveRetry);
    EXPECT_FALSE(isShown(window, "storageProblem"));
}

TEST(SettingsWindow, ProgramGroupShowsVersionUpdatesFeedbackAndQuits) {
    {
        SettingsScene bare(nullptr, {}, {}, versionString(QStringLiteral("1.2"), std::nullopt));
        QQuickWindow* window = bare.show();
        EXPECT_EQ(textOf(window, "versionText"), "1.2 (?)");
        EXPECT_FALSE(isShown(window, "checkForUpdates")) << "no feed, no update button";
        EXPECT_FALSE(isShown(window, "sendFeedback")) << "no endpoint, no feedback button";
        click(window, "quit");
        EXPECT_EQ(bare.quits, 1);
    }

    HttpServer server;
    server.respond(
        "/appcast.xml",
        HttpServer::answer(200, "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/"
                                "sparkle\"><channel><item><sparkle:version>13</sparkle:version>"
                                "</item></channel></rss>"));
    SettingsScene scene(nullptr, server.url("/appcast.xml"), server.url("/api/feedback"));
    QQuickWindow* window = scene.show();
    EXPECT_EQ(textOf(window, "checkForUpdates"), "Check for Updates…");
    click(window, "checkForUpdates");
    ASSERT_TRUE(waitFor([&] { return !scene.updates.isChecking(); }));
    settle(window);
    EXPECT_EQ(textOf(window, "checkForUpdates"), "Update Available…");
    EXPECT_EQ(server.requests().size(), 1u);

    click(window, "sendFeedback");
    ASSERT_NE(scene.feedback.window(), nullptr);
    EXPECT_TRUE(scene.feedback.window()->isVisible());

    // Closing hides the window; showing it again brings back the same one.
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(scene.show(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST(SettingsWindow, EscapeAndCtrlWClose) {
    SettingsScene scene;
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Escape, Qt::KeyboardModifiers()}, {Qt::Key_W, Qt::ControlModifier}}) {
        QQuickWindow* window = scene.show();
        click(window, "tab.notch");
        press(window, key, modifiers);
        EXPECT_FALSE(window->isVisible()) << key;
    }
}

TEST(SettingsWindow, PicturesOfEveryTabInLightAndDark) {
    HttpServer server;
    SettingsScene scene(nullptr, server.url("/appcast.xml"), server.url("/api/feedback"));
    scene.world.model.start();
    const QPalette light = QGuiApplication::palette();
    for (const auto& [scheme, palette] : {std::pair{"light", light}, {"dark", darkPalette()}}) {
        QGuiApplication::setPalette(palette);
        QQuickWindow* window = scene.show();
        for (const char* tab : {"general", "notch", "files"}) {
            click(window, QStringLiteral("tab.%1").arg(tab));
            savePicture(window, QStringLiteral("settings-%1-%2").arg(tab, scheme));
        }
        click(window, "tab.notch");
        click(window, "countdownColor");
        savePicture(window, QStringLiteral("settings-colour-dialog-%1").arg(scheme));
        QMetaObject::invokeMethod(findObject(window, "countdownColorDialog"), "reject");
        click(window, "tab.general");
    }
    QGuiApplication::setPalette(light);
}
