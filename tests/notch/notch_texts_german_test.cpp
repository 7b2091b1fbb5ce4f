// The notch in German: its texts from the translation, its numbers and dates from the locale.
#include "app/DisplayText.h"
#include "notch/NotchTexts.h"
#include "notch/SpokenTexts.h"
#include "platform/Translations.h"
#include "settings/ExpiryOption.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

// 14 March 2026, 23:50 in a zone one hour east of UTC.
const Instant lateEvening =
    Instant(std::chrono::sys_days{std::chrono::year{2026} / std::chrono::March / 14} + 22h + 50min);

// As under LANG=de_DE.UTF-8, and back to English (as the tests' main leaves it) after.
class GermanTexts : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(installTranslations(german));
        QLocale::setDefault(german);
    }
    void TearDown() override {
        installTranslations(QLocale::c());
        QLocale::setDefault(QLocale::c());
    }
    const QLocale german{QLocale::German, QLocale::Germany};
    const TextContext context{german, QTimeZone(3600)};
};

TEST_F(GermanTexts, RowsChoicesDatesAndCountsReadGermanInTheirCaseAndPluralForm) {
    const auto planned = [&](Instant at) {
        return DecisionConfirmation{{}, FileKind::other, ExpiryOption::oneHour, at, {}}.headline(
            lateEvening, context);
    };
    const std::pair<QString, const char*> rows[] = {
        {label(ExpiryOption::oneHour), "1 Stunde"},
        {label(ExpiryOption::forever), "Für immer behalten"},
        {shortLabel(ExpiryOption::forever), "Behalten"},
        {shortLabel(ExpiryOption::tenDays), "10 Tage"},
        {deletionPreviewText(ExpiryOption::forever, lateEvening, context),
         "Bleibt, bis du sie löschst"},
        {deletionPreviewText(ExpiryOption::thirtyMinutes, lateEvening, context),
         "Bis morgen 00:20"},
        {deletionPreviewText(ExpiryOption::tenSeconds, lateEvening, context), "Bis heute 23:50"},
        {pendingDetailText(lateEvening + 48h, std::nullopt, 1'500'000, lateEvening, context),
         "Bis 16. März 23:50 · Downloads · 1,5 MB"},
        {countdownText(90000), "1T 1h"},
        {countdownText(0), "jetzt"},
        {footerText(true), "Fadebin · pausiert"},
        // "Heute" and "Morgen" start a line but are written small inside a sentence.
        {dateText(lateEvening, lateEvening, context), "Heute 23:50"},
        {dateText(lateEvening + 30min, lateEvening, context), "Morgen 00:20"},
        {pendingDetailText(lateEvening + 30min, QStringLiteral("example.org"), 0, lateEvening,
                           context),
         "Bis morgen 00:20 · example.org"},
        {planned(lateEvening + 5min), "Wird heute um 23:55 gelöscht"},
        {planned(lateEvening + 30min), "Wird morgen um 00:20 gelöscht"},
        {planned(lateEvening + 48h), "Wird am 16. März 23:50 gelöscht"},
        // Counts in their plural forms.
        {filesDecidedText(1), "1 Datei"},
        {filesDecidedText(5), "5 Dateien"},
        {byteCountText(1), "1 Byte"},
        {byteCountText(999), "999 Byte"},
        {spokenDuration(60), "1 Minute"},
        {spokenDuration(5 * 60), "5 Minuten"},
        {releaseToast({{"a", "b"}, FileKind::other, lateEvening}).title,
         "2 Dateien aus Downloads verschoben"},
        {undoRefusedToast(1, QStringLiteral("no such file")).subtitle, "Datei nicht gefunden"},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(text.toStdString(), expected);
}

// English is the source's, with the plural forms of its own small translation.
TEST(EnglishTexts, CountsTakeTheirPluralForm) {
    const std::pair<QString, const char*> rows[] = {
        {filesDecidedText(1), "1 file"},      {filesDecidedText(5), "5 files"},
        {byteCountText(1), "1 byte"},         {byteCountText(999), "999 bytes"},
        {spokenDuration(60), "1 minute"},     {spokenDuration(5 * 60), "5 minutes"},
        {byteCountText(1'500'000), "1.5 MB"}, {label(ExpiryOption::forever), "Keep forever"},
    };
    for (const auto& [text, english] : rows)
        EXPECT_EQ(text.toStdString(), english);
}

} // namespace
