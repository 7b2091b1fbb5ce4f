#include "platform/DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace fadebin {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The application id: the desktop entry and icon the server shows the notice under.
const QString applicationId = QStringLiteral("com.ostrel.Fadebin");
constexpr int callTimeoutMs = 10'000;

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    // Only the owner of the server's name is listened to. QtDBus takes the slot as a
    // signature string; it has no functor form.
    m_bus.connect(service, objectPath, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, objectPath, interface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
}

void DesktopNotifications::show(const Notice& notice, std::function<void(bool)> shown,
                                std::function<void(const QString&)> onAction) {
    if (!m_bus.isConnected())
        return shown(false);
    // Whether the body is read as markup decides how it must be written.
    const QDBusMessage ask = QDBusMessage::createMethodCall(service, objectPath, interface,
                                                            QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, notice, shown = std::move(shown), onAction = std::move(onAction)] {
                watcher->deleteLater();
                const QDBusPendingReply<QStringList> capabilities = *watcher;
                if (capabilities.isError())
                    return shown(false);
                notify(notice, capabilities.value(), shown, onAction);
            });
}

void DesktopNotifications::notify(const Notice& notice, const QStringList& capabilities,
                                  const std::function<void(bool)>& shown,
                                  const std::function<void(const QString&)>& onAction) {
    // A server without actions would show none of the buttons the body speaks of.
    const bool hasActions = capabilities.contains(QStringLiteral("actions"));
    QStringList actions;
    if (hasActions)
        for (const auto& [key, label] : notice.actions)
            actions << key << label;
    const QString text =
        hasActions || notice.bodyWithoutActions.isEmpty() ? notice.body : notice.bodyWithoutActions;
    const QString body =
        capabilities.contains(QStringLiteral("body-markup")) ? text.toHtmlEscaped() : text;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, objectPath, interface, QStringLiteral("Notify"));
    call << QStringLiteral("Fadebin") << 0u << applicationId << notice.summary << body << actions
         << QVariantMap{{QStringLiteral("desktop-entry"), applicationId}} << -1;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, shown, onAction] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> id = *watcher;
        if (id.isError())
            return shown(false);
        m_onAction[id.value()] = onAction;
        shown(true);
    });
}

void DesktopNotifications::onActionInvoked(uint id, const QString& action) {
    // Other programs' notices are announced to every listener too.
    const auto found = m_onAction.find(id);
    if (found != m_onAction.end() && found->second)
        found->second(action);
}

void DesktopNotifications::onNotificationClosed(uint id, uint) {
    m_onAction.erase(id);
}

} // namespace fadebin
