// The desktop's services on a private session bus: the file manager asked without waiting (on an
// error the one registered for folders, a recording stand-in, is run); resume heard from logind.
#include "platform/DesktopApplications.h"
#include "platform/FileManager.h"
#include "platform/WakeNotifier.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <filesystem>

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

// A script standing in for a program: it writes its arguments and where its output goes.
void writeProgram(const path& program, const path& record) {
    writeFile(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" \"$(readlink /proc/$$/fd/1)\" "
                       "\"$(readlink /proc/$$/fd/2)\" > '" +
                           record.native() + "'\necho noise; echo noise >&2\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
}

TEST(FileManager, AsksTheFileManagerWithoutWaitingAndElseStartsTheOneRegisteredForFolders) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed; no private session bus";
    TempHome home;
    // Gone with this test's own process: the machine's applications and defaults stay out.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8().constData(), 1);
    ::setenv("XDG_DATA_DIRS", (home.root() / "none").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (home.root() / "none").c_str(), 1);

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
    fakeSide.unregisterService("org.freedesktop.FileManager1");
    QDBusConnection::disconnectFromBus("file-manager");

    // The default handler for folders is a browser; the file manager is only installed.
    const path apps = home.dataHome() / "applications";
    std::filesystem::create_directories(apps);
    std::filesystem::create_directories(home.configHome());
    const path browsed = home.root() / "browsed.txt", opened = home.root() / "opened.txt";
    writeProgram(home.root() / "browser", browsed);
    writeProgram(home.root() / "file manager", opened);
    writeFile(apps / "browser.desktop",
              "[Desktop Entry]\nType=Application\nName=Web\nExec=" + home.root().native() +
                  "/browser %U\nMimeType=text/html;inode/directory;\n"
                  "Categories=Network;WebBrowser;\n");
    writeFile(apps / "files.desktop",
              "[Desktop Entry]\nType=Application\nName=Files\nExec=\"" + home.root().native() +
                  "/file manager\" --new-window %U\nMimeType=inode/directory;\n"
                  "Categories=System;FileManager;\n");
    writeFile(home.configHome() / "mimeapps.list",
              "[Default Applications]\ninode/directory=browser.desktop;\n");
    fileManager.reveal(file);
    ASSERT_TRUE(waitFor([&] { return readFile(opened).find('\n') != std::string::npos; },
                        std::chrono::seconds(15)));
    EXPECT_EQ(readFile(opened),
              "--new-window\n" + folderUri.toStdString() + "\n/dev/null\n/dev/null\n");
    EXPECT_FALSE(pathExists(browsed)) << "a browser was started for a folder";

    std::filesystem::remove(apps / "files.desktop");
    LogCapture log;
    fileManager.reveal(file);
    EXPECT_TRUE(waitFor([&] { return log.count("No file manager to open the folder of %s") == 1; },
                        std::chrono::seconds(15)));
    EXPECT_FALSE(pathExists(browsed));
}

TEST(FileManager, ExecLinesAreUnquotedAndTheirFieldCodesFilledIn) {
    const path target = "/home/u/Down loads";
    const QString uri = "file:///home/u/Down%20loads";
    const std::pair<const char*, QStringList> rows[] = {
        {"nautilus --new-window %U", {"nautilus", "--new-window", uri}},
        {R"("/opt/my files/fm"  "a \"b\" \\$x" %f)",
         {"/opt/my files/fm", R"(a "b" \$x)", "/home/u/Down loads"}},
        {"fm %i --name=%c %%u %k %d %m",
         {"fm", "--icon", "folder", "--name=Files", "%u", "/e.desktop"}},
        {"fm \"%u\"", {"fm", "%u"}},
        {"\"fm", {}},
    };
    for (const auto& [exec, expected] : rows)
        EXPECT_EQ(launchArguments({"/e.desktop", "Files", "folder", exec, {}}, target), expected)
            << exec;
}

} // namespace

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
