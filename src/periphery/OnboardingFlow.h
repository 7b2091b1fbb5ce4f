#pragma once

#include "settings/AppSettings.h"

#include <QObject>
#include <QVariantMap>

#include <QtQml/qqmlregistration.h>

namespace fadebin {

class AppModel;

// The first-run walkthrough's state: which step shows, whether the sample was dropped, and
// what the navigation buttons may do.
class OnboardingFlow : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the program")
    Q_PROPERTY(fadebin::AppSettings* settings READ settings CONSTANT)
    Q_PROPERTY(int step READ step NOTIFY stepChanged)
    Q_PROPERTY(int stepCount READ stepCount CONSTANT)
    Q_PROPERTY(bool canGoBack READ canGoBack NOTIFY stepChanged)
    Q_PROPERTY(bool isLastStep READ isLastStep NOTIFY stepChanged)
    Q_PROPERTY(bool canContinue READ canContinue NOTIFY canContinueChanged)
    Q_PROPERTY(bool sampleDropped READ sampleDropped NOTIFY sampleDroppedChanged)
    Q_PROPERTY(bool sampleFailed READ sampleFailed NOTIFY sampleDroppedChanged)
    // The texts that name where files are decided, by key (GuideTexts' fields).
    Q_PROPERTY(QVariantMap texts READ texts NOTIFY textsChanged)
    // Why nothing is watched, the action that helps, and why the sample cannot be dropped.
    Q_PROPERTY(bool intakeProblem READ intakeProblem NOTIFY problemChanged)
    Q_PROPERTY(QString problemText READ problemText NOTIFY problemChanged)
    Q_PROPERTY(QString problemAction READ problemAction NOTIFY problemChanged)
    Q_PROPERTY(bool problemRetryable READ problemRetryable NOTIFY problemChanged)
    Q_PROPERTY(QString sampleRefusal READ sampleRefusal NOTIFY problemChanged)

public:
    static constexpr int steps = 4;
    // The step that needs access to Downloads before it lets the user on.
    static constexpr int accessStep = 1;
    // The step that drops the sample.
    static constexpr int sampleStep = 2;

    OnboardingFlow(AppModel& model, AppSettings& settings, QObject* parent = nullptr);

    [[nodiscard]] AppSettings* settings() const { return &m_settings; }
    [[nodiscard]] int step() const { return m_step; }
    [[nodiscard]] int stepCount() const { return steps; }
    [[nodiscard]] bool canGoBack() const { return m_step > 0; }
    [[nodiscard]] bool isLastStep() const { return m_step == steps - 1; }
    [[nodiscard]] bool canContinue() const;
    [[nodiscard]] bool sampleDropped() const { return m_sampleDropped; }
    // The last try to drop the sample could not write it.
    [[nodiscard]] bool sampleFailed() const { return m_sampleFailed; }
    [[nodiscard]] bool intakeProblem() const;
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString problemAction() const;
    [[nodiscard]] bool problemRetryable() const;
    [[nodiscard]] QString sampleRefusal() const;
    [[nodiscard]] QVariantMap texts() const;
    // This session cannot show the notch: the guide speaks of the command line instead.
    void setHasNotch(bool hasNotch);

    Q_INVOKABLE void back();
    // Continue, or Finish on the last step: records that onboarding is done, then finished().
    Q_INVOKABLE void advance();
    // Writes the sample and shows the test timers its step asks for, while onboarding lasts.
    Q_INVOKABLE void dropSample();
    // Onboarding was closed: the test timers are offered as the user chose (the sample's own
    // row keeps them until it is decided).
    void leave();
    Q_INVOKABLE void checkAgain();
    Q_INVOKABLE void helpWithProblem();

Q_SIGNALS:
    void stepChanged();
    void canContinueChanged();
    void sampleDroppedChanged();
    void problemChanged();
    void finished();
    void textsChanged();

private:
    void setStep(int step);
    void updateCanContinue();

    AppModel& m_model;
    AppSettings& m_settings;
    int m_step = 0;
    bool m_sampleDropped = false;
    bool m_sampleFailed = false;
    bool m_canContinue = true;
    bool m_hasNotch = true;
};

} // namespace fadebin
