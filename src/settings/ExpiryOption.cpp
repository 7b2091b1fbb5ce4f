#include "settings/ExpiryOption.h"

namespace fadebin {

namespace {

struct OptionText {
    const char16_t* raw;
    const char16_t* label;
    const char16_t* shortLabel;
    const char16_t* word; // typed on the command line and accepted on the bus
    std::int64_t seconds; // negative: no duration
};

const OptionText& textOf(ExpiryOption option) {
    // Indexed by the enumeration's declaration order.
    static constexpr std::array<OptionText, 7> table{{
        {u"tenSeconds", u"10 seconds", u"10s", u"10s", 10},
        {u"thirtySeconds", u"30 seconds", u"30s", u"30s", 30},
        {u"thirtyMinutes", u"30 minutes", u"30m", u"30m", 1800},
        {u"oneHour", u"1 hour", u"1h", u"1h", 3600},
        {u"oneDay", u"1 day", u"1d", u"1d", 86400},
        {u"tenDays", u"10 days", u"10d", u"10d", 864000},
        {u"forever", u"Keep forever", u"Keep it", u"keep", -1},
    }};
    return table.at(static_cast<std::size_t>(option));
}

} // namespace

QString rawValue(ExpiryOption option) {
    return QString::fromUtf16(textOf(option).raw);
}

std::optional<ExpiryOption> optionFromRaw(QStringView raw) {
    for (ExpiryOption option : expiryOptions::allCases) {
        if (raw.compare(QStringView(textOf(option).raw), Qt::CaseSensitive) == 0)
            return option;
    }
    return std::nullopt;
}

std::optional<ExpiryOption> optionFromWord(QStringView word) {
    for (ExpiryOption option : expiryOptions::allCases)
        if (word.compare(QStringView(textOf(option).word), Qt::CaseSensitive) == 0)
            return option;
    return optionFromRaw(word);
}

std::optional<Duration> duration(ExpiryOption option) {
    const std::int64_t seconds = textOf(option).seconds;
    if (seconds < 0)
        return std::nullopt;
    return std::chrono::duration_cast<Duration>(std::chrono::seconds(seconds));
}

std::optional<double> durationSeconds(ExpiryOption option) {
    const std::int64_t seconds = textOf(option).seconds;
    if (seconds < 0)
        return std::nullopt;
    return static_cast<double>(seconds);
}

QString label(ExpiryOption option) {
    return QString::fromUtf16(textOf(option).label);
}

QString shortLabel(ExpiryOption option) {
    return QString::fromUtf16(textOf(option).shortLabel);
}

namespace expiryOptions {

std::vector<ExpiryOption> offered(bool showTestTimers) {
    std::vector<ExpiryOption> options;
    if (showTestTimers)
        options.assign(testTimers.begin(), testTimers.end());
    options.insert(options.end(), standard.begin(), standard.end());
    return options;
}

} // namespace expiryOptions

} // namespace fadebin
