#include "support/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fadebin::test {

namespace {

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

void stop(pid_t pid) {
    ::kill(pid, SIGTERM);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

std::unique_ptr<XvfbServer> XvfbServer::start(std::string& error, const std::string& screenSize) {
    if (!onPath("Xvfb")) {
        error = "Xvfb is not installed (Debian package xvfb)";
        return nullptr;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return nullptr;
    }
    const int writeEnd = fds[1];
    // Everything the child needs is prepared before fork: only exec-safe calls after it.
    const std::vector<std::string> args = {"Xvfb",      "-displayfd", std::to_string(writeEnd),
                                           "-screen",   "0",          screenSize,
                                           "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(writeEnd);
        return nullptr;
    }
    if (pid == 0) {
        // The server goes with its test, even when the test crashes.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::fcntl(writeEnd, F_SETFD, 0);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::execvp("Xvfb", argv.data());
        ::_exit(127);
    }
    ::close(writeEnd);

    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd readable{fds[0], POLLIN, 0};
    bool complete = false;
    while (!complete && ::poll(&readable, 1, 20000) > 0) {
        char c = 0;
        const ssize_t n = ::read(fds[0], &c, 1);
        if (n <= 0)
            break;
        if (c == '\n')
            complete = true;
        else
            number.push_back(c);
    }
    ::close(fds[0]);
    if (!complete || number.empty()) {
        stop(pid);
        error = "Xvfb did not report a display within 20 s";
        return nullptr;
    }
    return std::unique_ptr<XvfbServer>(new XvfbServer(pid, ":" + number));
}

XvfbServer::~XvfbServer() {
    stop(m_pid);
}

} // namespace fadebin::test
