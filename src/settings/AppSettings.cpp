#include "settings/AppSettings.h"

#include "platform/Log.h"
#include "platform/LoginItem.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace fadebin {

namespace {

const QString kDisplayMode = QStringLiteral("displayMode");
const QString kAutoDismissSeconds = QStringLiteral("autoDismissSeconds");
const QString kPendingGraceMinutes = QStringLiteral("pendingGraceMinutes");
const QString kDefaultAction = QStringLiteral("defaultAction");
const QString kDeletionMethod = QStringLiteral("deletionMethod");
const QString kApplyFinderTag = QStringLiteral("applyFinderTag");
const QString kPauseWatching = QStringLiteral("pauseWatching");
const QString kShowTestTimers = QStringLiteral("showTestTimers");
const QString kExcludedExtensions = QStringLiteral("excludedExtensions");
const QString kCountColorHex = QStringLiteral("countColorHex");
const QString kCountdownColorHex = QStringLiteral("countdownColorHex");
const QString kShowScheduledCount = QStringLiteral("showScheduledCount");
const QString kHasCompletedOnboarding = QStringLiteral("hasCompletedOnboarding");

// A hand-edited file may hold anything JSON can: zero, negative, or a number so large that
// every deadline computed from it would be meaningless. Such values read as the default.
double usableOr(std::optional<double> stored, double fallback, double largest) {
    return stored && std::isfinite(*stored) && *stored > 0 && *stored <= largest ? *stored
                                                                                 : fallback;
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isSrgb(const RgbColor& color) {
    // Written so that NaN fails as well.
    auto inRange = [](double v) { return v >= 0.0 && v <= 1.0; };
    return inRange(color.red) && inRange(color.green) && inRange(color.blue);
}

} // namespace

QString rawValue(DisplayMode mode) {
    return mode == DisplayMode::hoverOnly ? QStringLiteral("hoverOnly") : QStringLiteral("auto");
}

std::optional<DisplayMode> displayModeFromRaw(QStringView raw) {
    if (raw == u"auto")
        return DisplayMode::automatic;
    if (raw == u"hoverOnly")
        return DisplayMode::hoverOnly;
    return std::nullopt;
}

QString rawValue(DeletionMethod method) {
    return method == DeletionMethod::permanent ? QStringLiteral("permanent")
                                               : QStringLiteral("trash");
}

std::optional<DeletionMethod> deletionMethodFromRaw(QStringView raw) {
    if (raw == u"trash")
        return DeletionMethod::trash;
    if (raw == u"permanent")
        return DeletionMethod::permanent;
    return std::nullopt;
}

QSet<QString> parseExcludedExtensions(const QString& text) {
    QSet<QString> extensions;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || text.at(i) == u',' || text.at(i) == u' ' ||
                               text.at(i) == u'\n' || text.at(i) == u';';
        if (!separator)
            continue;
        qsizetype first = start;
        qsizetype last = i;
        auto trimmed = [&](qsizetype at) { return text.at(at) == u'.' || text.at(at) == u' '; };
        while (first < last && trimmed(first))
            ++first;
        while (last > first && trimmed(last - 1))
            --last;
        if (last > first)
            extensions.insert(text.mid(first, last - first).toLower());
        start = i + 1;
    }
    return extensions;
}

std::optional<RgbColor> colorFromHex(const QString& hex) {
    qsizetype first = 0;
    qsizetype last = hex.size();
    auto blank = [&](qsizetype at) { return hex.at(at) == u' ' || hex.at(at) == u'\t'; };
    while (first < last && blank(first))
        ++first;
    while (last > first && blank(last - 1))
        --last;
    if (first < last && hex.at(first) == u'#')
        ++first;
    if (last - first != 6)
        return std::nullopt;
    const QStringView digits = QStringView(hex).mid(first, 6);
    // Checked one by one: toUInt alone would also take a sign or a "0x".
    if (!std::all_of(digits.begin(), digits.end(), isHexDigit))
        return std::nullopt;
    const unsigned value = digits.toUInt(nullptr, 16);
    return RgbColor{static_cast<double>((value >> 16) & 0xFF) / 255.0,
                    static_cast<double>((value >> 8) & 0xFF) / 255.0,
                    static_cast<double>(value & 0xFF) / 255.0};
}

QString hexFromColor(RgbColor color) {
    auto channel = [](double v) {
        const double clamped = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
        // std::round rounds halves away from zero.
        return static_cast<unsigned>(std::round(clamped * 255.0));
    };
    return QString::asprintf("#%02X%02X%02X", channel(color.red), channel(color.green),
                             channel(color.blue));
}

