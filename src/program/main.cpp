#include "app/AppModel.h"
#include "notch/NotchContentPanel.h"
#include "notch/NotchController.h"
#include "notch/ScreenSource.h"
#include "notch/SoftwareRendering.h"
#include "notch/X11Pasteboard.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <csignal>
#include <memory>
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

// The notch needs an X server (XWayland on Wayland sessions); an explicit other platform,
// such as offscreen, or no reachable server means running without it.
bool chooseDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (qEnvironmentVariableIsEmpty("DISPLAY") || (!platform.isEmpty() && platform != "xcb"))
        return false;
    if (!x11DisplayReachable())
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Blocked before any thread starts, so that every thread inherits the mask.
    const int quitSignals = blockQuitSignals();
    const bool hasDisplay = chooseDisplay();
    std::unique_ptr<QCoreApplication> app;
    if (hasDisplay) {
        useSoftwareRendering();
        app = std::make_unique<QGuiApplication>(argc, argv);
        QGuiApplication::setQuitOnLastWindowClosed(false);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Fadebin"));

    QSocketNotifier quitNotifier(quitSignals, QSocketNotifier::Read);
    QObject::connect(&quitNotifier, &QSocketNotifier::activated, app.get(), [quitSignals] {
        signalfd_siginfo info{};
        [[maybe_unused]] const ssize_t n = ::read(quitSignals, &info, sizeof info);
        QCoreApplication::quit();
    });

    UserDefaults defaults;
    AutostartLoginItem loginItem;
    AppSettings settings(defaults, loginItem);
    Workspace workspace;
    AppModel model(settings, Clock::system(), workspace);

    std::unique_ptr<QtScreenSource> screens;
    std::unique_ptr<NotchController> notch;
    if (hasDisplay) {
        screens = std::make_unique<QtScreenSource>();
        notch = std::make_unique<NotchController>(
            model, settings, Clock::system(), *screens,
            std::make_unique<DragWatcher>(Clock::system(), std::make_unique<X11Pasteboard>()),
            // The settings window comes with its own change; until then the button only
            // closes the panel.
            NotchContentPanel::factory({}));
        notch->install();
    } else {
        FADEBIN_LOG_INFO(LogCategory::Notch, "No display: running without the notch");
    }
    model.start();
    FADEBIN_LOG_INFO(LogCategory::App, "Fadebin started");

    const int status = QCoreApplication::exec();
    if (notch)
        notch->teardown();
    if (model.store())
        model.store()->save();
    ::close(quitSignals);
    return status;
}
