#include "platform/WakeNotifier.h"

#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>

using namespace fadebin;
using namespace fadebin::test;

namespace {

// Signals from one client arrive in order, so once the marker is seen, all before it were handled.
class Marker : public QObject {
    Q_OBJECT

public:
    int seen = 0;
public Q_SLOTS:
    void onMarker() { ++seen; }
};

const QString testPath = QStringLiteral("/org/fadebin/Test");
const QString testInterface = QStringLiteral("org.fadebin.Test");

void send(QDBusConnection& bus, std::optional<bool> sleeping) {
    QDBusMessage message =
        sleeping ? QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                              QStringLiteral("org.freedesktop.login1.Manager"),
                                              QStringLiteral("PrepareForSleep"))
                 : QDBusMessage::createSignal(testPath, testInterface, QStringLiteral("Marker"));
    if (sleeping)
        message << *sleeping;
    EXPECT_TRUE(bus.send(message));
}

} // namespace

TEST(WakeNotifier, ResumeFromTheLogindNameOwnerWakesOnce) {
    PrivateBus bus;
    const QString address = bus.address();
    if (address.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed or did not print its address";
    QDBusConnection logind = bus.connect("test-logind");
    QDBusConnection stranger = bus.connect("test-stranger");
    QDBusConnection listener = bus.connect("test-listener");
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    WakeNotifier notifier(listener);
    QSignalSpy woke(&notifier, &WakeNotifier::woke);
    Marker marker;
    ASSERT_TRUE(listener.connect(QString(), testPath, testInterface, QStringLiteral("Marker"),
                                 &marker, SLOT(onMarker())));
    send(stranger, false);
    send(logind, true);
    send(logind, false);
    send(logind, std::nullopt);
    ASSERT_TRUE(waitFor([&marker] { return marker.seen == 1; }, std::chrono::seconds(30)));
    EXPECT_EQ(woke.count(), 1);
}

TEST(WakeNotifier, WithoutABusLogsOneInfoLine) {
    TempHome home;
    LogCapture log;
    const QString address = QStringLiteral("unix:path=") + toQString(home.root() / "no/socket");
    QDBusConnection none = QDBusConnection::connectToBus(address, QStringLiteral("nowhere"));
    EXPECT_FALSE(WakeNotifier(none).isListening());
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, LogLevel::Info);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

#include "wake_notifier_test.moc"
