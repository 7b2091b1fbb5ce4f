#pragma once

// What a process costs, read from /proc: memory, and wake-ups as the context switches of
// all its threads. Shared by the benchmarks that measure a running program from outside.
#include <QProcessEnvironment>
#include <QString>

#include <dirent.h>
#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace fadebin::bench {

struct Memory {
    long rssKb = 0;
    long privateKb = 0; // Private_Clean + Private_Dirty
    long dirtyKb = 0;   // of that, the written pages (not library code mapped here alone)
};

inline Memory memoryOf(pid_t pid) {
    Memory m;
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        long value = 0;
        if (!(fields >> key >> value))
            continue; // the header line names the address range
        if (key == "Rss:")
            m.rssKb = value;
        else if (key == "Private_Clean:" || key == "Private_Dirty:")
            m.privateKb += value;
        if (key == "Private_Dirty:")
            m.dirtyKb = value;
    }
    return m;
}

struct Switches {
    long total = 0;
    int threads = 0;
};

inline Switches switchesOf(pid_t pid) {
    Switches s;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = ::opendir(tasks.c_str());
    if (dir == nullptr)
        return s;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        ++s.threads;
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                s.total += std::stol(line.substr(line.find(':') + 1));
        }
    }
    ::closedir(dir);
    return s;
}

// Quiet: no thread switched for two seconds in a row (start-up work has settled).
inline void waitUntilIdle(pid_t pid) {
    using namespace std::chrono_literals;
    long last = -1;
    auto quietSince = std::chrono::steady_clock::now();
    const auto deadline = quietSince + 60s;
    while (std::chrono::steady_clock::now() < deadline) {
        const long now = switchesOf(pid).total;
        if (now != last) {
            last = now;
            quietSince = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - quietSince >= 2s) {
            return;
        }
        std::this_thread::sleep_for(100ms);
    }
    std::printf("  (never quiet for 2 s within 60 s)\n");
}

// The environment of a program run in its own home: HOME and the XDG folders below root,
// Downloads at root/Downloads.
inline QProcessEnvironment homeEnvironment(const std::filesystem::path& root) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const auto set = [&](const char* name, const std::filesystem::path& p) {
        env.insert(QString::fromUtf8(name), QString::fromStdString(p.native()));
    };
    set("HOME", root);
    set("XDG_DATA_HOME", root / ".local/share");
    set("XDG_CONFIG_HOME", root / ".config");
    set("XDG_CACHE_HOME", root / ".cache");
    set("XDG_STATE_HOME", root / ".local/state");
    set("XDG_DOWNLOAD_DIR", root / "Downloads");
    return env;
}

} // namespace fadebin::bench
