#include "platform/DesktopApplications.h"

#include "platform/XdgPaths.h"

#include <QFile>
#include <QStandardPaths>

#include <cstdlib>
#include <vector>

namespace fadebin {

namespace {

using std::filesystem::path;

const QByteArray folderType = "inode/directory";

std::vector<path> searchPath(const char* variable, const char* fallback) {
    std::vector<path> folders;
    const char* value = std::getenv(variable);
    for (const QByteArray& part : QByteArray(value && *value ? value : fallback).split(':'))
        if (part.startsWith('/'))
            folders.emplace_back(part.toStdString());
    return folders;
}

std::vector<path> applicationFolders() {
    std::vector<path> folders;
    if (const auto home = dataHome())
        folders.push_back(*home / "applications");
    for (const path& data : searchPath("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
        folders.push_back(data / "applications");
    return folders;
}

// The mimeapps.list files in the order they take precedence, desktop-specific ones first.
std::vector<path> mimeappsLists() {
    std::vector<path> folders;
    if (const auto home = configHome())
        folders.push_back(*home);
    for (const path& config : searchPath("XDG_CONFIG_DIRS", "/etc/xdg"))
        folders.push_back(config);
    for (const path& application : applicationFolders())
        folders.push_back(application);
    QByteArrayList desktops = qgetenv("XDG_CURRENT_DESKTOP").toLower().split(':');
    desktops.removeAll(QByteArray());
    std::vector<path> lists;
    for (const path& folder : folders) {
        for (const QByteArray& desktop : desktops)
            lists.push_back(folder / (desktop.toStdString() + "-mimeapps.list"));
        lists.push_back(folder / "mimeapps.list");
    }
    return lists;
}

// Key-value lines of one group of an INI-style file; keys with a locale are skipped.
QList<std::pair<QByteArray, QByteArray>> readGroup(const path& file, const QByteArray& group) {
    QList<std::pair<QByteArray, QByteArray>> pairs;
    QFile in(QFile::decodeName(QByteArray::fromStdString(file.native())));
    if (!in.open(QIODevice::ReadOnly))
        return pairs;
    bool inGroup = false;
    // Desktop entries are small; a huge file is not one.
    for (int lines = 0; !in.atEnd() && lines < 10'000; ++lines) {
        const QByteArray line = in.readLine(64 * 1024).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == '[' + group + ']';
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGroup && equals > 0 && !line.startsWith('#'))
            pairs.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return pairs;
}

QByteArray unescaped(const QByteArray& value) {
    QByteArray out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        out += next == 's'   ? ' '
               : next == 'n' ? '\n'
               : next == 't' ? '\t'
               : next == 'r' ? '\r'
                             : next;
    }
    return out;
}

std::optional<DesktopApplication> readEntry(const QByteArray& id) {
    if (id.isEmpty() || id.contains('/') || !id.endsWith(".desktop"))
        return std::nullopt;
    for (const path& folder : applicationFolders()) {
        const path file = folder / id.toStdString();
        const auto pairs = readGroup(file, "Desktop Entry");
        if (pairs.isEmpty())
            continue;
        DesktopApplication application{file, {}, {}, {}, {}};
        bool usable = true;
        for (const auto& [key, value] : pairs) {
            if (key == "Name")
                application.name = QString::fromUtf8(unescaped(value));
            else if (key == "Icon")
                application.icon = QString::fromUtf8(unescaped(value));
            else if (key == "Exec")
                application.exec = unescaped(value);
            else if (key == "Categories")
                application.categories = QString::fromUtf8(value).split(u';', Qt::SkipEmptyParts);
            else if (key == "Hidden" && value == "true")
                usable = false;
            else if (key == "TryExec" &&
                     QStandardPaths::findExecutable(QString::fromUtf8(unescaped(value))).isEmpty())
                usable = false;
        }
        // The first entry of that id hides the later ones, usable or not.
        if (!usable || application.exec.isEmpty())
            return std::nullopt;
        return application;
    }
    return std::nullopt;
}

QByteArrayList idsOf(const QByteArray& value) {
    QByteArrayList ids = value.split(';');
    ids.removeAll(QByteArray());
    return ids;
}

} // namespace

std::optional<DesktopApplication> folderFileManager() {
    QByteArrayList defaults, added, removed;
    for (const path& list : mimeappsLists()) {
        for (const auto& [group, into] :
             {std::pair{"Default Applications", &defaults}, std::pair{"Added Associations", &added},
              std::pair{"Removed Associations", &removed}})
            for (const auto& [key, value] : readGroup(list, group))
                if (key == folderType)
                    *into += idsOf(value);
    }
    QByteArrayList candidates = defaults;
    for (const QByteArray& id : added)
        if (!removed.contains(id))
            candidates.append(id);
    for (const path& folder : applicationFolders()) {
        std::error_code error;
        for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
            const QByteArray id = QByteArray::fromStdString(file.path().filename().native());
            if (!id.endsWith(".desktop") || removed.contains(id) || candidates.contains(id))
                continue;
            for (const auto& [key, value] : readGroup(file.path(), "Desktop Entry"))
                if (key == "MimeType" && idsOf(value).contains(folderType))
                    candidates.append(id);
        }
    }
    for (const QByteArray& id : candidates)
        if (auto application = readEntry(id);
            application && application->categories.contains(QStringLiteral("FileManager")))
            return application;
    return std::nullopt;
}

QStringList launchArguments(const DesktopApplication& application, const path& target) {
    const QString file = QFile::decodeName(QByteArray::fromStdString(target.native()));
    const QString uri = QString::fromLatin1(
        "file://" + QByteArray::fromStdString(target.native()).toPercentEncoding("/"));
    // Words split at unquoted spaces; inside double quotes a backslash keeps the next
    // character. Whether a word was quoted matters: field codes count only outside quotes.
    QList<std::pair<QByteArray, bool>> words;
    QByteArray word;
    bool quoted = false, inQuotes = false, started = false;
    const QByteArray& exec = application.exec;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes) {
            if (c == '"')
                inQuotes = false;
            else if (c == '\\' && i + 1 < exec.size())
                word += exec[++i];
            else
                word += c;
        } else if (c == '"') {
            inQuotes = quoted = started = true;
        } else if (c == ' ' || c == '\t') {
            if (started)
                words.append({word, quoted});
            word.clear();
            quoted = started = false;
        } else {
            word += c;
            started = true;
        }
    }
    if (inQuotes)
        return {};
    if (started)
        words.append({word, quoted});

    QStringList arguments;
    for (const auto& [text, wasQuoted] : words) {
        const QString decoded = QString::fromUtf8(text);
        if (wasQuoted) {
            arguments.append(decoded);
            continue;
        }
        if (decoded == QLatin1String("%f") || decoded == QLatin1String("%F")) {
            arguments.append(file);
        } else if (decoded == QLatin1String("%u") || decoded == QLatin1String("%U")) {
            arguments.append(uri);
        } else if (decoded == QLatin1String("%i")) {
            if (!application.icon.isEmpty())
                arguments << QStringLiteral("--icon") << application.icon;
        } else {
            // Inside a word only %% and the name, icon and entry codes mean something; the
            // deprecated and unknown ones are dropped.
            QString expanded;
            for (qsizetype i = 0; i < decoded.size(); ++i) {
                if (decoded[i] != u'%' || i + 1 == decoded.size()) {
                    expanded += decoded[i];
                    continue;
                }
                const QChar code = decoded[++i];
                if (code == u'%')
                    expanded += u'%';
                else if (code == u'c')
                    expanded += application.name;
                else if (code == u'k')
                    expanded +=
                        QFile::decodeName(QByteArray::fromStdString(application.entry.native()));
            }
            if (!expanded.isEmpty())
                arguments.append(expanded);
        }
    }
    return arguments;
}

} // namespace fadebin
