#include "settings/AppSettings.h"

#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <type_traits>

namespace fadebin {

namespace {

// A hand-edited file may hold anything JSON can: zero, negative, or a number so large that
// every deadline computed from it would be meaningless. Such values read as the default.
double usableOr(std::optional<double> stored, double fallback, double largest) {
    return stored && std::isfinite(*stored) && *stored > 0 && *stored <= largest ? *stored
                                                                                 : fallback;
}

bool isSrgb(const RgbColor& color) {
    // Written so that NaN fails as well.
    auto inRange = [](double v) { return v >= 0.0 && v <= 1.0; };
    return inRange(color.red) && inRange(color.green) && inRange(color.blue);
}

// One stored setting: its key in the file, its field, its value when the file has none (or
// one that does not read), how it is read and what tells of a change.
template <class T> struct StoredSetting {
    const char* key;
    T AppSettings::*field;
    T fallback;
    T (*read)(const SettingsFile& store, const QString& key, const T& fallback);
    void (AppSettings::*changed)();
};

// The readers: a value of another JSON type reads as the fallback.
template <class T, std::optional<T> (*fromRaw)(QStringView)>
T readRaw(const SettingsFile& store, const QString& key, const T& fallback) {
    return fromRaw(store.stringValue(key).value_or(QString())).value_or(fallback);
}

template <const double& largest>
double readUsable(const SettingsFile& store, const QString& key, const double& fallback) {
    return usableOr(store.doubleValue(key), fallback, largest);
}

QString readText(const SettingsFile& store, const QString& key, const QString& fallback) {
    return store.stringValue(key).value_or(fallback);
}

bool readBool(const SettingsFile& store, const QString& key, const bool& fallback) {
    return store.storedBool(key).value_or(fallback);
}

bool isTrashPurgeChoice(int days) {
    return std::find(AppSettings::trashPurgeChoices.begin(), AppSettings::trashPurgeChoices.end(),
                     days) != AppSettings::trashPurgeChoices.end();
}

// One of the offered numbers of days, written as a JSON number; anything else is told once and
// read as the fallback.
int readTrashPurgeDays(const SettingsFile& store, const QString& key, const int& fallback) {
    const std::optional<QJsonValue> stored = store.value(key);
    if (!stored)
        return fallback;
    const double days = stored->toDouble(-1);
    if (stored->isDouble() && days == std::floor(days) && std::abs(days) < 1e9 &&
        isTrashPurgeChoice(static_cast<int>(days)))
        return static_cast<int>(days);
    FADEBIN_LOG_INFO(LogCategory::App, "The setting %s is not one of 0, 1, 7 or 30: %d is used",
                     key.toUtf8().constData(), fallback);
    return fallback;
}

// The store's lenient reading: "YES", 1 and true all count.
bool readLenientBool(const SettingsFile& store, const QString& key, const bool& fallback) {
    return store.value(key) ? store.boolValue(key) : fallback;
}

// The writers, each keeping the JSON type its reader expects.
void write(SettingsFile& store, const QString& key, double value) {
    store.setDouble(key, value);
}

void write(SettingsFile& store, const QString& key, int value) {
    store.setDouble(key, value);
}

void write(SettingsFile& store, const QString& key, bool value) {
    store.setBool(key, value);
}

void write(SettingsFile& store, const QString& key, const QString& value) {
    store.setString(key, value);
}

template <class Enum>
requires std::is_enum_v<Enum>
void write(SettingsFile& store, const QString& key, Enum value) {
    store.setString(key, rawValue(value));
}

} // namespace

template <class Visit> void AppSettings::forEachStored(Visit&& visit) {
    static const auto settings = std::tuple{
        StoredSetting<DisplayMode>{"displayMode", &AppSettings::m_displayMode,
                                   DisplayMode::automatic, readRaw<DisplayMode, displayModeFromRaw>,
                                   &AppSettings::displayModeChanged},
        StoredSetting<double>{"autoDismissSeconds", &AppSettings::m_autoDismissSeconds,
                              defaultAutoDismissSeconds, readUsable<largestAutoDismissSeconds>,
                              &AppSettings::autoDismissSecondsChanged},
        StoredSetting<double>{"pendingGraceMinutes", &AppSettings::m_pendingGraceMinutes,
                              defaultPendingGraceMinutes, readUsable<largestPendingGraceMinutes>,
                              &AppSettings::pendingGraceMinutesChanged},
        StoredSetting<ExpiryOption>{"defaultAction", &AppSettings::m_defaultAction,
                                    ExpiryOption::forever, readRaw<ExpiryOption, optionFromRaw>,
                                    &AppSettings::defaultActionChanged},
        StoredSetting<bool>{"waitForPresence", &AppSettings::m_waitForPresence, true, readBool,
                            &AppSettings::waitForPresenceChanged},
        StoredSetting<DeletionMethod>{
            "deletionMethod", &AppSettings::m_deletionMethod, DeletionMethod::trash,
            readRaw<DeletionMethod, deletionMethodFromRaw>, &AppSettings::deletionMethodChanged},
        StoredSetting<AskWith>{"askAboutDownloads", &AppSettings::m_askWith, AskWith::automatic,
                               readRaw<AskWith, askWithFromRaw>, &AppSettings::askWithChanged},
        StoredSetting<int>{"trashPurgeDays", &AppSettings::m_trashPurgeDays, defaultTrashPurgeDays,
                           readTrashPurgeDays, &AppSettings::trashPurgeDaysChanged},
        // This key keeps its first spelling: users' settings files hold it.
        StoredSetting<bool>{"applyFinderTag", &AppSettings::m_applyFileTag, false, readBool,
                            &AppSettings::applyFileTagChanged},
        StoredSetting<bool>{"pauseWatching", &AppSettings::m_pauseWatching, false, readLenientBool,
                            &AppSettings::pauseWatchingChanged},
        StoredSetting<bool>{"showTestTimers", &AppSettings::m_showTestTimers, false, readBool,
                            &AppSettings::showTestTimersChanged},
        StoredSetting<QString>{"excludedExtensions", &AppSettings::m_excludedExtensionsText,
                               QString(), readText, &AppSettings::excludedExtensionsTextChanged},
        StoredSetting<QString>{"countColorHex", &AppSettings::m_countColorHex, defaultCountColorHex,
                               readText, &AppSettings::countColorHexChanged},
        StoredSetting<QString>{"countdownColorHex", &AppSettings::m_countdownColorHex,
                               defaultCountdownColorHex, readText,
                               &AppSettings::countdownColorHexChanged},
        StoredSetting<bool>{"showScheduledCount", &AppSettings::m_showScheduledCount, true,
                            readBool, &AppSettings::showScheduledCountChanged},
        StoredSetting<bool>{"hasCompletedOnboarding", &AppSettings::m_hasCompletedOnboarding, false,
                            readLenientBool, &AppSettings::hasCompletedOnboardingChanged},
    };
    std::apply([&visit](const auto&... setting) { (visit(setting), ...); }, settings);
}

template <class T> void AppSettings::store(T AppSettings::*field, const T& value) {
    forEachStored([&](const auto& setting) {
        if constexpr (std::is_same_v<std::decay_t<decltype(setting.fallback)>, T>) {
            if (setting.field == field) {
                const QString key = QString::fromLatin1(setting.key);
                assign(this->*field, value, setting.changed,
                       [&] { write(m_defaults, key, value); });
            }
        }
    });
}

AppSettings::AppSettings(SettingsFile& defaults, LoginItemService& loginItem, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_loginItem(loginItem)
    , m_launchAtLogin(loginItem.isEnabled()) {
    forEachStored([this](const auto& setting) {
        this->*setting.field =
            setting.read(m_defaults, QString::fromLatin1(setting.key), setting.fallback);
    });
    m_rules = rulesFromJson(
        m_defaults.value(QStringLiteral("rules")).value_or(QJsonValue(QJsonValue::Undefined)));
}

void AppSettings::setDisplayMode(DisplayMode value) {
    store(&AppSettings::m_displayMode, value);
}

void AppSettings::setAutoDismissSeconds(double value) {
    store(&AppSettings::m_autoDismissSeconds, value);
}

void AppSettings::setPendingGraceMinutes(double value) {
    store(&AppSettings::m_pendingGraceMinutes, value);
}

void AppSettings::setDefaultAction(ExpiryOption value) {
    store(&AppSettings::m_defaultAction, value);
}

void AppSettings::setWaitForPresence(bool value) {
    store(&AppSettings::m_waitForPresence, value);
}

void AppSettings::setDeletionMethod(DeletionMethod value) {
    store(&AppSettings::m_deletionMethod, value);
}

void AppSettings::setAskWith(AskWith value) {
    store(&AppSettings::m_askWith, value);
}

int AppSettings::trashPurgeIndex() const {
    const auto* found =
        std::find(trashPurgeChoices.begin(), trashPurgeChoices.end(), m_trashPurgeDays);
    return static_cast<int>(found - trashPurgeChoices.begin());
}

std::optional<Duration> AppSettings::trashPurgeAge() const {
    if (m_trashPurgeDays <= 0)
        return std::nullopt;
    return std::chrono::duration_cast<Duration>(std::chrono::days(m_trashPurgeDays));
}

void AppSettings::setTrashPurgeDays(int value) {
    if (isTrashPurgeChoice(value))
        store(&AppSettings::m_trashPurgeDays, value);
}

void AppSettings::setTrashPurgeIndex(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < trashPurgeChoices.size())
        setTrashPurgeDays(trashPurgeChoices[static_cast<std::size_t>(index)]);
}

void AppSettings::setApplyFileTag(bool value) {
    store(&AppSettings::m_applyFileTag, value);
}

void AppSettings::setPauseWatching(bool value) {
    store(&AppSettings::m_pauseWatching, value);
}

void AppSettings::setShowTestTimers(bool value) {
    const bool offered = testTimersOffered();
    store(&AppSettings::m_showTestTimers, value);
    if (offered != testTimersOffered())
        Q_EMIT testTimersOfferedChanged();
}

void AppSettings::setGuideTestTimers(bool value) {
    const bool offered = testTimersOffered();
    m_guideTestTimers = value;
    if (offered != testTimersOffered())
        Q_EMIT testTimersOfferedChanged();
}

void AppSettings::setExcludedExtensionsText(const QString& value) {
    store(&AppSettings::m_excludedExtensionsText, value);
}

void AppSettings::setCountColorHex(const QString& value) {
    store(&AppSettings::m_countColorHex, value);
}

void AppSettings::setCountdownColorHex(const QString& value) {
    store(&AppSettings::m_countdownColorHex, value);
}

void AppSettings::setShowScheduledCount(bool value) {
    store(&AppSettings::m_showScheduledCount, value);
}

void AppSettings::setHasCompletedOnboarding(bool value) {
    store(&AppSettings::m_hasCompletedOnboarding, value);
}

void AppSettings::setLaunchAtLogin(bool value) {
    assignLaunchAtLogin(value, false);
}

void AppSettings::assignLaunchAtLogin(bool value, bool reverting) {
    const bool old = m_launchAtLogin;
    m_launchAtLogin = value;
    if (value == old)
        return;
    Q_EMIT launchAtLoginChanged();
    const Status status = m_loginItem.setEnabled(value);
    if (status)
        return;
    FADEBIN_LOG_ERROR(LogCategory::App, "Login item change failed: %s",
                      status.error().text().c_str());
    const bool actual = m_loginItem.isEnabled();
    if (!reverting) {
        // The revert makes the opposite request at most once.
        assignLaunchAtLogin(actual, true);
    } else if (actual != m_launchAtLogin) {
        // A revert that failed as well: show the state as it is, without asking again.
        m_launchAtLogin = actual;
        Q_EMIT launchAtLoginChanged();
    }
}

RgbColor AppSettings::countColor() const {
    return colorFromHex(m_countColorHex).value_or(*colorFromHex(defaultCountColorHex));
}

RgbColor AppSettings::countdownColor() const {
    return colorFromHex(m_countdownColorHex).value_or(*colorFromHex(defaultCountdownColorHex));
}

void AppSettings::setCountColor(RgbColor color) {
    setCountColorHex(isSrgb(color) ? hexFromColor(color) : m_countColorHex);
}

void AppSettings::setCountdownColor(RgbColor color) {
    setCountdownColorHex(isSrgb(color) ? hexFromColor(color) : m_countdownColorHex);
}

void AppSettings::resetColors() {
    setCountColorHex(defaultCountColorHex);
    setCountdownColorHex(defaultCountdownColorHex);
}

Duration AppSettings::pendingGrace() const {
    return durationFromSeconds(
        usableOr(m_pendingGraceMinutes, defaultPendingGraceMinutes, largestPendingGraceMinutes) *
        60.0);
}

QSet<QString> AppSettings::excludedExtensions() const {
    return parseExcludedExtensions(m_excludedExtensionsText);
}

} // namespace fadebin
