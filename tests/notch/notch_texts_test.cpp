#include "notch/NotchTexts.h"
#include "notch/NotchViewModel.h"
#include "notch/SpokenTexts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

// 14 March 2026, 23:50 in a zone one hour east of UTC.
const TextContext british{QLocale(QStringLiteral("en_GB")), QTimeZone(3600)};
const Instant lateEvening =
    Instant(std::chrono::sys_days{std::chrono::year{2026} / std::chrono::March / 14} + 22h + 50min);

TEST(NotchTexts, CountdownRoundsHalfAwayFromZeroAndDropsZeroParts) {
    const std::pair<double, const char*> rows[] = {
        {-5, "now"},      {0, "now"},      {0.49, "now"},      {0.5, "1s"},
        {59, "59s"},      {59.5, "1m"},    {60, "1m"},         {3599, "59m"},
        {3600, "1h"},     {3660, "1h 1m"}, {86399, "23h 59m"}, {86400, "1d"},
        {90000, "1d 1h"}, {864000, "10d"}, {NAN, "now"},       {1e300, "11574074074d 1h"},
    };
    for (const auto& [seconds, text] : rows)
        EXPECT_EQ(countdownText(seconds), text) << seconds;
    EXPECT_EQ(countdownText(lateEvening + 3660s, lateEvening), "1h 1m");
}

TEST(NotchTexts, DatesAreTodayTomorrowOrDayAndMonthInTheLocalesShortTime) {
    const std::pair<std::optional<Instant>, const char*> rows[] = {
        {std::nullopt, "Never"},
        {lateEvening, "Today 23:50"},
        {lateEvening + 30min, "Tomorrow 00:20"},
        {lateEvening + 24h + 9min, "Tomorrow 23:59"},
        {lateEvening + 24h + 10min, "16 Mar 00:00"},
        {lateEvening - 24h, "13 Mar 23:50"},
    };
    for (const auto& [date, text] : rows)
        EXPECT_EQ(dateText(date, lateEvening, british), text);
    EXPECT_EQ(dateText(lateEvening, lateEvening, {QLocale(u"en_US"_qs), QTimeZone(3600)}),
              "Today 11:50 PM");
    // The same instant is already tomorrow further east.
    EXPECT_EQ(dateText(lateEvening, lateEvening - 4h, {british.locale, QTimeZone(4 * 3600)}),
              "Tomorrow 02:50");
}

