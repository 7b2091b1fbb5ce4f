#pragma once

#include "settings/AppSettings.h"
#include <QColor>

#include "app/AppModel.h"

#include <QObject>
#include <QQuickItem>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include <functional>

namespace fadebin {

class AppModel;
class UpdateManager;

// What the settings window shows beyond the settings' own properties: the pickers' choices,
// the texts with a rule behind them, the state of intake, and the program's commands.
class SettingsBindings : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Provided by the program")
    Q_PROPERTY(fadebin::AppSettings* settings READ settings CONSTANT)
    Q_PROPERTY(int displayModeIndex READ displayModeIndex WRITE setDisplayModeIndex NOTIFY
                   displayModeChanged)
    Q_PROPERTY(QString displayModeCaption READ displayModeCaption NOTIFY displayModeChanged)
    // 0: in the notch, 1: with a notification; what applies, the notch being unavailable or not.
    Q_PROPERTY(int askWithIndex READ askWithIndex WRITE setAskWithIndex NOTIFY askWithChanged)
    Q_PROPERTY(int deletionMethodIndex READ deletionMethodIndex WRITE setDeletionMethodIndex NOTIFY
                   deletionMethodChanged)
    Q_PROPERTY(QStringList defaultActionLabels READ defaultActionLabels CONSTANT)
    Q_PROPERTY(int defaultActionIndex READ defaultActionIndex WRITE setDefaultActionIndex NOTIFY
                   defaultActionChanged)
    Q_PROPERTY(QString autoDismissText READ autoDismissText NOTIFY autoDismissChanged)
    Q_PROPERTY(QString pendingGraceText READ pendingGraceText NOTIFY pendingGraceChanged)
    Q_PROPERTY(
        bool pauseWatching READ pauseWatching WRITE setPauseWatching NOTIFY pauseWatchingChanged)
    Q_PROPERTY(QColor countColor READ countColor WRITE setCountColor NOTIFY countColorChanged)
    Q_PROPERTY(QColor countdownColor READ countdownColor WRITE setCountdownColor NOTIFY
                   countdownColorChanged)
    // Why nothing is watched, whatever the cause, and the action that helps.
    Q_PROPERTY(bool intakeProblem READ intakeProblem NOTIFY problemChanged)
    Q_PROPERTY(QString problemText READ problemText NOTIFY problemChanged)
    Q_PROPERTY(QString problemAction READ problemAction NOTIFY problemChanged)
    Q_PROPERTY(bool problemRetryable READ problemRetryable NOTIFY problemChanged)
    Q_PROPERTY(QString storageProblem READ storageProblem NOTIFY storageProblemChanged)
    Q_PROPERTY(
        QString notchUnavailableText READ notchUnavailableText NOTIFY notchUnavailableTextChanged)
    Q_PROPERTY(QString ownTrashText READ ownTrashText NOTIFY ownTrashChanged)
    Q_PROPERTY(QString emptyQuestion READ emptyQuestion NOTIFY ownTrashChanged)
    Q_PROPERTY(bool canEmptyOwnTrash READ canEmptyOwnTrash NOTIFY ownTrashChanged)
    Q_PROPERTY(QString downloadsPath READ downloadsPath CONSTANT)
    Q_PROPERTY(QString versionText READ versionText CONSTANT)
    Q_PROPERTY(bool canSendFeedback READ canSendFeedback CONSTANT)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates CONSTANT)
    Q_PROPERTY(QString updateButtonTitle READ updateButtonTitle NOTIFY updateAvailableChanged)
    // The rules, oldest first, each {subject, applied, choiceIndex} (SettingsBindingsRules.cpp).
    Q_PROPERTY(QVariantList rules READ rules NOTIFY rulesChanged)
    Q_PROPERTY(QStringList ruleChoiceLabels READ ruleChoiceLabels CONSTANT)

