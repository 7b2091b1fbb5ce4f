#pragma once

#include "platform/RgbColor.h"
#include "settings/ExpiryOption.h"
#include "settings/Rule.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace fadebin {

class LoginItemService;
class SettingsFile;

// When the notch opens by itself. `automatic` is stored as "auto" (a keyword in C++).
enum class DisplayMode { automatic, hoverOnly };
// What deleting an expired file means.
enum class DeletionMethod { trash, permanent };
// How a new download is asked about: `automatic` is the notch where one can be shown and a
// desktop notification where none can.
enum class AskWith { automatic, notch, notification };

inline constexpr std::array<DisplayMode, 2> allDisplayModes{DisplayMode::automatic,
                                                            DisplayMode::hoverOnly};
inline constexpr std::array<DeletionMethod, 2> allDeletionMethods{DeletionMethod::trash,
                                                                  DeletionMethod::permanent};

[[nodiscard]] QString rawValue(DisplayMode mode);
[[nodiscard]] std::optional<DisplayMode> displayModeFromRaw(QStringView raw);
[[nodiscard]] QString rawValue(DeletionMethod method);
[[nodiscard]] std::optional<DeletionMethod> deletionMethodFromRaw(QStringView raw);
[[nodiscard]] QString rawValue(AskWith ask);
[[nodiscard]] std::optional<AskWith> askWithFromRaw(QStringView raw);

// The set of lower-case extensions in a list separated by commas, spaces, line feeds or
// semicolons; leading and trailing full stops and spaces of each piece do not count.
[[nodiscard]] QSet<QString> parseExcludedExtensions(const QString& text);
// "#RRGGBB" (the "#" optional, spaces and tabs around ignored, either case); none otherwise.
[[nodiscard]] std::optional<RgbColor> colorFromHex(const QString& hex);
// "#RRGGBB" in upper case, each channel clamped to 0..1 and rounded half away from zero.
[[nodiscard]] QString hexFromColor(RgbColor color);

// The user's preferences. Each is read from the user-defaults store once, at construction,
// and written back on every assignment, also when unchanged; observers are told only about
// real changes. launchAtLogin is not stored: it mirrors the login item. Main thread only.
class AppSettings : public QObject {
    Q_OBJECT
    Q_PROPERTY(fadebin::DisplayMode displayMode READ displayMode WRITE setDisplayMode NOTIFY
                   displayModeChanged)
    Q_PROPERTY(double autoDismissSeconds READ autoDismissSeconds WRITE setAutoDismissSeconds NOTIFY
                   autoDismissSecondsChanged)
    Q_PROPERTY(double pendingGraceMinutes READ pendingGraceMinutes WRITE setPendingGraceMinutes
                   NOTIFY pendingGraceMinutesChanged)
    Q_PROPERTY(fadebin::ExpiryOption defaultAction READ defaultAction WRITE setDefaultAction NOTIFY
                   defaultActionChanged)
    // Whether the grace counts only while the person is at the machine.
    Q_PROPERTY(bool waitForPresence READ waitForPresence WRITE setWaitForPresence NOTIFY
                   waitForPresenceChanged)
    Q_PROPERTY(fadebin::DeletionMethod deletionMethod READ deletionMethod WRITE setDeletionMethod
                   NOTIFY deletionMethodChanged)
    Q_PROPERTY(fadebin::AskWith askWith READ askWith WRITE setAskWith NOTIFY askWithChanged)
    // Days an item Fadebin moved to the Trash stays there before Fadebin removes it; 0: never.
    Q_PROPERTY(
        int trashPurgeDays READ trashPurgeDays WRITE setTrashPurgeDays NOTIFY trashPurgeDaysChanged)
    // The same as a place in trashPurgeChoices, for the pickers.
    Q_PROPERTY(int trashPurgeIndex READ trashPurgeIndex WRITE setTrashPurgeIndex NOTIFY
                   trashPurgeDaysChanged)
    Q_PROPERTY(bool applyFileTag READ applyFileTag WRITE setApplyFileTag NOTIFY applyFileTagChanged)
    Q_PROPERTY(
        bool pauseWatching READ pauseWatching WRITE setPauseWatching NOTIFY pauseWatchingChanged)
    Q_PROPERTY(bool showTestTimers READ showTestTimers WRITE setShowTestTimers NOTIFY
                   showTestTimersChanged)
    // What the notch offers: the stored choice, or the first-run guide's sample step.
    Q_PROPERTY(bool testTimersOffered READ testTimersOffered NOTIFY testTimersOfferedChanged)
    Q_PROPERTY(QString excludedExtensionsText READ excludedExtensionsText WRITE
                   setExcludedExtensionsText NOTIFY excludedExtensionsTextChanged)
    Q_PROPERTY(
        QString countColorHex READ countColorHex WRITE setCountColorHex NOTIFY countColorHexChanged)
    Q_PROPERTY(QString countdownColorHex READ countdownColorHex WRITE setCountdownColorHex NOTIFY
                   countdownColorHexChanged)
    Q_PROPERTY(bool showScheduledCount READ showScheduledCount WRITE setShowScheduledCount NOTIFY
                   showScheduledCountChanged)
    Q_PROPERTY(bool hasCompletedOnboarding READ hasCompletedOnboarding WRITE
                   setHasCompletedOnboarding NOTIFY hasCompletedOnboardingChanged)
    Q_PROPERTY(
        bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)

public:
    static constexpr double defaultAutoDismissSeconds = 8;
    static constexpr double defaultPendingGraceMinutes = 5;
    // Beyond these a stored value is taken for a typing slip: a day, a year.
    static constexpr double largestAutoDismissSeconds = 86'400;
    static constexpr double largestPendingGraceMinutes = 525'600;
    static constexpr std::array<int, 4> trashPurgeChoices{0, 1, 7, 30};
    static constexpr int defaultTrashPurgeDays = 30;
    static inline const QString defaultCountColorHex = QStringLiteral("#40F2FF");
    static inline const QString defaultCountdownColorHex = QStringLiteral("#FF9EF2");

