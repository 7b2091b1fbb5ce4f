#pragma once

#include <QProcess>
#include <QString>

namespace fadebin::test {

// A private D-Bus session bus for one test, ended with the object.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when dbus-daemon is missing or did not start.
    [[nodiscard]] const QString& address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

} // namespace fadebin::test
