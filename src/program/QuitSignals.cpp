#include "program/QuitSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace fadebin {

namespace {

constexpr int quitSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written by the handler, which may do nothing but write(2).
volatile sig_atomic_t writeEnd = -1;

void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already says that a signal came.
    [[maybe_unused]] const ssize_t n = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = ends[0];
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    // Other threads' system calls go on rather than fail with EINTR where they can.
    action.sa_flags = SA_RESTART;
    for (const int signal : quitSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    for (const int signal : quitSignals)
        std::signal(signal, SIG_DFL);
    if (m_read < 0)
        return;
    const int write = writeEnd;
    writeEnd = -1;
    ::close(write);
    ::close(m_read);
}

void QuitSignals::drain() const {
    char bytes[64];
    while (::read(m_read, bytes, sizeof bytes) > 0) {
    }
}

} // namespace fadebin
