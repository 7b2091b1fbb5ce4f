#pragma once

// A private session bus that starts the built program the way the desktop does for a
// DBusActivatable entry: its service directory names com.ostrel.Fadebin with the program as
// Exec, so the first call to that name starts it.
#include "e2e/ProgramFixture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTemporaryDir>

namespace fadebin::test {

class ActivationBus {
public:
    // What the bus starts inherits this environment: the test's home, no display but the
    // offscreen one, so that the windows the program shows are real.
    ActivationBus() {
        const std::string services = m_dir.filePath(QStringLiteral("services")).toStdString();
        std::filesystem::create_directories(services);
        writeFile(services + "/com.ostrel.Fadebin.service",
                  "[D-BUS Service]\nName=com.ostrel.Fadebin\nExec=" FADEBIN_PROGRAM "\n");
        const QString config = m_dir.filePath(QStringLiteral("session.conf"));
        writeFile(config.toStdString(),
                  "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                  "<auth>EXTERNAL</auth><servicedir>" +
                      services +
                      "</servicedir><policy context=\"default\"><allow send_destination=\"*\" "
                      "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow "
                      "own=\"*\"/></policy></busconfig>\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_daemon.setProcessEnvironment(environment);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(15'000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }

    ~ActivationBus() {
        // The program the bus started is not ours to wait for; end it before its bus.
        if (const qint64 pid = programPid(); pid > 0) {
            ::kill(static_cast<pid_t>(pid), SIGTERM);
            waitFor([pid] { return ::kill(static_cast<pid_t>(pid), 0) != 0; },
                    std::chrono::seconds(30));
        }
        QDBusConnection::disconnectFromBus(m_address);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    [[nodiscard]] const QString& address() const { return m_address; }

    // As the application menu launches the entry; true when the call was answered.
    [[nodiscard]] bool activate() {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("com.ostrel.Fadebin"), QStringLiteral("/com/ostrel/Fadebin"),
            QStringLiteral("org.freedesktop.Application"), QStringLiteral("Activate"));
        call << QVariantMap();
        return connection().call(call, QDBus::Block, 60'000).type() == QDBusMessage::ReplyMessage;
    }

    // The process that owns the name, or 0.
    [[nodiscard]] qint64 programPid() {
        const QDBusReply<uint> pid =
            connection().interface()->servicePid(QStringLiteral("com.ostrel.Fadebin"));
        return pid.isValid() ? pid.value() : 0;
    }

    // What the started program wrote to standard error, which it shares with the bus.
    const std::string& log() {
        while (m_daemon.waitForReadyRead(0)) {
        }
        m_log += m_daemon.readAllStandardError().toStdString();
        return m_log;
    }
    [[nodiscard]] int count(const std::string& line) { return countOf(log(), line); }

private:
    QDBusConnection connection() const {
        return QDBusConnection::connectToBus(m_address, m_address);
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    std::string m_log;
};

} // namespace fadebin::test
