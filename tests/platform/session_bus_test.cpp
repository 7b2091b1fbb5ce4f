// The desktop's services on a private session bus: the file manager asked without waiting for
// its answer (the folder opened with xdg-open, a recording stand-in here, only when the answer
// is an error), and logind's resume heard from logind alone.
#include "platform/FileManager.h"
#include "platform/WakeNotifier.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace fadebin;
using namespace fadebin::test;

namespace {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList calls;
public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { calls << "items " + uris.join(' '); }
    void ShowFolders(const QStringList& uris, const QString&) {
        calls << "folders " + uris.join(' ');
    }
};

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

TEST(FileManager, AsksTheFileManagerWithoutWaitingAndOpensTheFolderOnlyWhenItCannot) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    TempHome home;
    // xdg-open as a script that writes down what it was asked to open.
    const path tools = home.root() / "bin";
    const path opened = home.root() / "opened.txt";
    std::filesystem::create_directory(tools);
    writeFile(tools / "xdg-open",
              "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + opened.native() + "'\n");
    std::filesystem::permissions(tools / "xdg-open", std::filesystem::perms::owner_all);
    // Each test runs in a process of its own, which these settings end with.
    ::setenv("PATH", (tools.native() + ":" + std::getenv("PATH")).c_str(), 1);
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);

    QDBusConnection fakeSide = QDBusConnection::connectToBus(bus.address(), "file-manager");
    FakeFileManager fake;
    ASSERT_TRUE(fakeSide.registerObject("/org/freedesktop/FileManager1", &fake,
                                        QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fakeSide.registerService("org.freedesktop.FileManager1"));

    const path file = home.downloads() / "a b%\xff.pdf";
    writeFile(file, "pdf");
    FileManager fileManager;
    fileManager.reveal(file);
    fileManager.showFolder(home.downloads());
    EXPECT_TRUE(fake.calls.isEmpty()) << "answered before the calls returned";
    ASSERT_TRUE(waitFor([&] { return fake.calls.size() == 2; }));
    const QString folderUri = "file://" + QString::fromStdString(home.downloads().native());
    EXPECT_EQ(fake.calls,
              (QStringList{"items " + folderUri + "/a%20b%25%FF.pdf", "folders " + folderUri}));
    waitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_FALSE(pathExists(opened)) << "the folder was opened although the file manager answered";

    fakeSide.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("file-manager");
    fileManager.reveal(file);
    ASSERT_TRUE(waitFor([&] { return pathExists(opened); }, std::chrono::seconds(15)));
    EXPECT_EQ(readFile(opened), folderUri.toStdString() + "\n");
}

TEST(WakeNotifier, ResumeFromTheLogindNameOwnerWakesOnce) {
    PrivateBus bus;
    if (bus.address().isEmpty())
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

#include "session_bus_test.moc"
