#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <utility>
#include <vector>

namespace fadebin {

// The desktop's notifications (org.freedesktop.Notifications) on the session bus: shows a
// notice with action buttons and says which one the user chose. Nothing waits for the
// server; without one, the caller hears so. Main thread only.
class DesktopNotifications : public QObject {
    Q_OBJECT

public:
    struct Notice {
        QString summary;
        // Plain text: escaped where the server would read it as markup.
        QString body;
        // Key and button label of each action.
        std::vector<std::pair<QString, QString>> actions;
        // The body where the server shows no actions, when it must say something else.
        QString bodyWithoutActions{};
    };

    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                                  QObject* parent = nullptr);

    // shown(true) once a server took the notice, shown(false) when none could; onAction with
    // the key of the action the user chose on it.
    void show(const Notice& notice, std::function<void(bool)> shown,
              std::function<void(const QString&)> onAction);

private Q_SLOTS:
    void onActionInvoked(uint id, const QString& action);
    void onNotificationClosed(uint id, uint reason);

private:
    void notify(const Notice& notice, const QStringList& capabilities,
                const std::function<void(bool)>& shown,
                const std::function<void(const QString&)>& onAction);

    QDBusConnection m_bus;
    std::map<uint, std::function<void(const QString&)>> m_onAction;
};

} // namespace fadebin
