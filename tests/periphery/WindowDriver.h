#pragma once

#include "periphery/FeedbackWindow.h"
#include "periphery/SettingsWindow.h"
#include "periphery/UpdateManager.h"
#include "support/ModelWorld.h"
#include "support/QuickDriver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>

#include <ostream>

// Readable JSON values in test failures.
inline void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

namespace fadebin::test {

// What a window of the program stands on: the model world, a QML engine, a network manager.
struct WindowWorld : ModelWorld {
    using ModelWorld::ModelWorld;
    // The settings file as JSON, read back from disk.
    [[nodiscard]] QJsonObject storedSettings() const {
        return QJsonDocument::fromJson(QByteArray::fromStdString(readFile(defaults.filePath())))
            .object();
    }
    // Makes Downloads unreadable: mode 000, and where that does not stop this process (root,
    // as in CI), the folder is moved away as well. allowDownloads undoes both.
    void denyDownloads() {
        std::filesystem::permissions(home.downloads(), std::filesystem::perms::none);
        if (listNames(home.downloads()))
            std::filesystem::rename(home.downloads(), home.root() / "Downloads.away");
    }
    void allowDownloads() {
        if (std::filesystem::exists(home.root() / "Downloads.away"))
            std::filesystem::rename(home.root() / "Downloads.away", home.downloads());
        std::filesystem::permissions(home.downloads(), std::filesystem::perms::owner_all);
    }

    QNetworkAccessManager network;
    QQmlEngine engine;
};

// Shows a window of the program and waits until it is on screen.
template <class Host> QQuickWindow* shown(Host& host) {
    host.show();
    QQuickWindow* window = host.window();
    EXPECT_TRUE(window && QTest::qWaitForWindowExposed(window));
    return window;
}

// The settings window over a real model and settings, with the updates and feedback it opens.
struct SettingsScene {
    explicit SettingsScene(std::optional<QUrl> feed = {}, std::optional<QUrl> feedbackEndpoint = {},
                           QString version = appVersionString())
        : updates(world.clock, world.network, feed, QStringLiteral("1.2"), QStringLiteral("12"))
        , feedback(world.engine, world.clock, world.network, feedbackEndpoint)
        , settingsWindow(world.engine, world.model, world.settings, updates, feedback,
                         std::move(version)) {
        settingsWindow.setOnQuit([] {}); // Quit ends no test run
    }

    QQuickWindow* show() { return shown(settingsWindow); }
    QJsonValue stored(const char* key) const { return world.storedSettings().value(key); }

    WindowWorld world;
    UpdateManager updates;
    FeedbackWindow feedback;
    SettingsWindow settingsWindow;
};

// An update feed of these items.
inline QByteArray feed(const QByteArray& items) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/"
           "xml-namespaces/sparkle\"><channel><title>Fadebin</title>" +
           items + "</channel></rss>";
}

// An update feed of one item: its build number and the version shown for it.
inline QByteArray feedWith(const QByteArray& build, const QString& shortVersion) {
    const QByteArray shown = shortVersion.toHtmlEscaped().toUtf8();
    return feed("<item><title>Fadebin</title><link>https://fadebin.example/releases/" + build +
                "</link><sparkle:shortVersionString>" + shown +
                "</sparkle:shortVersionString>"
                "<enclosure url=\"https://fadebin.example/fadebin.deb\" sparkle:version=\"" +
                build + "\"/></item>");
}

} // namespace fadebin::test
