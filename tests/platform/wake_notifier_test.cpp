#include "platform/WakeNotifier.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

using namespace fadebin;
using namespace fadebin::test;

namespace {

const QString loginPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString testPath = QStringLiteral("/org/fadebin/Test");
const QString testInterface = QStringLiteral("org.fadebin.Test");

// A dbus-daemon of our own, so that the test neither needs nor disturbs a real bus.
class PrivateBus {
public:
    PrivateBus() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (program.isEmpty())
            return;
        m_daemon.setProgram(program);
        m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                               QStringLiteral("--print-address")});
        m_daemon.start();
        if (!m_daemon.waitForStarted(10'000))
            return;
        // The address is the first line the daemon prints.
        QByteArray out;
        const QDeadlineTimer deadline(15'000);
        while (!out.contains('\n') && !deadline.hasExpired() &&
               m_daemon.state() == QProcess::Running) {
            m_daemon.waitForReadyRead(100);
            out += m_daemon.readAllStandardOutput();
        }
        if (out.contains('\n'))
            m_address = QString::fromUtf8(out.left(out.indexOf('\n')).trimmed());
    }
    ~PrivateBus() {
        for (const QString& name : m_connections)
            QDBusConnection::disconnectFromBus(name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5'000)) {
                m_daemon.kill();
                m_daemon.waitForFinished(5'000);
            }
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    [[nodiscard]] bool running() const { return !m_address.isEmpty(); }
    [[nodiscard]] std::string failure() const {
        return m_daemon.program().isEmpty() ? "dbus-daemon is not installed"
                                            : "dbus-daemon did not start or print its address";
    }

    // Each call is a separate client of the bus.
    [[nodiscard]] QDBusConnection connect(const QString& name) {
        m_connections.push_back(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// Counts a marker signal. Signals that one client sends reach another in the order sent,
// so once the marker has arrived, everything sent before it has been handled.
class Marker : public QObject {
    Q_OBJECT

public:
    [[nodiscard]] int seen() const { return m_seen; }

public Q_SLOTS:
    void onMarker() { ++m_seen; }

private:
    int m_seen = 0;
};

bool sendSleep(QDBusConnection& bus, const QVariant& argument) {
    QDBusMessage message =
        QDBusMessage::createSignal(loginPath, managerInterface, QStringLiteral("PrepareForSleep"));
    message << argument;
    return bus.send(message);
}

bool sendMarker(QDBusConnection& bus) {
    return bus.send(QDBusMessage::createSignal(testPath, testInterface, QStringLiteral("Marker")));
}

} // namespace

TEST(WakeNotifier, ResumeFromTheLogindNameOwnerWakesOnceAndNothingElseDoes) {
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "no private bus for this test: " << bus.failure();

    // The stand-in for logind owns its name before anyone listens.
    QDBusConnection logind = bus.connect(QStringLiteral("fadebin-test-logind"));
    ASSERT_TRUE(logind.isConnected());
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    QDBusConnection stranger = bus.connect(QStringLiteral("fadebin-test-stranger"));
    ASSERT_TRUE(stranger.isConnected());
    QDBusConnection listener = bus.connect(QStringLiteral("fadebin-test-listener"));
    ASSERT_TRUE(listener.isConnected());

    LogCapture log;
    WakeNotifier notifier(listener);
    EXPECT_TRUE(notifier.isListening());
    EXPECT_TRUE(log.lines().empty());
    QSignalSpy woke(&notifier, &WakeNotifier::woke);
    QThread* wokeOn = nullptr;
    QObject::connect(&notifier, &WakeNotifier::woke, &notifier,
                     [&wokeOn] { wokeOn = QThread::currentThread(); });
    Marker marker;
    ASSERT_TRUE(listener.connect(QString(), testPath, testInterface, QStringLiteral("Marker"),
                                 &marker, SLOT(onMarker())));

    // Another client cannot pose as logind, and a malformed signal is ignored.
    ASSERT_TRUE(sendSleep(stranger, false));
    ASSERT_TRUE(sendMarker(stranger));
    ASSERT_TRUE(sendSleep(logind, QStringLiteral("false")));
    ASSERT_TRUE(sendMarker(logind));
    ASSERT_TRUE(waitFor([&marker] { return marker.seen() == 2; }, std::chrono::seconds(30)));
    EXPECT_EQ(woke.count(), 0);

    // Going to sleep is not waking; resuming is, once.
    ASSERT_TRUE(sendSleep(logind, true));
    ASSERT_TRUE(sendSleep(logind, false));
    ASSERT_TRUE(sendMarker(logind));
    ASSERT_TRUE(waitFor([&marker] { return marker.seen() == 3; }, std::chrono::seconds(30)));
    EXPECT_EQ(woke.count(), 1);
    EXPECT_EQ(wokeOn, notifier.thread());
}

TEST(WakeNotifier, WithoutABusLogsOnceAndStaysQuiet) {
    TempHome home;
    LogCapture log;
    const QString address =
        QStringLiteral("unix:path=") + toQString(home.root() / "no-bus-here/socket");
    QDBusConnection none =
        QDBusConnection::connectToBus(address, QStringLiteral("fadebin-test-nowhere"));
    ASSERT_FALSE(none.isConnected());

    std::optional<WakeNotifier> notifier(std::in_place, none);
    EXPECT_FALSE(notifier->isListening());
    QSignalSpy woke(&*notifier, &WakeNotifier::woke);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].category, LogCategory::Expiry);
    EXPECT_EQ(lines[0].level, LogLevel::Info);
    EXPECT_EQ(lines[0].message, "No system bus; wake-ups will not trigger sweeps");

    QCoreApplication::processEvents();
    EXPECT_EQ(woke.count(), 0);
    EXPECT_EQ(log.lines().size(), 1u);
    notifier.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("fadebin-test-nowhere"));
}

#include "wake_notifier_test.moc"
