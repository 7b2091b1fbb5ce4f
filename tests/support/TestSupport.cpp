#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fadebin::test {

namespace {

void setEnv(std::vector<std::pair<std::string, std::optional<std::string>>>& saved,
            const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
}

} // namespace

TempHome::TempHome() {
    if (!m_dir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
    m_root = resolvedPath(m_dir.path().toStdString());
    std::filesystem::create_directories(downloads());
    setEnv(m_saved, "HOME", m_root.native());
    setEnv(m_saved, "XDG_DATA_HOME", dataHome().native());
    setEnv(m_saved, "XDG_CONFIG_HOME", configHome().native());
    setEnv(m_saved, "XDG_CACHE_HOME", (m_root / ".cache").native());
    setEnv(m_saved, "XDG_STATE_HOME", (m_root / ".local/state").native());
    setEnv(m_saved, "XDG_DOWNLOAD_DIR", downloads().native());
}

TempHome::~TempHome() {
    for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
    // Files made read-only by a test must not stop the clean-up.
    std::error_code ec;
    for (auto i = std::filesystem::recursive_directory_iterator(m_root, ec);
         !ec && i != std::filesystem::recursive_directory_iterator(); i.increment(ec)) {
        if (i->is_directory(ec) && !i->is_symlink(ec))
            std::filesystem::permissions(i->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    // QTemporaryDir goes through QString and cannot remove names that are not UTF-8.
    std::filesystem::remove_all(m_root, ec);
}

LogCapture::LogCapture() {
    setLogSink([this](const LogLine& line) {
        std::lock_guard lock(m_mutex);
        m_lines.push_back(line);
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
    int n = 0;
    for (const auto& l : m_lines)
        n += l.format == format ? 1 : 0;
    return n;
}

bool LogCapture::contains(const std::string& message) const {
    std::lock_guard lock(m_mutex);
    for (const auto& l : m_lines)
        if (l.message == message)
            return true;
    return false;
}

void writeFile(const path& p, const std::string& contents) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot write " + p.native());
}

void appendFile(const path& p, const std::string& contents) {
    std::ofstream out(p, std::ios::binary | std::ios::app);
    out << contents;
    if (!out)
        throw std::runtime_error("cannot append to " + p.native());
}

std::string readFile(const path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    QDeadlineTimer deadline(timeout);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

} // namespace fadebin::test
