#include "periphery/OnboardingFlow.h"

#include "app/AppModel.h"
#include "periphery/IntakeProblemHelp.h"
#include "periphery/PeripheryTexts.h"
#include "settings/AppSettings.h"

namespace fadebin {

OnboardingFlow::OnboardingFlow(AppModel& model, AppSettings& settings, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_settings(settings) {
    connect(&model, &AppModel::intakeProblemChanged, this, [this] {
        Q_EMIT problemChanged();
        updateCanContinue();
    });
    // A pause also leaves the sample unseen.
    connect(&settings, &AppSettings::pauseWatchingChanged, this, &OnboardingFlow::problemChanged);
}

bool OnboardingFlow::canContinue() const {
    return m_step != accessStep || !intakeProblem();
}

bool OnboardingFlow::intakeProblem() const {
    return static_cast<bool>(m_model.intakeProblem());
}

QString OnboardingFlow::problemText() const {
    return intakeProblemText(m_model.intakeProblem());
}

QString OnboardingFlow::problemAction() const {
    return windowProblemAction(m_model);
}

bool OnboardingFlow::problemRetryable() const {
    return clearsWhileRunning(m_model.intakeProblem().cause);
}

QString OnboardingFlow::sampleRefusal() const {
    return m_model.sampleRefusal();
}

QVariantMap OnboardingFlow::texts() const {
    const GuideTexts t = guideTexts(m_hasNotch);
    return {{QStringLiteral("hintLead"), t.hintLead},
            {QStringLiteral("hintRest"), t.hintRest},
            {QStringLiteral("tryIt"), t.tryIt},
            {QStringLiteral("sampleDropped"), t.sampleDropped},
            {QStringLiteral("later"), t.later},
            {QStringLiteral("allSet"), t.allSet}};
}

void OnboardingFlow::setHasNotch(bool hasNotch) {
    if (std::exchange(m_hasNotch, hasNotch) != hasNotch)
        Q_EMIT textsChanged();
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
    // The step tells the user to pick 30 seconds for the sample: that button must be there.
    if (written)
        m_settings.setGuideTestTimers(true);
    if (m_sampleDropped == written && m_sampleFailed == !written)
        return;
    m_sampleDropped = m_sampleDropped || written;
    m_sampleFailed = !written;
    Q_EMIT sampleDroppedChanged();
}

void OnboardingFlow::leave() {
    m_settings.setGuideTestTimers(false);
}

void OnboardingFlow::checkAgain() {
    m_model.recheckDownloadsAccess();
}

void OnboardingFlow::helpWithProblem() {
    fadebin::helpWithProblem(m_model);
}

void OnboardingFlow::setStep(int step) {
    if (m_step == step)
        return;
    m_step = step;
    // Back at the sample's step, a sample that was decided or is gone can be dropped again.
    if (step == sampleStep && m_sampleDropped && !m_model.sampleWaiting()) {
        m_sampleDropped = false;
        Q_EMIT sampleDroppedChanged();
    }
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
