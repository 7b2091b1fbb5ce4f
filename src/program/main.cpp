#include "app/AppModel.h"
#include "settings/AppSettings.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace fadebin;

namespace {

// SIGINT and SIGTERM end the program through the event loop, so that everything is
// destroyed in order rather than cut off mid-write.
int blockQuitSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
}

} // namespace

int main(int argc, char** argv) {
    // Blocked before any thread starts, so that every thread inherits the mask.
    const int quitSignals = blockQuitSignals();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Fadebin"));

    QSocketNotifier quitNotifier(quitSignals, QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, &app, [quitSignals] {
        signalfd_siginfo info{};
        [[maybe_unused]] const ssize_t n = ::read(quitSignals, &info, sizeof info);
        QCoreApplication::quit();
    });

    UserDefaults defaults;
    AutostartLoginItem loginItem;
    AppSettings settings(defaults, loginItem);
    Workspace workspace;
    AppModel model(settings, Clock::system(), workspace);
    model.start();
    FADEBIN_LOG_INFO(LogCategory::App, "Fadebin started");

    const int status = QCoreApplication::exec();
    if (model.store())
        model.store()->save();
    ::close(quitSignals);
    return status;
}
