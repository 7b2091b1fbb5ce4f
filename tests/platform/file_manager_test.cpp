// Showing files in the file manager over a private session bus, with a file manager of our
// own on it: the call must never wait for the answer, and the folder is opened with
// xdg-open (a recording stand-in here) only when the answer is an error.
#include "platform/FileManager.h"
#include "support/PrivateBus.h"
#include "support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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

} // namespace

#include "file_manager_test.moc"
