#include "notch/DropTarget.h"

#include <QMimeData>
#include <QSysInfo>

namespace fadebin {

namespace {

const QString uriListType = QStringLiteral("text/uri-list");

QByteArray thisHostName() {
    return QSysInfo::machineHostName().toUtf8().toLower();
}

} // namespace

std::optional<path> localFilePath(const QByteArray& encodedUrl) {
    const QByteArray url = encodedUrl.trimmed();
    constexpr int schemeLength = 5; // "file:"
    if (url.size() <= schemeLength || url.left(schemeLength).toLower() != "file:")
        return std::nullopt;
    QByteArray rest = url.mid(schemeLength);
    // The query and fragment are no part of a file's path.
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest.at(i) == '?' || rest.at(i) == '#') {
            rest.truncate(i);
            break;
        }
    }
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0)
            return std::nullopt;
        const QByteArray host = rest.mid(2, slash - 2).toLower();
        // File managers name this machine's own files by its host name too.
        if (!host.isEmpty() && host != "localhost" && host != thisHostName())
            return std::nullopt; // another machine's file
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(rest);
    if (bytes.contains('\0'))
        return std::nullopt;
    return path(bytes.toStdString());
}

std::vector<path> droppedFiles(const QMimeData& data) {
    std::vector<path> files;
    if (!data.hasFormat(uriListType))
        return files;
    // The raw list, not QMimeData::urls(): that decodes each line as UTF-8 first.
    const QByteArray list = data.data(uriListType);
    for (const QByteArray& line : list.split('\n')) {
        const QByteArray entry = line.trimmed();
        if (entry.isEmpty() || entry.startsWith('#'))
            continue; // comments are allowed in a uri-list
        if (auto file = localFilePath(entry))
            files.push_back(std::move(*file));
    }
    return files;
}

std::vector<path> droppedFiles(const QList<QUrl>& urls) {
    std::vector<path> files;
    for (const QUrl& url : urls) {
        // The encoded form keeps bytes that are not UTF-8 as percent escapes.
        if (auto file = localFilePath(url.toEncoded()))
            files.push_back(std::move(*file));
    }
    return files;
}

} // namespace fadebin