TEST(NotchTexts, ByteCountsInDecimalUnitsAndTheDetailThatJoinsThem) {
    const std::pair<qint64, const char*> rows[] = {
        {-1, "0 bytes"},        {0, "0 bytes"},           {1, "1 byte"},
        {999, "999 bytes"},     {1000, "1.0 kB"},         {1499, "1.5 kB"},
        {999949, "999.9 kB"},   {999950, "1.0 MB"},       {12345678, "12.3 MB"},
        {1234567890, "1.2 GB"}, {999999999999, "1.0 TB"}, {INT64_MAX, "9.2 EB"},
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(byteCountText(bytes, QLocale::c()), text) << bytes;
    EXPECT_EQ(byteCountText(1500, QLocale(u"de_DE"_qs)), "1,5 kB");
    // Sizes as typed: decimal units, binary with "i"; nothing that is not a positive size.
    const std::pair<const char*, std::optional<qint64>> typed[] = {
        {"5G", 5'000'000'000},
        {" 1.5 gb ", 1'500'000'000},
        {"500m", 500'000'000},
        {"2GiB", 2147483648},
        {"100", 100},
        {"100B", 100},
        {"1k", 1000},
        {"1Pi", 1125899906842624},
        {"0.0005k", std::nullopt},
        {"0", std::nullopt},
        {"-5G", std::nullopt},
        {"5X", std::nullopt},
        {"", std::nullopt},
        {"1e9", std::nullopt},
        {"9223372036854775807", std::nullopt},
        {"1.2.3G", std::nullopt},
        {"10000P", std::nullopt},
        {"5 G B", std::nullopt},
    };
    for (const auto& [text, bytes] : typed)
        EXPECT_EQ(byteCountFromText(QString::fromLatin1(text)), bytes) << text;
    EXPECT_EQ(pendingDetailText(lateEvening + 30min, QString(), 1, lateEvening, british),
              "Until Tomorrow 00:20 · Downloads · 1 byte");
}

TEST(NotchTexts, ConfirmationsAndPreviewsNameWhenTheFileGoes) {
    DecisionConfirmation card{QUuid::createUuid(), FileKind::pdf, ExpiryOption::forever,
                              std::nullopt, QStringLiteral("a.pdf")};
    EXPECT_EQ(card.headline(lateEvening, british), "Planned to keep forever");
    card.option = ExpiryOption::thirtyMinutes;
    card.expiresAt = lateEvening + 30min;
    EXPECT_EQ(card.headline(lateEvening, british), "Planned to delete Tomorrow 00:20");
    EXPECT_EQ(deletionPreviewText(ExpiryOption::oneHour, lateEvening, british),
              "Until Tomorrow 00:50");
    EXPECT_EQ(deletionPreviewText(ExpiryOption::tenSeconds, lateEvening, british),
              "Until Today 23:50");
    EXPECT_EQ(deletionPreviewText(ExpiryOption::forever, lateEvening, british),
              "Kept until you delete it");
    EXPECT_EQ(filesDecidedText(3), "3 files");
    for (const qsizetype none : {-1, 0})
        EXPECT_EQ(moreWaitingText(none), QString());
    EXPECT_EQ(moreWaitingText(4900),
              "4900 more waiting — Apply to all reaches them, `fadebin list` shows them");
}

TEST(NotchTexts, ToastsNameEveryFile) {
    const DeletionEvent one{{"a.pdf"}, FileKind::pdf, DeletionMethod::trash, lateEvening};
    EXPECT_EQ(deletionToast(one),
              (NotchToast{NotchToast::Style::deleted, "Moved to Trash", "a.pdf", FileKind::pdf}));
    const DeletionEvent three{
        {"a", "b.zip", "c"}, FileKind::other, DeletionMethod::permanent, lateEvening};
    EXPECT_EQ(deletionToast(three), (NotchToast{NotchToast::Style::deleted, "3 files deleted",
                                                "a, b.zip, c", FileKind::other}));
    EXPECT_EQ(releaseToast({{"a.pdf"}, FileKind::pdf, lateEvening}),
              (NotchToast{NotchToast::Style::released, "Moved out of Downloads",
                          "Timer removed · a.pdf", FileKind::pdf}));
    EXPECT_EQ(releaseToast({{"a.pdf", "b, c.zip"}, FileKind::pdf, lateEvening}),
              (NotchToast{NotchToast::Style::released, "2 files moved out of Downloads",
                          "Timers removed · a.pdf, b, c.zip", FileKind::pdf}));
}

// Names come from anyone: what would break a line or turn text around shows as a stand-in, and
// the name is isolated from the text around it.
TEST(NotchTexts, ShownNamesShowControlsAndCannotTurnTheirExtensionAround) {
    const QString fsi(QChar(0x2068)), pdi(QChar(0x2069)), bad(QChar(0xFFFD));
    const std::pair<QString, QString> rows[] = {
        {u"report.pdf"_qs, fsi + u"report.pdf"_qs + pdi},
        {u"two\nlines\r.txt"_qs, fsi + u"two\u240Alines\u240D.txt"_qs + pdi},
        {u"tab\there\x7f"_qs, fsi + u"tab\u2409here\u2421"_qs + pdi},
        {u"nel\u0085ls\u2028ps\u2029"_qs,
         fsi + u"nel"_qs + bad + u"ls"_qs + bad + u"ps"_qs + bad + pdi},
        {u"invoice\u202Efdp.exe"_qs, fsi + u"invoice"_qs + bad + u"fdp.exe"_qs + pdi},
        {u"\u2066a\u2069\u202Ab\u202C\u200Fc\u061C"_qs,
         fsi + bad + u"a"_qs + bad + bad + u"b"_qs + bad + bad + u"c"_qs + bad + pdi},
        {u"\u0645\u0644\u0641.txt"_qs, fsi + u"\u0645\u0644\u0641.txt"_qs + pdi},
        {u"\U0001F600.png"_qs, fsi + u"\U0001F600.png"_qs + pdi},
        {QString(QChar(0xD800)) + u"x"_qs, fsi + bad + u"x"_qs + pdi},
        {QString(), QString()},
    };
    for (const auto& [name, shown] : rows)
        EXPECT_EQ(shownName(name), shown) << name.toStdString();
}

TEST(SpokenTexts, DurationsAreWholeWordsWithTheirPluralsAndTheTwoLargestParts) {
    const std::pair<double, const char*> rows[] = {{-5, "now"},
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
                                                   {1e300, "11574074074 days 1 hour"}};
    for (const auto& [seconds, text] : rows)
        EXPECT_EQ(spokenDuration(seconds), text) << seconds;
}

TEST(SpokenTexts, ChoicesAndRowsSayHowLongWhatFromWhereAndWhen) {
    const auto pending = [](FileKind kind, std::optional<QString> source, qint64 size) {
        return spokenPendingName(u"report.pdf"_qs, kind, source, size, british.locale);
    };
    const auto tracked = [](std::optional<Instant> expiresAt) {
        return spokenTrackedName(u"notes.txt"_qs, FileKind::text, expiresAt, lateEvening);
    };
    const std::pair<QString, const char*> rows[] = {
        {spokenOptionName(ExpiryOption::tenSeconds), "Keep for 10 seconds"},
        {spokenOptionName(ExpiryOption::oneHour), "Keep for 1 hour"},
        {spokenOptionName(ExpiryOption::oneDay), "Keep for 1 day"},
        {spokenOptionName(ExpiryOption::tenDays), "Keep for 10 days"},
        {spokenOptionName(ExpiryOption::forever), "Keep it"},
        {pending(FileKind::pdf, u"example.org"_qs, 2'000'000),
         "report.pdf, PDF from example.org, 2.0 MB, waiting for a decision"},
        {pending(FileKind::image, std::nullopt, 1),
         "report.pdf, Image, 1 byte, waiting for a decision"},
        {pending(FileKind::archive, QString(), 0), "report.pdf, Archive, waiting for a decision"},
        {pending(FileKind::other, u"Firefox"_qs, -1),
         "report.pdf, File from Firefox, waiting for a decision"},
        {tracked(lateEvening + 3660s), "notes.txt, Text, expires in 1 hour 1 minute"},
        {tracked(lateEvening + 400ms), "notes.txt, Text, expires now"},
        {tracked(lateEvening - 10s), "notes.txt, Text, expires now"},
        {tracked(std::nullopt), "notes.txt, Text, kept"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(text.toStdString(), expected);
}

} // namespace
