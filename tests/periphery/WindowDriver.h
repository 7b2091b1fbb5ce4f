#pragma once

#include "app/AppModel.h"
#include "platform/LoginItem.h"
#include "platform/ManualClock.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QNetworkAccessManager>
#include <QPointF>
#include <QQmlEngine>
#include <QString>

#include <memory>
#include <optional>

#include <QJsonDocument>
#include <QJsonValue>

#include <ostream>

// Readable JSON values in test failures.
inline void PrintTo(const QJsonValue& value, std::ostream* os) {
    *os << QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).toStdString();
}

class QQuickItem;
class QQuickWindow;

namespace fadebin::test {

// The file manager as the windows would ask it, recorded instead of started.
class RecordingWorkspace : public Workspace {
public:
    void reveal(const path& item) override { revealed.push_back(item); }
    void showFolder(const path& folder) override { shownFolders.push_back(folder); }
    std::vector<path> revealed;
    std::vector<path> shownFolders;
};

// Everything a window of the program stands on: real settings in a temporary HOME, a real
// model over its Downloads, the manual clock, one QML engine and one network manager.
struct WindowWorld {
    // storedSettings, when given, is the settings file's text before the settings are read.
    explicit WindowWorld(const char* storedSettings = nullptr);
    ~WindowWorld();

    // The settings file as JSON, read back from disk.
    [[nodiscard]] QJsonObject storedSettings() const;
    // Makes Downloads unreadable: mode 000, and where that does not stop this process (it
    // runs as root, as in CI), the folder is moved away as well. allowDownloads undoes both.
    void denyDownloads();
    void allowDownloads();

    TempHome home;
    bool storedSettingsWritten;
    LogCapture log;
    ManualClock clock;
    UserDefaults defaults;
    AutostartLoginItem loginItem;
    std::unique_ptr<AppSettings> settings;
    RecordingWorkspace workspace;
    std::unique_ptr<AppModel> model;
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
