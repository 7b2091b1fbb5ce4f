#pragma once

#include "platform/Clock.h"
#include "platform/InstanceLock.h"
#include "program/QuitSignals.h"

#include <QObject>

#include <memory>
#include <optional>

class QCoreApplication;
class QNetworkAccessManager;
class QQmlEngine;

namespace fadebin {

class AppModel;
class AppSettings;
class AutostartLoginItem;
class BusService;
class DesktopNotifications;
class DownloadNotices;
class DesktopStyle;
class FeedbackWindow;
class MotionPreference;
class ScreenReaderStatus;
class NotchController;
class OnboardingWindow;
class QtScreenSource;
class SettingsWindow;
class UpdateAnnouncer;
class UpdateManager;
class UpdateWindow;
class WaylandClient;
class SettingsFile;
class FileManager;
class IntakeProblemNotifier;

// The program: creates the long-lived objects in their order, starts them, offers the
// first-run onboarding, owns the windows around the notch and tears the notch down at quit.
// The only place that knows every layer.
class DesktopProgram : public QObject {
    Q_OBJECT
public:
    DesktopProgram();
    ~DesktopProgram() override;

    // Runs the program to its end; returns its exit status.
    int run(int argc, char** argv);

    // What the notch's gear button and a second launch of the program open.
    void showSettings();

private:
    void finishStarting();
    void showOnboardingIfDue();
    void showOnboarding();
    // org.freedesktop.Application.Activate: the application menu or a second start.
    void activate();
    void registerOnBus();
    void makeWindows();
    // Whether new downloads are asked about with notifications, told to whoever shows it.
    void followAskWith();
    void makeNotch();

    // First, so that it goes last: a quit signal during the teardown still waits for it.
    std::optional<QuitSignals> m_quitSignals;
    InstanceLock m_lock;
    bool m_neverRan = false;
    // First, so that it is destroyed last: every object below lives inside it.
    std::unique_ptr<QCoreApplication> m_app;
    bool m_hasGui = false;
    bool m_hasNotch = false;
    std::unique_ptr<WaylandClient> m_wayland; // the layer-shell notch's connection
    std::unique_ptr<SettingsFile> m_defaults;
    std::unique_ptr<AutostartLoginItem> m_loginItem;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<FileManager> m_fileManager;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<QtScreenSource> m_screens;
    std::unique_ptr<MotionPreference> m_motion;
    std::unique_ptr<NotchController> m_notch;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::unique_ptr<UpdateManager> m_updates;
    std::unique_ptr<DesktopNotifications> m_notifications;
    std::unique_ptr<UpdateAnnouncer> m_updateAnnouncer;
    std::unique_ptr<DownloadNotices> m_downloadNotices;
    // Followed with the layer-shell notch only, whose items screen readers cannot reach.
    std::unique_ptr<ScreenReaderStatus> m_screenReader;
    std::unique_ptr<IntakeProblemNotifier> m_problemNotifier;
    std::unique_ptr<DesktopStyle> m_desktopStyle;
    // The windows and their QML engine come on first use: a user who never opens them does
    // not pay for them.
    std::unique_ptr<QQmlEngine> m_engine;
    std::unique_ptr<FeedbackWindow> m_feedback;
    std::unique_ptr<UpdateWindow> m_updateWindow;
    std::unique_ptr<SettingsWindow> m_settingsWindow;
    std::unique_ptr<OnboardingWindow> m_onboarding;
    std::unique_ptr<BusService> m_busService;
    TimerHandle m_onboardingCheck;
    // Started by the bus to take an Activate call: that first call is the launch itself,
    // not a user opening a Fadebin that was already running.
    bool m_launchActivationDue = false;
    TimerHandle m_launchActivationWindow;
};

} // namespace fadebin
