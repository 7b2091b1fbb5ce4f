#include "settings/ExpiryOption.h"

#include <QCoreApplication>

namespace fadebin {

namespace {

struct ExpiryOptionTexts {
    Q_DECLARE_TR_FUNCTIONS(ExpiryOptionTexts)
};

struct OptionText {
    const char16_t* raw;
    const char* label;      // English, translated where it is shown
    const char* shortLabel; // the same
    const char16_t* word;   // typed on the command line and accepted on the bus
    std::int64_t seconds;   // negative: no duration
};

const OptionText& textOf(ExpiryOption option) {
    // Indexed by the enumeration's declaration order.
    static constexpr std::array<OptionText, 7> table{{
        {u"tenSeconds", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "10 seconds"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "10s"), u"10s", 10},
        {u"thirtySeconds", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "30 seconds"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "30s"), u"30s", 30},
        {u"thirtyMinutes", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "30 minutes"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "30m"), u"30m", 1800},
        {u"oneHour", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "1 hour"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "1h"), u"1h", 3600},
        {u"oneDay", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "1 day"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "1d"), u"1d", 86400},
        {u"tenDays", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "10 days"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "10d"), u"10d", 864000},
        {u"forever", QT_TRANSLATE_NOOP("ExpiryOptionTexts", "Keep forever"),
         QT_TRANSLATE_NOOP("ExpiryOptionTexts", "Keep it"), u"keep", -1},
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
    return ExpiryOptionTexts::tr(textOf(option).label);
}

QString shortLabel(ExpiryOption option) {
    return ExpiryOptionTexts::tr(textOf(option).shortLabel);
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
