#include "periphery/NotificationServer.h"

#include <QDBusMessage>

namespace fadebin::test {

namespace {
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// Notice ids start away from 0, which the protocol reserves.
constexpr uint firstId = 41;
} // namespace

NotificationServer::NotificationServer(QDBusConnection bus, QStringList capabilities)
    : m_bus(std::move(bus))
    , m_capabilities(std::move(capabilities)) {
    m_serving = m_bus.registerObject(path, this, QDBusConnection::ExportAllSlots) &&
                m_bus.registerService(interface);
}

uint NotificationServer::Notify(const QString&, uint, const QString&, const QString& summary,
                                const QString& body, const QStringList& actions, const QVariantMap&,
                                int) {
    shown.push_back({summary, body, actions});
    return firstId + static_cast<uint>(shown.size()) - 1;
}

void NotificationServer::invoke(std::size_t index, const QString& action) {
    QDBusMessage invoked =
        QDBusMessage::createSignal(path, interface, QStringLiteral("ActionInvoked"));
    invoked << firstId + static_cast<uint>(index) << action;
    m_bus.send(invoked);
}

} // namespace fadebin::test
