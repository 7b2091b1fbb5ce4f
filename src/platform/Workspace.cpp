#include "platform/Workspace.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QUrl>

namespace fadebin {

namespace {

QString fileUri(const path& p) {
    // Percent-encode the raw bytes so that names that are not UTF-8 still name the file.
    return QString::fromLatin1(QByteArray("file://") +
                               QByteArray::fromStdString(p.native()).toPercentEncoding("/"));
}

} // namespace

void Workspace::reveal(const path& item) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        FADEBIN_LOG_INFO(LogCategory::App, "Cannot reveal %s: no session bus",
                         logName(item).constData());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{fileUri(item)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return;
    FADEBIN_LOG_INFO(LogCategory::App, "No file manager to select %s (%s); opening its folder",
                     logName(item).constData(), reply.errorName().toUtf8().constData());
    if (!QProcess::startDetached(QStringLiteral("xdg-open"),
                                 {fileUri(standardized(item).parent_path())}))
        FADEBIN_LOG_ERROR(LogCategory::App, "Could not open the folder of %s",
                          logName(item).constData());
}

} // namespace fadebin
