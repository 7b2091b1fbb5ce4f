#include "platform/FileManager.h"

#include "platform/DesktopApplications.h"
#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QStringList>

namespace fadebin {

namespace {

QString fileUri(const path& p) {
    // Percent-encode the raw bytes so that names that are not UTF-8 still name the file.
    return QString::fromLatin1(QByteArray("file://") +
                               QByteArray::fromStdString(p.native()).toPercentEncoding("/"));
}

// The file manager registered for folders, never the default handler as such: that may be a
// browser. What it prints goes to the null device, not into our log.
void openWithDesktop(const path& item, const path& folder) {
    const std::optional<DesktopApplication> fileManager = folderFileManager();
    if (!fileManager) {
        FADEBIN_LOG_INFO(LogCategory::App, "No file manager to open the folder of %s",
                         logName(item).constData());
        return;
    }
    QStringList arguments = launchArguments(*fileManager, folder);
    if (arguments.isEmpty() || !startQuietly(arguments.takeFirst(), arguments))
        FADEBIN_LOG_ERROR(LogCategory::App, "Could not open the folder of %s with %s",
                          logName(item).constData(), logName(fileManager->entry).constData());
}

} // namespace

bool startQuietly(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

void FileManager::reveal(const path& item) {
    askFileManager(QStringLiteral("ShowItems"), item, standardized(item).parent_path());
}

void FileManager::showFolder(const path& folder) {
    askFileManager(QStringLiteral("ShowFolders"), folder, standardized(folder));
}

void FileManager::askFileManager(const QString& method, const path& item,
                                 const path& fallbackFolder) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        FADEBIN_LOG_INFO(LogCategory::App, "Cannot reveal %s: no session bus",
                         logName(item).constData());
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList{fileUri(item)} << QString();
    // A file manager that is slow to start must not freeze the notch: the answer is taken
    // when it comes, and only an error reply opens the folder instead.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 10'000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, item, fallbackFolder] {
                         watcher->deleteLater();
                         if (!watcher->isError())
                             return;
                         FADEBIN_LOG_INFO(LogCategory::App,
                                          "No file manager to select %s (%s); opening its folder",
                                          logName(item).constData(),
                                          watcher->error().name().toUtf8().constData());
                         openWithDesktop(item, fallbackFolder);
                     });
}

} // namespace fadebin
