#pragma once

// A private session bus that starts the built program as the desktop does a DBusActivatable
// entry: a service file in the home's data folder, so the first call to the name starts it.
#include "e2e/ProgramFixture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace fadebin::test {

class ActivationBus : public PrivateBus {
public:
    // What the bus starts inherits the test's home and only the offscreen display (real windows).
    ActivationBus()
        : PrivateBus(environment()) {}

    ~ActivationBus() {
        // The program the bus started is not ours to wait for; end it before its bus.
        if (const qint64 pid = programPid(); pid > 0) {
            ::kill(static_cast<pid_t>(pid), SIGTERM);
            waitFor([pid] { return ::kill(static_cast<pid_t>(pid), 0) != 0; },
                    std::chrono::seconds(30));
        }
    }

    // As the application menu launches the entry; true when the call was answered.
    [[nodiscard]] bool activate() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("com.ostrel.Fadebin"), QStringLiteral("/com/ostrel/Fadebin"),
            QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
        call << QVariantMap();
        return m_menu.call(call, QDBus::Block, 60'000).type() == QDBusMessage::ReplyMessage;
    }

    [[nodiscard]] qint64 programPid() {
        const QDBusReply<uint> pid =
            m_menu.interface()->servicePid(QStringLiteral("com.ostrel.Fadebin"));
        return pid.isValid() ? pid.value() : 0;
    }

    // What the started program wrote to standard error, which it shares with the bus.
    const std::string& log() {
        while (daemon().waitForReadyRead(0)) {
        }
        return m_log += daemon().readAllStandardError().toStdString();
    }
    [[nodiscard]] int count(const std::string& line) { return countOf(log(), line); }

private:
    static QProcessEnvironment environment() {
        const path services = std::getenv("XDG_DATA_HOME") / path("dbus-1/services");
        std::filesystem::create_directories(services);
        writeFile(services / "com.ostrel.Fadebin.service",
                  "[D-BUS Service]\nName=com.ostrel.Fadebin\nExec=" FADEBIN_PROGRAM "\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    QDBusConnection m_menu = connect(address());
    std::string m_log;
};

} // namespace fadebin::test
