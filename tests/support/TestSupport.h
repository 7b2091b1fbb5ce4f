#pragma once

#include "platform/DirectoryEvents.h"
#include "platform/FileSystem.h"
#include "platform/Log.h"

#include <QTemporaryDir>

#include <chrono>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace fadebin::test {

// Held while a test sets the machine's wall clock (exclusive) or needs it to run true
// (shared): suites on one machine run in separate processes, which ctest cannot keep apart.
class WallClockLock {
public:
    enum Use { setting, reading };
    explicit WallClockLock(Use use);
    ~WallClockLock();
    WallClockLock(const WallClockLock&) = delete;
    WallClockLock& operator=(const WallClockLock&) = delete;

private:
    int m_fd;
};
// Moves the machine's wall clock by `by` (as root, under a setting WallClockLock): 0, or errno.
int stepWallClock(std::chrono::seconds by);

// The kernel's inotify calls replaced for a scope and put back after it: the per-user limits
// cannot be lowered without root, and lowering them would hit every program of the user.
class ScopedKernelCalls {
public:
    ScopedKernelCalls()
        : m_real(DirectoryEvents::kernelCalls()) {}
    ~ScopedKernelCalls() { DirectoryEvents::kernelCalls() = m_real; }
    ScopedKernelCalls(const ScopedKernelCalls&) = delete;
    ScopedKernelCalls& operator=(const ScopedKernelCalls&) = delete;

    [[nodiscard]] DirectoryEvents::KernelCalls& calls() { return DirectoryEvents::kernelCalls(); }
    [[nodiscard]] const DirectoryEvents::KernelCalls& real() const { return m_real; }
    void restore() { calls() = m_real; }
    // inotify_init failing as it does when the user's table of instances is full.
    void fillInstanceTable() {
        calls().init = [](int) { return errno = EMFILE, -1; };
    }

private:
    DirectoryEvents::KernelCalls m_real;
};

// A private home for one test: HOME and the XDG folders point inside a fresh temporary
// folder, which has an empty Downloads. Everything is put back on destruction.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    [[nodiscard]] path root() const { return m_root; }
    [[nodiscard]] path downloads() const { return m_root / "Downloads"; }
    [[nodiscard]] path dataHome() const { return m_root / ".local/share"; }
    [[nodiscard]] path configHome() const { return m_root / ".config"; }

private:
    QTemporaryDir m_dir;
    path m_root;
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

// Collects every log line while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    [[nodiscard]] std::vector<LogLine> lines() const;
    // How many lines were logged with this exact format string.
    [[nodiscard]] int count(const std::string& format) const;
    [[nodiscard]] bool contains(const std::string& message) const;
    // Called with each line as it is logged, on the logging thread: lets a test act at an
    // exact point of the code under test.
    std::function<void(const LogLine&)> onLine;

private:
    mutable std::mutex m_mutex;
    std::vector<LogLine> m_lines;
};

void writeFile(const path& p, const std::string& contents);
void appendFile(const path& p, const std::string& contents);
[[nodiscard]] std::string readFile(const path& p);
// The settings file of the home holds exactly this JSON text; its path.
path writeSettings(const TempHome& home, const std::string& json);
// The items of a trash folder by the path they came from, with the local deletion time
// their info files give, as the program's own trash code reads those files.
[[nodiscard]] std::map<path, std::time_t> trashEntries(const path& trash);
// Writes `filler` until its filesystem has no room left (for a small tmpfs of a test).
void fillDisk(const path& filler);
// An extended attribute's value as text, read straight from the file (wherever it is).
[[nodiscard]] std::optional<QString> attributeText(const char* name, const path& p);

// Tests compare English texts, whatever the machine's language: before the application object,
// the C locale for this program and the programs it starts; after it, English's plural forms.
void speakEnglishBeforeApplication();
void speakEnglish();

// Runs the event loop until the condition holds or the timeout passes. For waiting on real
// kernel events only; virtual time is advanced with the manual clock instead.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace fadebin::test
