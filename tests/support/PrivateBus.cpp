#include "support/PrivateBus.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace fadebin::test {

PrivateBus::PrivateBus(const QProcessEnvironment& environment) {
    m_daemon.setProcessEnvironment(environment);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--session"), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(15'000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : m_names)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.kill();
    m_daemon.waitForFinished();
}

bool setScreenReaderEnabled(QDBusConnection& bus, bool enabled) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
    call << QStringLiteral("org.a11y.Status") << QStringLiteral("ScreenReaderEnabled")
         << QVariant::fromValue(QDBusVariant(enabled));
    return bus.call(call).type() == QDBusMessage::ReplyMessage;
}

} // namespace fadebin::test
