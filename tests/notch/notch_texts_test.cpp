#include "notch/NotchTexts.h"
#include "notch/NotchViewModel.h"

#include <gtest/gtest.h>

using namespace fadebin;
using namespace std::chrono_literals;

namespace {

// 14 March 2026, 23:50 in a zone one hour east of UTC.
const TextContext british{QLocale(QStringLiteral("en_GB")), QTimeZone(3600)};
const Instant lateEvening =
    Instant(std::chrono::sys_days{std::chrono::year{2026} / std::chrono::March / 14} + 22h + 50min);

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
}

TEST(NotchTexts, ToastsNameEveryFile) {
    const Instant when = lateEvening;
    const DeletionEvent one{{"a.pdf"}, FileKind::pdf, DeletionMethod::trash, when};
    EXPECT_EQ(deletionToast(one),
              (NotchToast{NotchToast::Style::deleted, "Moved to Trash", "a.pdf", FileKind::pdf}));
    const DeletionEvent three{
        {"a", "b.zip", "c"}, FileKind::other, DeletionMethod::permanent, when};
    EXPECT_EQ(deletionToast(three), (NotchToast{NotchToast::Style::deleted, "3 files deleted",
                                                "a, b.zip, c", FileKind::other}));
    EXPECT_EQ(releaseToast({{"a.pdf"}, FileKind::pdf, when}),
              (NotchToast{NotchToast::Style::released, "Moved out of Downloads",
                          "Timer removed · a.pdf", FileKind::pdf}));
    EXPECT_EQ(releaseToast({{"a.pdf", "b, c.zip"}, FileKind::pdf, when}),
              (NotchToast{NotchToast::Style::released, "2 files moved out of Downloads",
                          "Timers removed · a.pdf, b, c.zip", FileKind::pdf}));
}

// Names come from whoever made the file: what would break a line or turn text around is
// shown as a visible stand-in, and the name is isolated from the text around it.
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

} // namespace