    AppSettings(SettingsFile& defaults, LoginItemService& loginItem, QObject* parent = nullptr);

    [[nodiscard]] DisplayMode displayMode() const { return m_displayMode; }
    [[nodiscard]] double autoDismissSeconds() const { return m_autoDismissSeconds; }
    [[nodiscard]] double pendingGraceMinutes() const { return m_pendingGraceMinutes; }
    [[nodiscard]] ExpiryOption defaultAction() const { return m_defaultAction; }
    [[nodiscard]] bool waitForPresence() const { return m_waitForPresence; }
    [[nodiscard]] DeletionMethod deletionMethod() const { return m_deletionMethod; }
    [[nodiscard]] AskWith askWith() const { return m_askWith; }
    [[nodiscard]] int trashPurgeDays() const { return m_trashPurgeDays; }
    [[nodiscard]] int trashPurgeIndex() const;
    // How long our items stay in the Trash; none when they are never removed.
    [[nodiscard]] std::optional<Duration> trashPurgeAge() const;
    [[nodiscard]] bool applyFileTag() const { return m_applyFileTag; }
    [[nodiscard]] bool pauseWatching() const { return m_pauseWatching; }
    [[nodiscard]] bool showTestTimers() const { return m_showTestTimers; }
    [[nodiscard]] bool testTimersOffered() const { return m_showTestTimers || m_guideTestTimers; }
    [[nodiscard]] QString excludedExtensionsText() const { return m_excludedExtensionsText; }
    [[nodiscard]] QString countColorHex() const { return m_countColorHex; }
    [[nodiscard]] QString countdownColorHex() const { return m_countdownColorHex; }
    [[nodiscard]] bool showScheduledCount() const { return m_showScheduledCount; }
    [[nodiscard]] bool hasCompletedOnboarding() const { return m_hasCompletedOnboarding; }
    [[nodiscard]] bool launchAtLogin() const { return m_launchAtLogin; }

