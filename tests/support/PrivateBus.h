#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace fadebin::test {

// A private D-Bus session bus for one test, ended with the object. What it starts for a call
// (a service file in the environment's XDG_DATA_HOME) inherits that environment.
class PrivateBus {
public:
    explicit PrivateBus(
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when dbus-daemon is missing or did not start.
    [[nodiscard]] const QString& address() const { return m_address; }
    // A connection to it under this name, closed with the bus.
    QDBusConnection connect(const QString& name) {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }
    // Its standard error, which what it starts shares.
    [[nodiscard]] QProcess& daemon() { return m_daemon; }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

// Sets at-spi2-core's screen-reader switch on the bus, as Orca does (the bus starts the
// launcher for it); false when there is no launcher or it refuses.
bool setScreenReaderEnabled(QDBusConnection& bus, bool enabled);

} // namespace fadebin::test
