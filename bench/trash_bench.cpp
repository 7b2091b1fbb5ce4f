// Times moving files to the trash with one process per file, the way a user's "move to
// trash" command runs: our trash (fadebin_trash_cli), trash-put from trash-cli, gio trash,
// and a floor that does only what the trash format needs (fadebin_trash_floor).
//
//   trash_bench [files=1000] [rounds=1]
//
// Every tool works on its own fresh folder of small files and its own temporary home, so
// none of them pays for another's leftovers. With several rounds the best one counts.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Tool {
    std::string name;
    std::vector<std::string> command; // the file's path is appended
};

std::optional<std::string> findInPath(const std::string& program) {
    const char* pathVar = std::getenv("PATH");
    std::string rest = pathVar ? pathVar : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= rest.size()) {
        auto end = rest.find(':', start);
        if (end == std::string::npos)
            end = rest.size();
        const fs::path candidate = fs::path(rest.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.native();
        start = end + 1;
    }
    return std::nullopt;
}

std::vector<std::string> environmentFor(const fs::path& home) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("HOME=", 0) != 0 && entry.rfind("XDG_DATA_HOME=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("HOME=" + home.native());
    env.push_back("XDG_DATA_HOME=" + (home / ".local/share").native());
    return env;
}

bool runOnce(const std::vector<std::string>& args, std::vector<char*>& envp) {
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Seconds for trashing count files with tool, one process each; none on any failure.
std::optional<double> timeTool(const Tool& tool, int count) {
    char pattern[] = "/tmp/fadebin-trash-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        return std::nullopt;
    const fs::path root = pattern;
    const fs::path home = root / "home";
    const fs::path source = root / "Downloads";
    // The floor needs the trash folders; everyone gets them, so no one pays for making them.
    fs::create_directories(home / ".local/share/Trash/files");
    fs::create_directories(home / ".local/share/Trash/info");
    fs::create_directories(source);
    std::vector<fs::path> files;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file-%04d.txt", i);
        files.push_back(source / name);
        std::ofstream(files.back()) << "small file " << i << "\n";
    }

    std::vector<std::string> env = environmentFor(home);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    bool ok = true;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& file : files) {
        auto args = tool.command;
        args.push_back(file.native());
        ok = runOnce(args, envp) && ok;
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    // Each tool must really have trashed every file.
    const auto trashed = std::distance(fs::directory_iterator(home / ".local/share/Trash/files"),
                                       fs::directory_iterator());
    const auto infos = std::distance(fs::directory_iterator(home / ".local/share/Trash/info"),
                                     fs::directory_iterator());
    ok = ok && fs::is_empty(source) && trashed == count && infos == count;
    std::error_code ec;
    fs::remove_all(root, ec);
    if (!ok)
        return std::nullopt;
    return took.count();
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const fs::path here = fs::read_symlink("/proc/self/exe").parent_path();

    std::vector<Tool> tools = {
        {"floor", {(here / "fadebin_trash_floor").native()}},
        {"fadebin", {(here / "fadebin_trash_cli").native()}},
    };
    if (auto gio = findInPath("gio"))
        tools.push_back({"gio trash", {*gio, "trash"}});
    else
        std::printf("gio not found (package libglib2.0-bin): skipped\n");
    if (auto put = findInPath("trash-put"))
        tools.push_back({"trash-put", {*put}});
    else
        std::printf("trash-put not found (package trash-cli): skipped\n");

    std::map<std::string, double> best;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& tool : tools) {
            const auto seconds = timeTool(tool, count);
            if (!seconds) {
                std::printf("%s failed to trash every file\n", tool.name.c_str());
                return 1;
            }
            std::printf("round %d  %-10s %8.3f s\n", round + 1, tool.name.c_str(), *seconds);
            std::fflush(stdout);
            auto [it, fresh] = best.emplace(tool.name, *seconds);
            if (!fresh)
                it->second = std::min(it->second, *seconds);
        }
    }

    const double floor = best.at("floor");
    std::printf("\n%d files, one process per file, best of %d round(s)\n", count, rounds);
    std::printf("%-10s %10s %14s %9s\n", "tool", "total (s)", "per file (ms)", "x floor");
    for (const auto& tool : tools) {
        const double s = best.at(tool.name);
        std::printf("%-10s %10.3f %14.3f %9.2f\n", tool.name.c_str(), s, s * 1000.0 / count,
                    s / floor);
    }
    return 0;
}
