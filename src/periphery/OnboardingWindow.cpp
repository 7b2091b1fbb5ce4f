#include "periphery/OnboardingWindow.h"

#include "app/AppModel.h"

#include <QQuickWindow>

namespace fadebin {

OnboardingWindow::OnboardingWindow(QQmlEngine& engine, AppModel& model, AppSettings& settings,
                                   Clock& clock, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_clock(clock)
    , m_flow(model, settings)
    , m_host(engine, QStringLiteral("OnboardingView")) {
    connect(&m_flow, &OnboardingFlow::finished, this, [this] {
        if (QQuickWindow* w = m_host.window())
            w->close();
    });
}

OnboardingWindow::~OnboardingWindow() {
    // The window hides as it is destroyed, after the recheck timer has gone.
    if (QQuickWindow* w = m_host.window())
        w->disconnect(this);
    m_flow.leave();
}

void OnboardingWindow::show() {
    const bool isNew = m_host.window() == nullptr;
    QQuickWindow* window = m_host.present({{QStringLiteral("flow"), QVariant::fromValue(&m_flow)}});
    if (!window || !isNew)
        return;
    connect(window, &QWindow::visibleChanged, this, &OnboardingWindow::visibilityChanged);
    visibilityChanged(window->isVisible());
}

void OnboardingWindow::visibilityChanged(bool visible) {
    if (visible) {
        if (m_recheck)
            return;
        m_model.recheckDownloadsAccess();
        m_recheck =
            m_clock.repeating(recheckInterval, [this] { m_model.recheckDownloadsAccess(); });
        return;
    }
    m_flow.leave();
    if (!m_recheck)
        return;
    m_recheck.reset();
    if (onDismiss)
        onDismiss();
}

} // namespace fadebin
