#include "program/DesktopProgram.h"

#include "app/AppModel.h"
#include "app/BusService.h"
#include "app/IntakeProblemNotifier.h"
#include "notch/NotchContentPanel.h"
#include "notch/NotchController.h"
#include "notch/ScreenSource.h"
#include "notch/SoftwareRendering.h"
#include "notch/WaylandClient.h"
#include "notch/X11DragSelection.h"
#include "periphery/DesktopStyle.h"
#include "periphery/DownloadNotices.h"
#include "periphery/Endpoints.h"
#include "periphery/FeedbackWindow.h"
#include "periphery/OnboardingWindow.h"
#include "periphery/PeripheryTexts.h"
#include "periphery/SettingsWindow.h"
#include "periphery/UpdateAnnouncer.h"
#include "periphery/UpdateManager.h"
#include "periphery/UpdateWindow.h"
#include "platform/DesktopNotifications.h"
#include "platform/FileManager.h"
#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/MotionPreference.h"
#include "platform/ScreenReaderStatus.h"
#include "platform/SettingsFile.h"
#include "platform/Translations.h"
#include "platform/Version.h"
#include "program/ApplicationActivation.h"
#include "program/CommandLine.h"
#include "program/StartReason.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QQmlEngine>
#include <QSocketNotifier>

#include <cstdio>
#include <malloc.h>
#include <utility>

namespace fadebin {

namespace {

constexpr Duration onboardingDelay{250};
// A settings change is written this long after the last one (a slider's steps, typing).
constexpr Duration settingsWriteDelay{500};
// The bus hands over the call it started the program for as soon as the name is taken; an
// Activate later than this is someone opening the running program.
constexpr Duration launchActivationWindow{10'000};
// Blocks at least this large are mapped on their own, and a heap's free top this large is
// handed back, at once.
constexpr int returnableBlock = 256 * 1024;

enum class Display { x11, layerShell, waylandWindowsOnly, explicitPlatform, none };

// The notch needs X11 (XWayland in a Wayland session) or a Wayland compositor with the layer
// shell; one platform serves the whole program. A layer shell wins in a Wayland session, as
// only it keeps the notch at the top of the screen there; X11 is next (GNOME Shell offers no
// layer shell but XWayland places the panel itself); a Wayland compositor with neither still
// gets the windows. A platform named explicitly otherwise (offscreen in tests) gets the whole
// program on it and is never traded for Wayland; with no display at all only the engine runs.
Display chooseDisplay() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool askedForX11 = platform.startsWith("xcb");
    const bool askedForOther =
        !platform.isEmpty() && !askedForX11 && !platform.startsWith("wayland");
    bool hasSeat = true;
    const WaylandCompositor wayland =
        askedForX11 || askedForOther ? WaylandCompositor::none : probeWaylandCompositor(&hasSeat);
    // Qt's own Wayland text input asks the seat's device for the writing direction of every
    // text shown, and crashes where there is none (a headless compositor): no input method
    // there, unless one is asked for.
    const auto useWayland = [hasSeat] {
        qputenv("QT_QPA_PLATFORM", "wayland");
        if (!hasSeat && qEnvironmentVariableIsEmpty("QT_IM_MODULE")) {
            FADEBIN_LOG_INFO(LogCategory::App, "The Wayland compositor has no input seat");
            qputenv("QT_IM_MODULE", "none");
        }
    };
    if (wayland == WaylandCompositor::withLayerShell) {
        useWayland();
        return Display::layerShell;
    }
    if (!qEnvironmentVariableIsEmpty("DISPLAY") && x11DisplayReachable()) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return Display::x11;
    }
    if (wayland == WaylandCompositor::withoutLayerShell) {
        useWayland();
        return Display::waylandWindowsOnly;
    }
    if (askedForOther)
        return Display::explicitPlatform;
    return Display::none;
}

} // namespace

DesktopProgram::DesktopProgram() = default;

