#include "platform/WakeNotifier.h"

#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <optional>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// Counts a marker signal. Signals that one client sends reach another in the order sent,
// so once the marker has arrived, everything sent before it has been handled.
class Marker : public QObject {
    Q_OBJECT

public:
    int seen = 0;
public Q_SLOTS:
    void onMarker() { ++seen; }
};

const QString testPath = QStringLiteral("/org/fadebin/Test");
const QString testInterface = QStringLiteral("org.fadebin.Test");

void send(QDBusConnection& bus, std::optional<QVariant> sleepArgument) {
    QDBusMessage message =
        sleepArgument
            ? QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                         QStringLiteral("PrepareForSleep"))
            : QDBusMessage::createSignal(testPath, testInterface, QStringLiteral("Marker"));
    if (sleepArgument)
        message << *sleepArgument;
    EXPECT_TRUE(bus.send(message));
}

} // namespace

TEST(WakeNotifier, ResumeFromTheLogindNameOwnerWakesOnceAndNothingElseDoes) {
    // A dbus-daemon of our own, so that the test neither needs nor disturbs a real bus.
    QProcess daemon; // killed with its destructor
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    while (!daemon.canReadLine() && daemon.waitForReadyRead(15'000)) {
    }
    const QString address = QString::fromUtf8(daemon.readLine().trimmed());
    if (address.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed or did not print its address";
    const QStringList names{"test-logind", "test-stranger", "test-listener"};
    const auto disconnect = qScopeGuard([&] {
        for (const QString& name : names)
            QDBusConnection::disconnectFromBus(name);
    });
    // Each is a separate client of the bus; the stand-in for logind owns its name first.
    QDBusConnection logind = QDBusConnection::connectToBus(address, names[0]);
    QDBusConnection stranger = QDBusConnection::connectToBus(address, names[1]);
    QDBusConnection listener = QDBusConnection::connectToBus(address, names[2]);
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));
    ASSERT_TRUE(stranger.isConnected() && listener.isConnected());

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
    send(stranger, false);
    send(stranger, std::nullopt);
    send(logind, QStringLiteral("false"));
    send(logind, std::nullopt);
    ASSERT_TRUE(waitFor([&marker] { return marker.seen == 2; }, std::chrono::seconds(30)));
    EXPECT_EQ(woke.count(), 0);

    // Going to sleep is not waking; resuming is, once.
    send(logind, true);
    send(logind, false);
    send(logind, std::nullopt);
    ASSERT_TRUE(waitFor([&marker] { return marker.seen == 3; }, std::chrono::seconds(30)));
    EXPECT_EQ(woke.count(), 1);
    EXPECT_EQ(wokeOn, notifier.thread());
}

TEST(WakeNotifier, WithoutABusLogsOnceAndStaysQuiet) {
    TempHome home;
    LogCapture log;
    const QString address = QStringLiteral("unix:path=") + toQString(home.root() / "no/socket");
    QDBusConnection none = QDBusConnection::connectToBus(address, QStringLiteral("nowhere"));
    ASSERT_FALSE(none.isConnected());
    {
        WakeNotifier notifier(none);
        EXPECT_FALSE(notifier.isListening());
        QSignalSpy woke(&notifier, &WakeNotifier::woke);
        QCoreApplication::processEvents();
        EXPECT_EQ(woke.count(), 0);
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].category, LogCategory::Expiry);
    EXPECT_EQ(lines[0].level, LogLevel::Info);
    EXPECT_EQ(lines[0].message, "No system bus; wake-ups will not trigger sweeps");
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

#include "wake_notifier_test.moc"