public:
    SettingsBindings(AppModel& model, AppSettings& settings, UpdateManager& updates,
                     QString versionText, QObject* parent = nullptr);

    [[nodiscard]] AppSettings* settings() const { return &m_settings; }
    [[nodiscard]] int displayModeIndex() const;
    [[nodiscard]] int askWithIndex() const;
    [[nodiscard]] QString displayModeCaption() const;
    [[nodiscard]] int deletionMethodIndex() const;
    [[nodiscard]] QStringList defaultActionLabels() const;
    [[nodiscard]] int defaultActionIndex() const;
    [[nodiscard]] QString autoDismissText() const;
    [[nodiscard]] QString pendingGraceText() const;
    [[nodiscard]] bool pauseWatching() const;
    // "In the Trash from Fadebin: 2.3 GB (41 files)", and what Empty Now asks before it acts.
    [[nodiscard]] QString ownTrashText() const;
    [[nodiscard]] QString emptyQuestion() const;
    [[nodiscard]] bool canEmptyOwnTrash() const { return m_ownTrash.count > 0; }
    // Counts Fadebin's items in the Trash again (as the window shows).
    void countOwnTrash();
    [[nodiscard]] QColor countColor() const;
    [[nodiscard]] QColor countdownColor() const;
    [[nodiscard]] bool intakeProblem() const;
    [[nodiscard]] QString problemText() const;
    [[nodiscard]] QString problemAction() const;
    [[nodiscard]] bool problemRetryable() const;
    [[nodiscard]] QString storageProblem() const;
    [[nodiscard]] QString downloadsPath() const;
    // Empty where the notch shows; otherwise why not and what to use instead.
    [[nodiscard]] QString notchUnavailableText() const { return m_notchUnavailableText; }
    void setNotchUnavailableText(const QString& text);
    // Whether "automatic" now means notifications (a screen reader runs where the notch is
    // out of its reach), so that the control shows what is in use.
    void setAutomaticAsksWithNotifications(bool notifies);
    [[nodiscard]] QString versionText() const { return m_versionText; }
    [[nodiscard]] bool canSendFeedback() const { return static_cast<bool>(onSendFeedback); }
    [[nodiscard]] bool canCheckForUpdates() const;
    [[nodiscard]] QString updateButtonTitle() const;
    [[nodiscard]] QVariantList rules() const;
    [[nodiscard]] QStringList ruleChoiceLabels() const;
    // Counts again how many files each rule decided (as the window shows, and as rules or
    // their decisions change).
    void countRuleDecisions();

    // Out-of-range indexes are ignored.
    void setDisplayModeIndex(int index);
    void setAskWithIndex(int index);
    void setDeletionMethodIndex(int index);
    void setDefaultActionIndex(int index);
    // Also starts or stops the watcher at once.
    void setPauseWatching(bool paused);
    // Stored as "#RRGGBB"; a colour that is no sRGB colour keeps the stored one.
    void setCountColor(const QColor& color);
    void setCountdownColor(const QColor& color);

    Q_INVOKABLE void resetColors();
    Q_INVOKABLE void retryAccess();
    Q_INVOKABLE void helpWithProblem();
    Q_INVOKABLE void checkForUpdates();
    Q_INVOKABLE void sendFeedback();
    Q_INVOKABLE void quit();
    // Removes from the Trash every item Fadebin put there, and only those.
    Q_INVOKABLE void emptyOwnTrash();
    // Out-of-range rows and choices are ignored.
    Q_INVOKABLE void setRuleChoice(int row, int choiceIndex);
    Q_INVOKABLE void removeRule(int row);
    // Makes the colour pickers open in the item's window drawable and framed (see
    // drawColorFields and frameColorDialogs).
    Q_INVOKABLE void drawColorFields(QQuickItem* item);

    // Opens the feedback window; without it there is no "Send Feedback…" button.
    std::function<void()> onSendFeedback;
    // Ends the program.
    std::function<void()> onQuit;

Q_SIGNALS:
    void displayModeChanged();
    void deletionMethodChanged();
    void askWithChanged();
    void defaultActionChanged();
    void autoDismissChanged();
    void pendingGraceChanged();
    void pauseWatchingChanged();
    void countColorChanged();
    void countdownColorChanged();
    void problemChanged();
    void storageProblemChanged();
    void notchUnavailableTextChanged();
    void updateAvailableChanged();
    void ownTrashChanged();
    void rulesChanged();

private:
    AppModel& m_model;
    AppSettings& m_settings;
    UpdateManager& m_updates;
    QString m_notchUnavailableText;
    bool m_automaticNotifies = false;
    QString m_versionText;
    AppModel::TrashedTotal m_ownTrash;
    std::vector<qint64> m_ruleDecisions;
};

} // namespace fadebin
