#pragma once

#include "notch/NotchFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QPointF>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QString>
#include <QTest>

#include <ostream>

// Readable JSON values in test failures.
inline void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

class QQuickItem;

namespace fadebin::test {

// What a window of the program stands on: the model world, one QML engine and one network
// manager.
struct WindowWorld : ModelWorld {
    using ModelWorld::ModelWorld;
    // The settings file as JSON, read back from disk.
    [[nodiscard]] QJsonObject storedSettings() const;
    // Makes Downloads unreadable: mode 000, and where that does not stop this process (it
    // runs as root, as in CI), the folder is moved away as well. allowDownloads undoes both.
    void denyDownloads();
    void allowDownloads();

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
// The item with this objectName anywhere in the window's item tree (popups included).
[[nodiscard]] QQuickItem* findItem(QQuickWindow* window, const QString& name);
// Any object with this objectName held by an item of the window (dialogs, for instance).
[[nodiscard]] QObject* findObject(QQuickWindow* window, const QString& name);
// Whether the item is there and shown (it and every ancestor visible).
[[nodiscard]] bool isShown(QQuickWindow* window, const QString& name);
[[nodiscard]] QString textOf(QQuickWindow* window, const QString& name);
// Whether some shown item of the window displays exactly this text.
[[nodiscard]] bool showsText(QQuickWindow* window, const QString& text);
// Clicks the middle of a named item, or a point in it given as fractions of its size.
void click(QQuickWindow* window, const QString& name, QPointF at = QPointF(0.5, 0.5));
void press(QQuickWindow* window, Qt::Key key, Qt::KeyboardModifiers modifiers = {});
void type(QQuickWindow* window, const QString& text);
void settle(QQuickWindow* window);
// Renders the window into FADEBIN_PICTURES_DIR/NAME.png for people to look at.
void savePicture(QQuickWindow* window, const QString& name);

} // namespace fadebin::test
