#pragma once

#include "periphery/OnboardingFlow.h"
#include "periphery/WindowHost.h"
#include "platform/Clock.h"

#include <QObject>

#include <functional>

class QQmlEngine;
class QQuickWindow;

namespace fadebin {

// The first-run window. While it is on screen it looks at the Downloads folder once a
// second, so that the access step turns green soon after the user fixes the permissions.
// Finish closes it; closing it any way calls onDismiss, but only Finish completes onboarding.
class OnboardingWindow : public QObject {
    Q_OBJECT

public:
    static constexpr Duration recheckInterval{1'000};

    OnboardingWindow(QQmlEngine& engine, AppModel& model, AppSettings& settings, Clock& clock,
                     QObject* parent = nullptr);
    ~OnboardingWindow() override;

    void show();
    [[nodiscard]] QQuickWindow* window() const { return m_host.window(); }
    [[nodiscard]] OnboardingFlow& flow() { return m_flow; }
    [[nodiscard]] bool isRechecking() const { return m_recheck != nullptr; }

    std::function<void()> onDismiss;

private:
    void visibilityChanged(bool visible);

    AppModel& m_model;
    Clock& m_clock;
    OnboardingFlow m_flow;
    WindowHost m_host;
    TimerHandle m_recheck;
};

} // namespace fadebin