    void setDisplayMode(DisplayMode value);
    void setAutoDismissSeconds(double value);
    void setPendingGraceMinutes(double value);
    void setDefaultAction(ExpiryOption value);
    void setWaitForPresence(bool value);
    void setDeletionMethod(DeletionMethod value);
    void setAskWith(AskWith value);
    // A number of days that is not one of the choices (an index out of range) is ignored.
    void setTrashPurgeDays(int value);
    void setTrashPurgeIndex(int index);
    void setApplyFileTag(bool value);
    void setPauseWatching(bool value);
    void setShowTestTimers(bool value);
    // The guide's sample step offers the test timers while the guide is open. Never written
    // to the file: a quit or a crash mid-guide leaves the user's own choice in place.
    void setGuideTestTimers(bool value);
    void setExcludedExtensionsText(const QString& value);
    void setCountColorHex(const QString& value);
    void setCountdownColorHex(const QString& value);
    void setShowScheduledCount(bool value);
    void setHasCompletedOnboarding(bool value);
    // Registers or unregisters the login item; on failure logs and falls back to its state.
    void setLaunchAtLogin(bool value);

    // The grace as the engine uses it: a value assigned at run time that could not have been
    // read back (not finite, not positive, absurdly large) counts as the default.
    [[nodiscard]] Duration pendingGrace() const;

    [[nodiscard]] QSet<QString> excludedExtensions() const;
    // The colour of the hex string, or the field's default colour when it does not parse.
    [[nodiscard]] RgbColor countColor() const;
    [[nodiscard]] RgbColor countdownColor() const;
    // A colour outside sRGB (a channel outside 0..1) keeps the current hex, written again.
    void setCountColor(RgbColor color);
    void setCountdownColor(RgbColor color);
    void resetColors();

    // Standing decisions for new downloads (settings/Rule.h), oldest first, stored under
    // "rules". Changed only through these calls, each written at once (AppSettingsRules.cpp).
    [[nodiscard]] const std::vector<Rule>& rules() const { return m_rules; }
    // Appends the rule, in place of one that matches the same host, kind and extension;
    // false when the list is full.
    bool addRule(const Rule& rule);
    // Removes the rule at that place (from 0); false when there is none.
    bool removeRule(std::size_t index);
    // Gives the rule at that place another choice, where it stands; false when there is none.
    bool setRuleChoice(std::size_t index, ExpiryOption choice);

Q_SIGNALS:
    void displayModeChanged();
    void autoDismissSecondsChanged();
    void pendingGraceMinutesChanged();
    void defaultActionChanged();
    void waitForPresenceChanged();
    void deletionMethodChanged();
    void askWithChanged();
    void trashPurgeDaysChanged();
    void applyFileTagChanged();
    void pauseWatchingChanged();
    void showTestTimersChanged();
    void testTimersOfferedChanged();
    void excludedExtensionsTextChanged();
    void countColorHexChanged();
    void countdownColorHexChanged();
    void showScheduledCountChanged();
    void hasCompletedOnboardingChanged();
    void launchAtLoginChanged();
    void rulesChanged();

private:
    void writeRules();

    // Stores, writes (also when unchanged), then notifies on a real change.
    template <class T, class Write>
    void assign(T& field, const T& value, void (AppSettings::*changedSignal)(), Write write) {
        const bool changed = field != value;
        field = value;
        write();
        if (changed)
            Q_EMIT(this->*changedSignal)();
    }
    void assignLaunchAtLogin(bool value, bool reverting);
    // Every stored setting in turn, from the one table that names its key, default and reader.
    template <class Visit> static void forEachStored(Visit&& visit);
    // Assigns a stored setting (through assign) and writes it under its key.
    template <class T> void store(T AppSettings::*field, const T& value);

    SettingsFile& m_defaults;
    LoginItemService& m_loginItem;
    DisplayMode m_displayMode;
    double m_autoDismissSeconds;
    double m_pendingGraceMinutes;
    ExpiryOption m_defaultAction;
    bool m_waitForPresence;
    DeletionMethod m_deletionMethod;
    AskWith m_askWith;
    int m_trashPurgeDays;
    bool m_applyFileTag;
    bool m_pauseWatching;
    bool m_showTestTimers;
    bool m_guideTestTimers = false;
    QString m_excludedExtensionsText;
    QString m_countColorHex;
    QString m_countdownColorHex;
    bool m_showScheduledCount;
    bool m_hasCompletedOnboarding;
    bool m_launchAtLogin;
    std::vector<Rule> m_rules;
};

} // namespace fadebin
