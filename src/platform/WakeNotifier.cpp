#include "platform/WakeNotifier.h"

#include "platform/Log.h"

#include <QDBusError>
#include <QString>

namespace fadebin {

namespace {

const QString loginService = QStringLiteral("org.freedesktop.login1");
const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sleepSignal = QStringLiteral("PrepareForSleep");

} // namespace

WakeNotifier::WakeNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus)) {
    if (!m_bus.isConnected()) {
        FADEBIN_LOG_INFO(LogCategory::Expiry, "No system bus; wake-ups will not trigger sweeps");
        return;
    }
    // Only the owner of the logind name is listened to, so no other client of the bus can
    // make us sweep. QtDBus takes the slot as a signature string; it has no functor form.
    m_listening = m_bus.connect(loginService, loginPath, managerInterface, sleepSignal, this,
                                SLOT(onPrepareForSleep(bool)));
    if (!m_listening)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Could not listen for wake-ups: %s",
                          qPrintable(m_bus.lastError().message()));
}

void WakeNotifier::onPrepareForSleep(bool start) {
    // true announces the suspend, false the resume.
    if (!start)
        Q_EMIT woke();
}

} // namespace fadebin
