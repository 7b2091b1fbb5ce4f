#pragma once

#include "notch/NotchFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QPointF>
#include <QQmlEngine>
#include <QString>

#include <ostream>

// Readable JSON values in test failures.
inline void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

class QQuickItem;
class QQuickWindow;

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

// The item with this objectName anywhere in the window's item tree (popups included).
[[nodiscard]] QQuickItem* findItem(QQuickWindow* window, const QString& name);
// Any object with this objectName held by an item of the window (dialogs, for instance).
[[nodiscard]] QObject* findObject(QQuickWindow* window, const QString& name);
// Whether the item is there and shown (it and every ancestor visible).
[[nodiscard]] bool isShown(QQuickWindow* window, const QString& name);
// The text property of a named item.
[[nodiscard]] QString textOf(QQuickWindow* window, const QString& name);
// Whether some shown item of the window displays exactly this text.
[[nodiscard]] bool showsText(QQuickWindow* window, const QString& text);
// Clicks the middle of a named item, or a point in it given as fractions of its size.
void click(QQuickWindow* window, const QString& name, QPointF at = QPointF(0.5, 0.5));
void press(QQuickWindow* window, Qt::Key key);
void type(QQuickWindow* window, const QString& text);
// Lets layouts settle after a change.
void settle(QQuickWindow* window);
// Renders the window into FADEBIN_PICTURES_DIR/NAME.png for people to look at.
void savePicture(QQuickWindow* window, const QString& name);

} // namespace fadebin::test
