// What the notch panel costs while it sits idle: starts its own Xvfb, runs a process that
// shows only the panel (this program with --panel), waits until that process is quiet, then
// prints its RSS, its private memory (Private_Clean + Private_Dirty of smaps_rollup) and its
// wake-ups (context switches of all its threads) over 10 s, collapsed and then expanded.
// Goal: at most 45 MB RSS, 12 MB private, no wake-ups while nothing moves.
#include "ProcessStats.h"
#include "notch/NotchPanel.h"
#include "notch/ScreenSource.h"
#include "notch/SoftwareRendering.h"
#include "support/XvfbServer.h"

#include <QGuiApplication>
#include <QSGRectangleNode>
#include <QSocketNotifier>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace fadebin;
using namespace fadebin::bench;
using namespace std::chrono_literals;

namespace {

// Stand-in for the notch content: the black shape at the top centre.
class BlackShape : public QQuickItem {
public:
    BlackShape() { setFlag(ItemHasContents); }
    void setShapeSize(Size size) {
        m_shapeSize = size;
        update();
    }

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData*) override {
        auto* node = static_cast<QSGRectangleNode*>(old);
        if (node == nullptr) {
            node = window()->createRectangleNode();
            node->setColor(Qt::black);
        }
        node->setRect((width() - m_shapeSize.width) / 2, 0, m_shapeSize.width, m_shapeSize.height);
        return node;
    }

private:
    Size m_shapeSize;
};

// The measured process: the panel and nothing else. Says "ready" after each first frame.
int runPanel(int argc, char** argv) {
    useSoftwareRendering();
    QGuiApplication app(argc, argv);
    QtScreenSource screens;
    const NotchGeometry geometry = screens.geometry();
    NotchPanel panel;
    BlackShape shape;
    panel.hostingView()->setRootView(&shape);

    bool announce = true;
    QObject::connect(&panel, &QQuickWindow::frameSwapped, &panel, [&announce] {
        if (announce) {
            announce = false;
            std::printf("ready\n");
            std::fflush(stdout);
        }
    });
    const auto showState = [&](NotchState state, Size shapeSize) {
        const Rect frame = geometry.frameForState(state);
        announce = true;
        panel.setFrame(frame);
        shape.setShapeSize(shapeSize);
        panel.setShape(NotchPanel::shapeRect(shapeSize, frame.width));
    };
    const Rect collapsed = geometry.frameForState(NotchState::collapsed);
    showState(NotchState::collapsed, {collapsed.width, collapsed.height});
    panel.present();

    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, &app, [&] {
        char buffer[64] = {};
        if (::read(STDIN_FILENO, buffer, sizeof buffer - 1) <= 0) {
            QCoreApplication::quit();
            return;
        }
        if (std::strncmp(buffer, "expand", 6) == 0)
            showState(NotchState::expanded, {420, 200});
    });
    return QGuiApplication::exec();
}

bool readLine(int fd, const std::string& expected, std::chrono::seconds timeout) {
    std::string line;
    pollfd readable{fd, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            return false;
        char c = 0;
        if (::read(fd, &c, 1) <= 0)
            return false;
        if (c != '\n') {
            line.push_back(c);
        } else if (line == expected) {
            return true;
        } else {
            line.clear();
        }
    }
    return false;
}

void measure(const char* label, pid_t pid) {
    waitUntilIdle(pid);
    const Memory m = memoryOf(pid);
    const Switches before = switchesOf(pid);
    std::this_thread::sleep_for(10s);
    const Switches after = switchesOf(pid);
    std::printf("%-10s RSS %6.1f MB  private %5.1f MB  threads %d  wake-ups in 10 s idle: %ld\n",
                label, m.rssKb / 1024.0, m.privateKb / 1024.0, after.threads,
                after.total - before.total);
    std::printf("           goal: RSS <= 45 MB %s, private <= 12 MB %s, no wake-ups %s\n",
                m.rssKb <= 45 * 1024 ? "met" : "MISSED",
                m.privateKb <= 12 * 1024 ? "met" : "MISSED",
                after.total == before.total ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--panel") == 0)
        return runPanel(argc, argv);

    std::string error;
    const auto server = test::XvfbServer::start(error, "1920x1080x24");
    if (!server) {
        std::fprintf(stderr, "panel_memory_bench: %s\n", error.c_str());
        return 1;
    }
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
        return 1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::setenv("DISPLAY", server->display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ::execl("/proc/self/exe", argv[0], "--panel", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);

    std::printf("Notch panel alone on Xvfb 1920x1080, Qt Quick software backend\n");
    int status = 0;
    if (!readLine(fromChild[0], "ready", 60s)) {
        std::fprintf(stderr, "panel_memory_bench: the panel process never drew its first frame\n");
    } else {
        measure("collapsed", pid);
        if (::write(toChild[1], "expand\n", 7) == 7 && readLine(fromChild[0], "ready", 60s))
            measure("expanded", pid);
        else
            std::fprintf(stderr, "panel_memory_bench: the panel never drew expanded\n");
    }
    ::close(toChild[1]);
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    ::close(fromChild[0]);
    return 0;
}