AppSettings::AppSettings(UserDefaults& defaults, LoginItemService& loginItem, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_loginItem(loginItem)
    , m_displayMode(displayModeFromRaw(defaults.stringValue(kDisplayMode).value_or(QString()))
                        .value_or(DisplayMode::automatic))
    , m_autoDismissSeconds(usableOr(defaults.doubleValue(kAutoDismissSeconds),
                                    defaultAutoDismissSeconds, largestAutoDismissSeconds))
    , m_pendingGraceMinutes(usableOr(defaults.doubleValue(kPendingGraceMinutes),
                                     defaultPendingGraceMinutes, largestPendingGraceMinutes))
    , m_defaultAction(optionFromRaw(defaults.stringValue(kDefaultAction).value_or(QString()))
                          .value_or(ExpiryOption::forever))
    , m_deletionMethod(
          deletionMethodFromRaw(defaults.stringValue(kDeletionMethod).value_or(QString()))
              .value_or(DeletionMethod::trash))
    , m_applyFinderTag(defaults.storedBool(kApplyFinderTag).value_or(false))
    , m_pauseWatching(defaults.boolValue(kPauseWatching))
    , m_showTestTimers(defaults.storedBool(kShowTestTimers).value_or(false))
    , m_excludedExtensionsText(defaults.stringValue(kExcludedExtensions).value_or(QString()))
    , m_countColorHex(defaults.stringValue(kCountColorHex).value_or(defaultCountColorHex))
    , m_countdownColorHex(
          defaults.stringValue(kCountdownColorHex).value_or(defaultCountdownColorHex))
    , m_showScheduledCount(defaults.storedBool(kShowScheduledCount).value_or(true))
    , m_hasCompletedOnboarding(defaults.boolValue(kHasCompletedOnboarding))
    , m_launchAtLogin(loginItem.isEnabled()) {}

void AppSettings::setDisplayMode(DisplayMode value) {
    assign(m_displayMode, value, &AppSettings::displayModeChanged,
           [&] { m_defaults.setString(kDisplayMode, rawValue(value)); });
}

void AppSettings::setAutoDismissSeconds(double value) {
    assign(m_autoDismissSeconds, value, &AppSettings::autoDismissSecondsChanged,
           [&] { m_defaults.setDouble(kAutoDismissSeconds, value); });
}

void AppSettings::setPendingGraceMinutes(double value) {
    assign(m_pendingGraceMinutes, value, &AppSettings::pendingGraceMinutesChanged,
           [&] { m_defaults.setDouble(kPendingGraceMinutes, value); });
}

void AppSettings::setDefaultAction(ExpiryOption value) {
    assign(m_defaultAction, value, &AppSettings::defaultActionChanged,
           [&] { m_defaults.setString(kDefaultAction, rawValue(value)); });
}

void AppSettings::setDeletionMethod(DeletionMethod value) {
    assign(m_deletionMethod, value, &AppSettings::deletionMethodChanged,
           [&] { m_defaults.setString(kDeletionMethod, rawValue(value)); });
}

void AppSettings::setApplyFinderTag(bool value) {
    assign(m_applyFinderTag, value, &AppSettings::applyFinderTagChanged,
           [&] { m_defaults.setBool(kApplyFinderTag, value); });
}

void AppSettings::setPauseWatching(bool value) {
    assign(m_pauseWatching, value, &AppSettings::pauseWatchingChanged,
           [&] { m_defaults.setBool(kPauseWatching, value); });
}

void AppSettings::setShowTestTimers(bool value) {
    assign(m_showTestTimers, value, &AppSettings::showTestTimersChanged,
           [&] { m_defaults.setBool(kShowTestTimers, value); });
}

void AppSettings::setExcludedExtensionsText(const QString& value) {
    assign(m_excludedExtensionsText, value, &AppSettings::excludedExtensionsTextChanged,
           [&] { m_defaults.setString(kExcludedExtensions, value); });
}

void AppSettings::setCountColorHex(const QString& value) {
    assign(m_countColorHex, value, &AppSettings::countColorHexChanged,
           [&] { m_defaults.setString(kCountColorHex, value); });
}

void AppSettings::setCountdownColorHex(const QString& value) {
    assign(m_countdownColorHex, value, &AppSettings::countdownColorHexChanged,
           [&] { m_defaults.setString(kCountdownColorHex, value); });
}

void AppSettings::setShowScheduledCount(bool value) {
    assign(m_showScheduledCount, value, &AppSettings::showScheduledCountChanged,
           [&] { m_defaults.setBool(kShowScheduledCount, value); });
}

void AppSettings::setHasCompletedOnboarding(bool value) {
    assign(m_hasCompletedOnboarding, value, &AppSettings::hasCompletedOnboardingChanged,
           [&] { m_defaults.setBool(kHasCompletedOnboarding, value); });
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
