#include "platform/LoginItem.h"

#include "platform/FileIo.h"
#include "platform/XdgPaths.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#ifndef FADEBIN_INSTALLED_PROGRAM
#define FADEBIN_INSTALLED_PROGRAM "/usr/local/bin/fadebin"
#endif

namespace fadebin {

namespace {

SysError errorWith(const std::string& context) {
    SysError error = SysError::fromErrno();
    error.context = context;
    return error;
}

// Every folder on the way to `folder`, made like mkdir -p but keeping errno for the caller.
Status makeFolders(const std::filesystem::path& folder) {
    std::filesystem::path partial;
    for (const auto& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) == 0 || errno == EEXIST) {
            struct stat st {};
            if (::stat(partial.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                continue;
            if (errno == EEXIST)
                errno = ENOTDIR;
        }
        return errorWith("cannot create " + partial.native());
    }
    return Status::success();
}

// A temporary file beside the target, then rename: a reader sees the old entry or the new
// one, never half of one.
Status writeAtomically(const std::filesystem::path& target, const QByteArray& bytes) {
    std::string temporary = target.native() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return errorWith("cannot write " + target.native());
    const bool complete =
        writeAll(fd, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) &&
        ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!complete || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int failure = complete ? errno : savedErrno;
        ::unlink(temporary.c_str());
        errno = failure;
        return errorWith("cannot write " + target.native());
    }
    return Status::success();
}

} // namespace

AutostartLoginItem::AutostartLoginItem()
    : AutostartLoginItem(standardEntryPath(), installedProgram()) {}

AutostartLoginItem::AutostartLoginItem(std::filesystem::path entryFile,
                                       std::filesystem::path program)
    : m_entry(std::move(entryFile))
    , m_program(std::move(program)) {}

std::filesystem::path AutostartLoginItem::standardEntryPath() {
    return configHome().value_or(std::filesystem::path("/")) / "autostart" / "fadebin.desktop";
}

std::filesystem::path AutostartLoginItem::installedProgram() {
    if (QCoreApplication::instance()) {
        const QByteArray running = QFile::encodeName(QCoreApplication::applicationFilePath());
        if (running.endsWith("/fadebin"))
            return running.toStdString();
    }
    return FADEBIN_INSTALLED_PROGRAM;
}

QByteArray AutostartLoginItem::quotedExecArgument(const std::filesystem::path& program) {
    // Quoting rule of the Exec key: inside double quotes, ", `, $ and \ take a backslash.
    QByteArray quoted = "\"";
    for (const char c : program.native()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    // A literal percent sign would start a field code.
    quoted.replace("%", "%%");
    // Then the escapes of every string value, which a reader undoes first.
    QByteArray escaped;
    for (const char c : quoted) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QByteArray AutostartLoginItem::entryContents(bool enabled) const {
    // Hidden is what every desktop reads, X-GNOME-Autostart-enabled what GNOME's tools write:
    // both say the same, so that each desktop shows the switch as it was set here.
    const QByteArray on = enabled ? "true" : "false";
    const QByteArray off = enabled ? "false" : "true";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Fadebin\n"
           "Exec=" +
           quotedExecArgument(m_program) +
           "\n"
           "X-GNOME-Autostart-enabled=" +
           on +
           "\n"
           "Hidden=" +
           off +
           "\n"
           "NoDisplay=false\n";
}

bool AutostartLoginItem::isEnabled() const {
    QFile file(QFile::decodeName(QByteArray::fromStdString(m_entry.native())));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A user may switch the entry off instead of deleting it, as KDE (Hidden=true) or GNOME
    // Tweaks (X-GNOME-Autostart-enabled=false) do; only the main group counts, and a key given
    // twice counts as its last value, as GLib's reader takes it.
    bool inMainGroup = false;
    bool hidden = false;
    bool gnomeEnabled = true;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inMainGroup || equals < 0)
            continue;
        const QByteArray key = line.left(equals).trimmed();
        const QByteArray value = line.mid(equals + 1).trimmed();
        if (key == "Hidden")
            hidden = value == "true" || value == "1";
        else if (key == "X-GNOME-Autostart-enabled")
            gnomeEnabled = !(value == "false" || value == "0");
    }
    return !hidden && gnomeEnabled;
}

Status AutostartLoginItem::setEnabled(bool enabled) {
    // Switching off keeps an entry that exists, turned off in both desktops' keys: the
    // desktop's own autostart settings then show it off rather than lose it. With no entry
    // there is nothing to switch off.
    if (!enabled) {
        struct stat st {};
        if (::lstat(m_entry.c_str(), &st) != 0)
            return errno == ENOENT || errno == ENOTDIR
                       ? Status::success()
                       : errorWith("cannot read " + m_entry.native());
    }
    if (Status made = makeFolders(m_entry.parent_path()); !made)
        return made;
    return writeAtomically(m_entry, entryContents(enabled));
}

} // namespace fadebin
