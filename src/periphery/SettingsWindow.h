#pragma once

#include "periphery/SettingsBindings.h"
#include "periphery/WindowHost.h"
#include "platform/Version.h"

#include <QObject>

#include <functional>

class QQmlEngine;
class QQuickWindow;

namespace fadebin {

class AppModel;
class AppSettings;
class FeedbackWindow;
class UpdateManager;

// The settings window: three tabs over the settings, the state of intake and the program's
// commands. Made on first show; showing it again brings it to the front; closing it hides it.
class SettingsWindow : public QObject {
    Q_OBJECT

public:
    // feedback opens from the "Send Feedback…" button when it has an endpoint; versionText
    // is the "Version" row.
    SettingsWindow(QQmlEngine& engine, AppModel& model, AppSettings& settings,
                   UpdateManager& updates, FeedbackWindow& feedback,
                   QString versionText = appVersionString(), QObject* parent = nullptr);

    void show();
    [[nodiscard]] QQuickWindow* window() const { return m_host.window(); }
    [[nodiscard]] SettingsBindings& bindings() { return m_bindings; }

    // "Quit Fadebin": quits the application unless replaced.
    void setOnQuit(std::function<void()> onQuit) { m_bindings.onQuit = std::move(onQuit); }

private:
    SettingsBindings m_bindings;
    WindowHost m_host;
};

} // namespace fadebin
