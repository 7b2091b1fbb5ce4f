#include "support/TestSupport.h"

#include "platform/Translations.h"

#include "expiry/FileDeleter.h"
#include "platform/FileIo.h"
#include "platform/Trash.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

namespace fadebin::test {

WallClockLock::WallClockLock(Use use)
    : m_fd(::open("/tmp/fadebin-tests-wall-clock.lock", O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  0666)) {
    if (m_fd >= 0)
        ::flock(m_fd, use == setting ? LOCK_EX : LOCK_SH);
}

WallClockLock::~WallClockLock() {
    if (m_fd >= 0)
        ::close(m_fd); // lets the lock go
}

int stepWallClock(std::chrono::seconds by) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    now.tv_sec += by.count();
    return ::geteuid() != 0 ? EPERM : ::clock_settime(CLOCK_REALTIME, &now) == 0 ? 0 : errno;
}

TempHome::TempHome() {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    m_root = resolvedPath(m_dir.path().toStdString());
    std::filesystem::create_directories(downloads());
    for (const auto& [name, value] : {std::pair<std::string, path>{"HOME", m_root},
                                      {"XDG_DATA_HOME", dataHome()},
                                      {"XDG_CONFIG_HOME", configHome()},
                                      {"XDG_CACHE_HOME", m_root / ".cache"},
                                      {"XDG_STATE_HOME", m_root / ".local/state"},
                                      {"XDG_DOWNLOAD_DIR", downloads()}}) {
        const char* old = std::getenv(name.c_str());
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it)
        it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1)
                   : ::unsetenv(it->first.c_str());
    // Folders made read-only by a test must not stop the clean-up.
    std::error_code ec;
    for (auto i = std::filesystem::recursive_directory_iterator(m_root, ec);
         !ec && i != std::filesystem::recursive_directory_iterator(); i.increment(ec))
        if (i->is_directory(ec) && !i->is_symlink(ec))
            std::filesystem::permissions(i->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    // QTemporaryDir goes through QString and cannot remove names that are not UTF-8.
    std::filesystem::remove_all(m_root, ec);
}

LogCapture::LogCapture() {
    setLogSink([this](const LogLine& line) {
        {
            std::lock_guard lock(m_mutex);
            m_lines.push_back(line);
        }
        if (onLine)
            onLine(line);
    });
}

LogCapture::~LogCapture() {
    setLogSink({});
}

std::vector<LogLine> LogCapture::lines() const {
    std::lock_guard lock(m_mutex);
    return m_lines;
}

int LogCapture::count(const std::string& format) const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(std::ranges::count(m_lines, format, &LogLine::format));
}

bool LogCapture::contains(const std::string& message) const {
    std::lock_guard lock(m_mutex);
    return std::ranges::find(m_lines, message, &LogLine::message) != m_lines.end();
}

static void put(const path& p, const std::string& contents, std::ios::openmode mode) {
    std::ofstream out(p, std::ios::binary | mode);
    if (!(out << contents))
        throw std::runtime_error("cannot write " + p.native());
}

void writeFile(const path& p, const std::string& contents) {
    put(p, contents, std::ios::trunc);
}
void appendFile(const path& p, const std::string& contents) {
    put(p, contents, std::ios::app);
}

std::string readFile(const path& p) {
    return readWholeFile(p.c_str());
}

void fillDisk(const path& filler) {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(4096, 'f');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size())))
        ;
}

path writeSettings(const TempHome& home, const std::string& json) {
    const path file = home.configHome() / "Fadebin/defaults.json";
    std::filesystem::create_directories(file.parent_path());
    writeFile(file, json);
    return file;
}

std::map<path, std::time_t> trashEntries(const path& trash) {
    std::map<path, std::time_t> entries;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(trash / "files", ec)) {
        const std::optional<TrashInfo> info = trashInfoOf(item.path());
        const QDateTime deleted =
            info ? QDateTime::fromString(QString::fromStdString(info->deletionDate), Qt::ISODate)
                 : QDateTime();
        if (deleted.isValid())
            entries[info->originalPath] = deleted.toSecsSinceEpoch();
    }
    return entries;
}

std::optional<QString> attributeText(const char* name, const path& p) {
    const auto value = readXattr(p, name);
    return value && value->has_value() ? std::optional(QString::fromUtf8(**value)) : std::nullopt;
}

std::optional<double> expiryAttribute(const path& file) {
    const std::optional<QString> text = attributeText(fadebin::expiryAttribute, file);
    const std::optional<Instant> at = text ? parseExpiry(*text) : std::nullopt;
    return at ? std::optional(std::chrono::duration<double>(at->time_since_epoch()).count())
              : std::nullopt;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    for (QDeadlineTimer deadline(timeout); !condition(); QThread::msleep(5)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void speakEnglishBeforeApplication() {
    qputenv("LC_ALL", "C.UTF-8");
    qunsetenv("LANGUAGE");
}

void speakEnglish() {
    installTranslations(QLocale::c());
}

} // namespace fadebin::test
