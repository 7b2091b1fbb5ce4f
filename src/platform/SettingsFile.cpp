#include "platform/SettingsFile.h"

#include "platform/Log.h"
#include "platform/UniqueFd.h"
#include "platform/XdgPaths.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace fadebin {

namespace {

// Far more than any set of preferences needs, and small enough to read at start.
constexpr qsizetype maxFileBytes = 1024 * 1024;
constexpr const char* tooLarge = "larger than 1 MiB";

QString fileName(const std::filesystem::path& p) {
    return QFile::decodeName(QByteArray::fromStdString(p.native()));
}

// NSString's boolValue, which is what the macOS store answers for a text.
bool textReadsTrue(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    while (i < text.size() && text.at(i) == u'0')
        ++i;
    if (i >= text.size())
        return false;
    const QChar c = text.at(i);
    return c == u'Y' || c == u'y' || c == u'T' || c == u't' || (c >= u'1' && c <= u'9');
}

} // namespace

SettingsFile::SettingsFile()
    : SettingsFile(standardPath()) {}

SettingsFile::SettingsFile(std::filesystem::path file)
    : m_file(std::move(file)) {
    load();
}

std::filesystem::path SettingsFile::standardPath() {
    return configHome().value_or(std::filesystem::path("/")) / "Fadebin" / "defaults.json";
}

void SettingsFile::load() {
    const auto unreadable = [](const char* reason) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Settings file unreadable, using defaults: %s", reason);
    };
    // Non-blocking, so that a FIFO in its place cannot stall the start; the checks below are
    // made on this descriptor, so what is checked is what is read.
    const UniqueFd fd(::open(m_file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) {
        if (errno != ENOENT)
            unreadable(std::strerror(errno));
        return;
    }
    struct stat facts {};
    if (::fstat(fd.get(), &facts) != 0)
        return unreadable(std::strerror(errno));
    if (!S_ISREG(facts.st_mode))
        return unreadable("not a regular file");
    if (facts.st_size > maxFileBytes)
        return unreadable(tooLarge);
    // The limit holds for what is read too, in case the file grew since fstat.
    QByteArray bytes;
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return unreadable(std::strerror(errno));
        if (n == 0)
            break;
        bytes.append(chunk, n);
        if (bytes.size() > maxFileBytes)
            return unreadable(tooLarge);
    }
    if (bytes.trimmed().isEmpty())
        return;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        // The file is left as it is until the next assignment, so nothing is lost by reading.
        FADEBIN_LOG_ERROR(LogCategory::App, "Settings file unreadable, using defaults: %s",
                          qUtf8Printable(error.error != QJsonParseError::NoError
                                             ? error.errorString()
                                             : QStringLiteral("not a JSON object")));
        return;
    }
    m_values = document.object();
}

std::optional<QJsonValue> SettingsFile::value(const QString& key) const {
    const auto it = m_values.constFind(key);
    if (it == m_values.constEnd())
        return std::nullopt;
    return it.value();
}

std::optional<QString> SettingsFile::stringValue(const QString& key) const {
    const auto v = value(key);
    if (!v || !v->isString())
        return std::nullopt;
    return v->toString();
}

std::optional<double> SettingsFile::doubleValue(const QString& key) const {
    const auto v = value(key);
    if (!v || !v->isDouble())
        return std::nullopt;
    return v->toDouble();
}

std::optional<bool> SettingsFile::storedBool(const QString& key) const {
    const auto v = value(key);
    if (!v || !v->isBool())
        return std::nullopt;
    return v->toBool();
}

bool SettingsFile::boolValue(const QString& key) const {
    const auto v = value(key);
    if (!v)
        return false;
    if (v->isBool())
        return v->toBool();
    if (v->isDouble())
        return v->toDouble() != 0.0;
    if (v->isString())
        return textReadsTrue(v->toString());
    return false;
}

void SettingsFile::setString(const QString& key, const QString& value) {
    set(key, QJsonValue(value));
}

void SettingsFile::setDouble(const QString& key, double value) {
    set(key, QJsonValue(value));
}

void SettingsFile::setBool(const QString& key, bool value) {
    set(key, QJsonValue(value));
}

void SettingsFile::setArray(const QString& key, const QJsonArray& value) {
    set(key, QJsonValue(value));
}

SettingsFile::~SettingsFile() {
    if (m_pendingWrite && m_pendingWrite->isActive())
        write();
}

void SettingsFile::coalesceWrites(Clock& clock, Duration delay) {
    m_clock = &clock;
    m_delay = delay;
}

void SettingsFile::set(const QString& key, const QJsonValue& value) {
    m_values.insert(key, value);
    if (!m_clock) {
        write();
        return;
    }
    // The object outlives its timer (the handle is a member), so `this` is safe here.
    m_pendingWrite = m_clock->singleShot(m_delay, [this] { write(); });
}

void SettingsFile::write() const {
    std::error_code ec;
    std::filesystem::create_directories(m_file.parent_path(), ec);
    if (ec) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Settings write failed: %s", ec.message().c_str());
        return;
    }
    // QSaveFile writes a temporary file beside the target and renames it over the target,
    // so a crash mid-write never leaves a half-written store.
    QSaveFile file(fileName(m_file));
    const QByteArray bytes = QJsonDocument(m_values).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        FADEBIN_LOG_ERROR(LogCategory::App, "Settings write failed: %s",
                          qUtf8Printable(file.errorString()));
    }
}

} // namespace fadebin
