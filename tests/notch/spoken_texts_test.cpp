#include "notch/SpokenTexts.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

const Instant noon = Instant(std::chrono::sys_days{std::chrono::year{2026} / 3 / 14} + 12h);
const QLocale english(QStringLiteral("en_GB"));

TEST(SpokenTexts, DurationsAreWholeWordsWithTheirPluralsAndTheTwoLargestParts) {
    const std::pair<double, const char*> rows[] = {
        {-5, "now"},
        {0.49, "now"},
        {NAN, "now"},
        {0.5, "1 second"},
        {59, "59 seconds"},
        {59.5, "1 minute"},
        {120, "2 minutes"},
        {3600, "1 hour"},
        {3660, "1 hour 1 minute"},
        {7320, "2 hours 2 minutes"},
        {86400, "1 day"},
        {90000, "1 day 1 hour"},
        {864000 + 7200 + 59, "10 days 2 hours"},
        {1e300, "11574074074 days 1 hour"},
    };
    for (const auto& [seconds, text] : rows)
        EXPECT_EQ(spokenDuration(seconds), text) << seconds;
}

TEST(SpokenTexts, ChoicesSayHowLongTheFileIsKept) {
    const std::pair<ExpiryOption, const char*> rows[] = {
        {ExpiryOption::tenSeconds, "Keep for 10 seconds"},
        {ExpiryOption::oneHour, "Keep for 1 hour"},
        {ExpiryOption::oneDay, "Keep for 1 day"},
        {ExpiryOption::tenDays, "Keep for 10 days"},
        {ExpiryOption::forever, "Keep it"},
    };
    for (const auto& [option, text] : rows)
        EXPECT_EQ(spokenOptionName(option), text) << text;
}

TEST(SpokenTexts, AWaitingFileSaysItsKindSourceAndSizeWhenKnown) {
    struct Row {
        FileKind kind;
        std::optional<QString> source;
        qint64 size;
        const char* text;
    };
    const Row rows[] = {
        {FileKind::pdf, QStringLiteral("example.org"), 2'000'000,
         "report.pdf, PDF from example.org, 2.0 MB, waiting for a decision"},
        {FileKind::image, std::nullopt, 1, "report.pdf, Image, 1 byte, waiting for a decision"},
        {FileKind::archive, QString(), 0, "report.pdf, Archive, waiting for a decision"},
        {FileKind::other, QStringLiteral("Firefox"), -1,
         "report.pdf, File from Firefox, waiting for a decision"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(spokenPendingName(QStringLiteral("report.pdf"), row.kind, row.source, row.size,
                                    english),
                  row.text);
}

TEST(SpokenTexts, AFileCountingDownSaysWhenItExpires) {
    const std::pair<std::optional<Instant>, const char*> rows[] = {
        {noon + 3660s, "notes.txt, Text, expires in 1 hour 1 minute"},
        {noon + 400ms, "notes.txt, Text, expires now"},
        {noon - 10s, "notes.txt, Text, expires now"},
        {std::nullopt, "notes.txt, Text, kept"},
    };
    for (const auto& [expiresAt, text] : rows)
        EXPECT_EQ(spokenTrackedName(QStringLiteral("notes.txt"), FileKind::text, expiresAt, noon),
                  text);
}

} // namespace