DesktopProgram::~DesktopProgram() {
    // Windows and their engine first, the application object last.
    m_onboardingCheck.reset();
    m_launchActivationWindow.reset();
    m_busService.reset();
    m_onboarding.reset();
    m_settingsWindow.reset();
    m_updateWindow.reset();
    m_feedback.reset();
    m_engine.reset();
    m_desktopStyle.reset();
    m_problemNotifier.reset();
    m_updateAnnouncer.reset();
    m_notifications.reset();
    m_updates.reset();
    m_network.reset();
    m_notch.reset();
    m_screens.reset();
    m_wayland.reset();
    m_model.reset();
    m_app.reset();
}

int DesktopProgram::run(int argc, char** argv) {
    if (const std::optional<int> status = handleCommandLine(argc, argv))
        return *status;
    // Taken before the lock makes the data folder: with no folder at all Fadebin never ran
    // here, and attributes on files in Downloads came from elsewhere (a backup, rsync -X).
    std::error_code ec;
    m_neverRan = !std::filesystem::exists(InstanceLock::standardPath().parent_path(), ec) && !ec;
    const InstanceLock::Outcome lock = m_lock.acquire(InstanceLock::standardPath());
    if (lock == InstanceLock::Outcome::heldElsewhere) {
        // Never a second engine on the same data: the running program shows its settings.
        QCoreApplication app(argc, argv);
        installTranslations();
        if (!ApplicationActivation::activateRunning())
            std::fputs(qPrintable(QCoreApplication::translate("DesktopProgram",
                                                              "Fadebin is already running.") +
                                  u'\n'),
                       stdout);
        return 0;
    }

    // glibc raises its thresholds for giving memory back to the size of the largest block
    // freed so far: after one bus call naming a hundred thousand paths, the bus thread's arena
    // would keep megabytes it no longer uses for the life of the program. Fixed thresholds
    // keep large blocks and freed arena tops going back to the system.
    mallopt(M_MMAP_THRESHOLD, returnableBlock);
    mallopt(M_TRIM_THRESHOLD, returnableBlock);
    m_launchActivationDue = startedByBusActivation();
    m_quitSignals.emplace();
    const Display display = chooseDisplay();
    if (display != Display::none) {
        useSoftwareRendering();
        DesktopStyle::useDesktopControlsStyle();
        m_app = std::make_unique<QGuiApplication>(argc, argv);
        // Closing the settings, onboarding or feedback window never ends the program.
        QGuiApplication::setQuitOnLastWindowClosed(false);
        // Task bars and Alt-Tab match the windows to the desktop entry and show its icon.
        QGuiApplication::setDesktopFileName(ApplicationActivation::serviceName);
        QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/fadebin/com.ostrel.Fadebin.svg")));
        m_hasGui = true;
    } else {
        m_app = std::make_unique<QCoreApplication>(argc, argv);
    }
    installTranslations();
    QCoreApplication::setApplicationName(QStringLiteral("Fadebin"));
    QCoreApplication::setApplicationVersion(appVersionString());
    if (lock == InstanceLock::Outcome::failed)
        FADEBIN_LOG_ERROR(LogCategory::App, "Could not take the instance lock: %s",
                          m_lock.error().text().c_str());
    if (display == Display::layerShell)
        FADEBIN_LOG_INFO(LogCategory::App, "Wayland session: layer-shell notch");
    if (display == Display::x11 && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        FADEBIN_LOG_INFO(LogCategory::App, "Wayland session: showing the notch through XWayland");
    if (display == Display::waylandWindowsOnly) {
        FADEBIN_LOG_INFO(LogCategory::App, "Wayland session: no notch available");
        FADEBIN_LOG_INFO(LogCategory::Notch, "%s", noNotchText().toUtf8().constData());
    }
    if (display == Display::none)
        FADEBIN_LOG_INFO(LogCategory::Notch, "No display: running without the notch");
    m_hasNotch = display == Display::x11 || display == Display::explicitPlatform ||
                 display == Display::layerShell;
    if (display == Display::layerShell) {
        m_wayland = WaylandClient::connect();
        m_hasNotch = m_wayland != nullptr;
    }

    std::optional<QSocketNotifier> quitNotifier;
    if (m_quitSignals->descriptor() >= 0) {
        quitNotifier.emplace(m_quitSignals->descriptor(), QSocketNotifier::Read);
        QObject::connect(&*quitNotifier, &QSocketNotifier::activated, m_app.get(), [this] {
            m_quitSignals->drain();
            QCoreApplication::quit();
        });
    } else {
        FADEBIN_LOG_ERROR(LogCategory::App, "SIGTERM and SIGINT will end Fadebin abruptly");
    }

    finishStarting();
    const int status = QCoreApplication::exec();
    // applicationWillTerminate: records are saved after every change, so only the notch goes.
    if (m_notch)
        m_notch->teardown();
    return status;
}

void DesktopProgram::finishStarting() {
    m_defaults = std::make_unique<SettingsFile>();
    m_defaults->coalesceWrites(Clock::system(), settingsWriteDelay);
    m_loginItem = std::make_unique<AutostartLoginItem>();
    m_settings = std::make_unique<AppSettings>(*m_defaults, *m_loginItem);
    m_fileManager = std::make_unique<FileManager>();
    m_model = std::make_unique<AppModel>(*m_settings, Clock::system(), *m_fileManager);

    if (m_hasNotch)
        makeNotch();
    if (m_hasGui) {
        m_network = std::make_unique<QNetworkAccessManager>();
        m_updates = std::make_unique<UpdateManager>(
            Clock::system(), *m_network, configuredUpdateFeed(), shortVersion(), buildNumber());
        m_notifications = std::make_unique<DesktopNotifications>();
        m_updateAnnouncer =
            std::make_unique<UpdateAnnouncer>(*m_updates, *m_defaults, *m_notifications);
        m_downloadNotices =
            std::make_unique<DownloadNotices>(*m_model, Clock::system(), *m_notifications);
        // The layer-shell notch is drawn offscreen: its items reach the accessibility tree, but
        // none as showing, so a screen reader does not present them. While one runs, new
        // downloads are asked about with notifications there, unless the person chose the notch.
        if (m_wayland)
            m_screenReader = std::make_unique<ScreenReaderStatus>();
        followAskWith();
        if (m_screenReader)
            QObject::connect(m_screenReader.get(), &ScreenReaderStatus::enabledChanged,
                             m_downloadNotices.get(), [this] { followAskWith(); });
        if (m_notch)
            m_downloadNotices->openChoice = [this] { m_notch->showForKeyboard(); };
        QObject::connect(m_settings.get(), &AppSettings::askWithChanged, m_downloadNotices.get(),
                         [this] { followAskWith(); });
        m_problemNotifier = std::make_unique<IntakeProblemNotifier>(*m_model, *m_notifications);
        m_model->lowSpace()->tellThrough(*m_notifications);
    }
    // Started after the notch is in place, so that its callbacks catch the first events.
    m_model->start(m_neverRan);
    registerOnBus();
    if (m_updates)
        m_updates->start();
    FADEBIN_LOG_INFO(LogCategory::App, "Fadebin started");

    QPointer<DesktopProgram> self(this);
    m_onboardingCheck = Clock::system().singleShot(onboardingDelay, [self] {
        if (self)
            self->showOnboardingIfDue();
    });
}

void DesktopProgram::makeNotch() {
    QPointer<DesktopProgram> self(this);
    auto openSettings = [self] {
        if (self)
            self->showSettings();
    };
    m_motion = std::make_unique<MotionPreference>();
    const NotchContentOptions options{.motion = m_motion.get()};
    NotchController::PanelFactory panels;
    if (m_wayland) {
        auto screens = std::make_unique<LayerShellScreenSource>();
        LayerShellScreenSource* source = screens.get();
        panels = LayerShellContentPanel::factory(
            *m_wayland, openSettings,
            [source](LayerShellContentPanel* panel) {
                source->setPointerSource([panel] { return panel->pointerPosition(); });
            },
            options);
        m_screens = std::move(screens);
    } else {
        m_screens = std::make_unique<QtScreenSource>();
        panels = NotchContentPanel::factory(openSettings, options);
    }
    // Drags are watched through the X selection; in a Wayland session that is XWayland's,
    // and drags of native Wayland programs are seen only when they reach the notch itself.
    m_notch = std::make_unique<NotchController>(
        *m_model, *m_settings, Clock::system(), *m_screens,
        std::make_unique<DragWatcher>(Clock::system(), std::make_unique<X11DragSelection>()),
        std::move(panels));
    m_notch->install();
}

void DesktopProgram::showOnboardingIfDue() {
    if (!m_hasGui || m_settings->hasCompletedOnboarding())
        return;
    showOnboarding();
}

void DesktopProgram::showOnboarding() {
    makeWindows();
    FADEBIN_LOG_INFO(LogCategory::App, "Showing the onboarding window");
    m_onboarding->show();
}

void DesktopProgram::activate() {
    if (std::exchange(m_launchActivationDue, false)) {
        // The notch is the interface; a first run brings onboarding up by itself.
        m_launchActivationWindow.reset();
        FADEBIN_LOG_INFO(LogCategory::App, "Started from the application menu");
        return;
    }
    // Until onboarding is done, it is what opening Fadebin again shows, not a second window.
    if (m_hasGui && !m_settings->hasCompletedOnboarding())
        return showOnboarding();
    showSettings();
}

void DesktopProgram::showSettings() {
    if (!m_hasGui) {
        FADEBIN_LOG_INFO(LogCategory::App, "No display: the settings window cannot be shown");
        return;
    }
    makeWindows();
    FADEBIN_LOG_INFO(LogCategory::App, "Showing the settings window");
    m_settingsWindow->show();
}

void DesktopProgram::followAskWith() {
    const AskWith askWith = m_settings->askWith();
    const bool unheard = m_screenReader && m_screenReader->enabled();
    const bool notices = !m_hasNotch || askWith == AskWith::notification ||
                         (askWith == AskWith::automatic && unheard);
    if (unheard && notices != m_downloadNotices->isActive())
        FADEBIN_LOG_INFO(LogCategory::App,
                         "A screen reader runs: new downloads are asked about with notifications");
    m_downloadNotices->setActive(notices);
    if (m_settingsWindow)
        m_settingsWindow->bindings().setAutomaticAsksWithNotifications(unheard);
}

void DesktopProgram::makeWindows() {
    if (m_engine)
        return;
    m_engine = std::make_unique<QQmlEngine>();
    m_desktopStyle = std::make_unique<DesktopStyle>();
    m_feedback = std::make_unique<FeedbackWindow>(*m_engine, Clock::system(), *m_network,
                                                  configuredFeedbackEndpoint());
    m_updateWindow = std::make_unique<UpdateWindow>(*m_engine, *m_updates);
    m_settingsWindow =
        std::make_unique<SettingsWindow>(*m_engine, *m_model, *m_settings, *m_updates, *m_feedback);
    m_onboarding =
        std::make_unique<OnboardingWindow>(*m_engine, *m_model, *m_settings, Clock::system());
    if (!m_hasNotch) {
        m_settingsWindow->bindings().setNotchUnavailableText(noNotchText());
        m_onboarding->flow().setHasNotch(false);
    }
    if (m_downloadNotices)
        followAskWith();
}

void DesktopProgram::registerOnBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        FADEBIN_LOG_INFO(LogCategory::App, "No session bus: other programs cannot reach Fadebin");
        return;
    }
    QPointer<DesktopProgram> self(this);
    m_busService = std::make_unique<BusService>(*m_model);
    m_busService->onShow = [self] {
        return self && self->m_notch && self->m_notch->showForKeyboard();
    };
    // Owned by the service object it is attached to.
    new ApplicationActivation(
        m_busService.get(),
        [self] {
            if (self)
                self->activate();
        },
        [self] { return self && self->m_busService && self->m_busService->onShow(); });
    const bool registered =
        bus.registerObject(BusService::objectPath, m_busService.get(),
                           QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                               QDBusConnection::ExportAdaptors) &&
        bus.registerService(ApplicationActivation::serviceName);
    if (!registered)
        FADEBIN_LOG_ERROR(LogCategory::App, "Could not register on the session bus: %s",
                          bus.lastError().message().toUtf8().constData());
    if (m_launchActivationDue)
        m_launchActivationWindow = Clock::system().singleShot(launchActivationWindow, [self] {
            if (self)
                self->m_launchActivationDue = false;
        });
}

} // namespace fadebin
