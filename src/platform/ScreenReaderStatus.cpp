#include "platform/ScreenReaderStatus.h"

#include "platform/Log.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QVariantMap>

namespace fadebin {

namespace {

const QString service = QStringLiteral("org.a11y.Bus");
const QString path = QStringLiteral("/org/a11y/bus");
const QString statusInterface = QStringLiteral("org.a11y.Status");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString enabledProperty = QStringLiteral("ScreenReaderEnabled");

} // namespace

ScreenReaderStatus::ScreenReaderStatus(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    // QtDBus takes the slot as a signature string.
    m_bus.connect(service, path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QDBusMessage)));
    QDBusMessage get =
        QDBusMessage::createMethodCall(service, path, propertiesInterface, QStringLiteral("Get"));
    get << statusInterface << enabledProperty;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() != QDBusMessage::ReplyMessage) {
            FADEBIN_LOG_DEBUG(LogCategory::App, "No accessibility bus (%s): no screen reader",
                              qPrintable(reply.errorName()));
            return;
        }
        const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().value(0)).variant();
        if (!m_heard && value.metaType() == QMetaType::fromType<bool>())
            apply(value.toBool());
    });
}

void ScreenReaderStatus::onPropertiesChanged(const QDBusMessage& change) {
    const QVariantList arguments = change.arguments();
    if (change.signature() != QLatin1String("sa{sv}as") ||
        arguments.value(0).toString() != statusInterface)
        return;
    const QVariant value = qdbus_cast<QVariantMap>(arguments.value(1)).value(enabledProperty);
    if (value.metaType() != QMetaType::fromType<bool>())
        return;
    m_heard = true;
    apply(value.toBool());
}

void ScreenReaderStatus::apply(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    Q_EMIT enabledChanged();
}

} // namespace fadebin
