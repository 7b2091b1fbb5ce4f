#include "program/ApplicationActivation.h"

#include "app/BusService.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace fadebin {

bool ApplicationActivation::activateRunning() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, BusService::objectPath,
                                                       interfaceName, QStringLiteral("Activate"));
    call << QVariantMap();
    // The running program holds the name; activating a new one here would only start a
    // program that finds the lock taken.
    call.setAutoStartService(false);
    return bus.call(call, QDBus::Block, 5'000).type() == QDBusMessage::ReplyMessage;
}

void ApplicationActivation::Activate(const QVariantMap&) {
    m_activate();
}

void ApplicationActivation::Open(const QStringList&, const QVariantMap&) {
    m_activate();
}

void ApplicationActivation::ActivateAction(const QString& name, const QVariantList&,
                                           const QVariantMap&) {
    // Where no notch can show, the settings window is the way in.
    if (name != showAction || !m_show || !m_show())
        m_activate();
}

} // namespace fadebin
