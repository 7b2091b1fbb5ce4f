#include "periphery/OnboardingFlow.h"

#include "app/AppModel.h"
#include "settings/AppSettings.h"

namespace fadebin {

OnboardingFlow::OnboardingFlow(AppModel& model, AppSettings& settings, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_settings(settings) {
    connect(&model, &AppModel::downloadsAccessDeniedChanged, this, [this] {
        Q_EMIT downloadsAccessDeniedChanged();
        updateCanContinue();
    });
}

bool OnboardingFlow::canContinue() const {
    return m_step != accessStep || !m_model.downloadsAccessDenied();
}

bool OnboardingFlow::downloadsAccessDenied() const {
    return m_model.downloadsAccessDenied();
}

void OnboardingFlow::back() {
    if (canGoBack())
        setStep(m_step - 1);
}

void OnboardingFlow::advance() {
    if (!canContinue())
        return;
    if (!isLastStep()) {
        setStep(m_step + 1);
        return;
    }
    m_settings.setHasCompletedOnboarding(true);
    Q_EMIT finished();
}

void OnboardingFlow::dropSample() {
    const bool written = m_model.writeSampleFile();
    if (written && !m_testTimersBefore) {
        // The step tells the user to pick 30 seconds for the sample: that button must be there.
        m_testTimersBefore = m_settings.showTestTimers();
        m_settings.setShowTestTimers(true);
    }
    if (m_sampleDropped == written && m_sampleFailed == !written)
        return;
    m_sampleDropped = m_sampleDropped || written;
    m_sampleFailed = !written;
    Q_EMIT sampleDroppedChanged();
}

void OnboardingFlow::leave() {
    if (m_testTimersBefore)
        m_settings.setShowTestTimers(*std::exchange(m_testTimersBefore, std::nullopt));
}

void OnboardingFlow::checkAgain() {
    m_model.recheckDownloadsAccess();
}

void OnboardingFlow::showDownloadsFolder() {
    m_model.showDownloadsFolder();
}

void OnboardingFlow::setStep(int step) {
    if (m_step == step)
        return;
    m_step = step;
    Q_EMIT stepChanged();
    updateCanContinue();
}

void OnboardingFlow::updateCanContinue() {
    if (m_canContinue == canContinue())
        return;
    m_canContinue = canContinue();
    Q_EMIT canContinueChanged();
}

} // namespace fadebin
