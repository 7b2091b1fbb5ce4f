#include "app/ExpiryOption.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace fadebin;

namespace {

struct OptionRow {
    ExpiryOption option;
    const char* raw;
    std::optional<double> seconds;
    const char* label;
    const char* shortLabel;
    bool testTimer;
};

const OptionRow kRows[] = {
    {ExpiryOption::tenSeconds, "tenSeconds", 10, "10 seconds", "10s", true},
    {ExpiryOption::thirtySeconds, "thirtySeconds", 30, "30 seconds", "30s", true},
    {ExpiryOption::thirtyMinutes, "thirtyMinutes", 1800, "30 minutes", "30m", false},
    {ExpiryOption::oneHour, "oneHour", 3600, "1 hour", "1h", false},
    {ExpiryOption::oneDay, "oneDay", 86400, "1 day", "1d", false},
    {ExpiryOption::tenDays, "tenDays", 864000, "10 days", "10d", false},
    {ExpiryOption::forever, "forever", std::nullopt, "Keep forever", "Keep it", false},
};

QStringList shortLabels(const std::vector<ExpiryOption>& options) {
    QStringList out;
    for (ExpiryOption o : options)
        out << shortLabel(o);
    return out;
}

} // namespace

TEST(ExpiryOption, EveryOptionHasItsTextsDurationAndRawValue) {
    ASSERT_EQ(std::size(kRows), expiryOptions::allCases.size());
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        const OptionRow& row = kRows[i];
        SCOPED_TRACE(row.raw);
        EXPECT_EQ(expiryOptions::allCases[i], row.option) << "declaration order";
        EXPECT_EQ(rawValue(row.option), QString::fromLatin1(row.raw));
        EXPECT_EQ(optionFromRaw(rawValue(row.option)), row.option);
        EXPECT_EQ(durationSeconds(row.option), row.seconds);
        if (row.seconds)
            EXPECT_EQ(duration(row.option), std::chrono::seconds(std::int64_t(*row.seconds)));
        else
            EXPECT_FALSE(duration(row.option).has_value());
        EXPECT_EQ(label(row.option), QString::fromUtf8(row.label));
        EXPECT_EQ(shortLabel(row.option), QString::fromUtf8(row.shortLabel));
        EXPECT_EQ(isTestTimer(row.option), row.testTimer);
    }
}

TEST(ExpiryOption, RawValuesMatchExactlyOrNotAtAll) {
    for (const char16_t* raw : {u"ThirtyMinutes", u"30m", u"", u"thirtyMinutes ", u"FOREVER",
                                u"30 minutes", u"Keep it"}) {
        EXPECT_FALSE(optionFromRaw(raw).has_value()) << QString::fromUtf16(raw).toStdString();
    }
    EXPECT_EQ(optionFromRaw(u"thirtyMinutes"), ExpiryOption::thirtyMinutes);
}

TEST(ExpiryOption, OfferedListFollowsTheTestTimerSetting) {
    EXPECT_EQ(shortLabels(expiryOptions::offered(false)),
              (QStringList{"30m", "1h", "1d", "10d", "Keep it"}));
    EXPECT_EQ(shortLabels(expiryOptions::offered(true)),
              (QStringList{"10s", "30s", "30m", "1h", "1d", "10d", "Keep it"}));
    const auto all = expiryOptions::offered(true);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), expiryOptions::allCases.begin(),
                           expiryOptions::allCases.end()));
}
