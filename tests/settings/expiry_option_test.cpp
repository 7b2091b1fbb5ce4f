#include "settings/ExpiryOption.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace fadebin;

TEST(ExpiryOption, RawValuesMatchExactlyOrNotAtAll) {
    for (ExpiryOption option : expiryOptions::allCases)
        EXPECT_EQ(optionFromRaw(rawValue(option)), option) << rawValue(option).toStdString();
    EXPECT_EQ(optionFromRaw(u"thirtyMinutes"), ExpiryOption::thirtyMinutes); // as stored
    for (const char16_t* raw :
         {u"ThirtyMinutes", u"30m", u"", u"thirtyMinutes ", u"FOREVER", u"30 minutes", u"Keep it"})
        EXPECT_FALSE(optionFromRaw(raw).has_value()) << QString::fromUtf16(raw).toStdString();
}

TEST(ExpiryOption, OfferedListFollowsTheTestTimerSetting) {
    for (const bool testTimers : {false, true}) {
        QStringList labels;
        for (ExpiryOption option : expiryOptions::offered(testTimers))
            labels << shortLabel(option);
        EXPECT_EQ(labels.join(u' '),
                  testTimers ? "10s 30s 30m 1h 1d 10d Keep it" : "30m 1h 1d 10d Keep it");
    }
}
