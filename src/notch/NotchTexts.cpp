#include "notch/NotchTexts.h"

#include "app/AppTexts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

#include <array>
#include <cmath>

namespace fadebin {

namespace {

struct NotchTexts {
    Q_DECLARE_TR_FUNCTIONS(NotchTexts)
};

const QString separator = QStringLiteral(" · ");

QDateTime localTime(Instant instant, const QTimeZone& zone) {
    return QDateTime::fromMSecsSinceEpoch(instant.time_since_epoch().count(), zone);
}

QString shortTime(const QTime& time, const QLocale& locale) {
    // The C locale's short time carries seconds, which a notch line has no room for.
    if (locale.language() == QLocale::C)
        return time.toString(QStringLiteral("HH:mm"));
    return locale.toString(time, QLocale::ShortFormat);
}

} // namespace

std::optional<long long> wholeSeconds(double seconds) {
    const double rounded = std::round(seconds); // halves away from zero
    if (!(rounded > 0))                         // also not a number
        return std::nullopt;
    // Beyond any real expiry; keeps the callers' integer arithmetic in range.
    return static_cast<long long>(std::min(rounded, 1e15));
}

QString countdownText(double remainingSeconds) {
    const std::optional<long long> whole = wholeSeconds(remainingSeconds);
    if (!whole)
        return NotchTexts::tr("now", "countdown");
    const long long s = *whole;
    // The units as short as the collapsed notch needs them, each language's own.
    const auto seconds = [](long long n) { return NotchTexts::tr("%1s").arg(n); };
    const auto minutes = [](long long n) { return NotchTexts::tr("%1m").arg(n); };
    const auto hours = [](long long n) { return NotchTexts::tr("%1h").arg(n); };
    const auto days = [](long long n) { return NotchTexts::tr("%1d").arg(n); };
    if (s < 60)
        return seconds(s);
    if (s < 3600)
        return minutes(s / 60);
    if (s < 86400) {
        const long long m = (s % 3600) / 60;
        return m == 0 ? hours(s / 3600) : hours(s / 3600) + u' ' + minutes(m);
    }
    const long long h = (s % 86400) / 3600;
    return h == 0 ? days(s / 86400) : days(s / 86400) + u' ' + hours(h);
}

QString countdownText(Instant until, Instant now) {
    return countdownText(std::chrono::duration<double>(until - now).count());
}

QString dateText(std::optional<Instant> date, Instant now, const TextContext& context) {
    if (!date)
        return NotchTexts::tr("Never");
    const QDateTime when = localTime(*date, context.zone);
    const QDate today = localTime(now, context.zone).date();
    const QString time = shortTime(when.time(), context.locale);
    if (when.date() == today)
        return NotchTexts::tr("Today %1").arg(time);
    if (when.date() == today.addDays(1))
        return NotchTexts::tr("Tomorrow %1").arg(time);
    return NotchTexts::tr("%1 %2 %3", "day of the month, abbreviated month, time")
        .arg(when.date().day())
        .arg(context.locale.monthName(when.date().month(), QLocale::ShortFormat), time);
}

namespace {

// A date inside a sentence. "Today" and "Tomorrow" read differently there than alone in some
// languages (German writes them small), so each sentence has its own three texts: the time
// after today's or tomorrow's, else dateText's day, month and time.
struct DatedSentence {
    const char* today;
    const char* tomorrow;
    const char* otherDay;
};

const DatedSentence until{
    QT_TRANSLATE_NOOP("NotchTexts", "Until Today %1"),
    QT_TRANSLATE_NOOP("NotchTexts", "Until Tomorrow %1"),
    QT_TRANSLATE_NOOP("NotchTexts", "Until %1"),
};

const DatedSentence plannedDeletion{
    QT_TRANSLATE_NOOP("NotchTexts", "Planned to delete Today %1"),
    QT_TRANSLATE_NOOP("NotchTexts", "Planned to delete Tomorrow %1"),
    QT_TRANSLATE_NOOP("NotchTexts", "Planned to delete %1"),
};

QString datedText(const DatedSentence& sentence, Instant date, Instant now,
                  const TextContext& context) {
    const QDateTime when = localTime(date, context.zone);
    const QDate today = localTime(now, context.zone).date();
    const QString time = shortTime(when.time(), context.locale);
    if (when.date() == today)
        return NotchTexts::tr(sentence.today).arg(time);
    if (when.date() == today.addDays(1))
        return NotchTexts::tr(sentence.tomorrow).arg(time);
    return NotchTexts::tr(sentence.otherDay).arg(dateText(date, now, context));
}

} // namespace

QString pendingDetailText(std::optional<Instant> expiresAt, const std::optional<QString>& source,
                          qint64 sizeBytes, Instant now, const TextContext& context) {
    QStringList parts;
    if (expiresAt)
        parts << datedText(until, *expiresAt, now, context);
    parts << (source && !source->isEmpty() ? *source : NotchTexts::tr("Downloads"));
    if (sizeBytes > 0)
        parts << byteCountText(sizeBytes, context.locale);
    return parts.join(separator);
}

QString deletionPreviewText(ExpiryOption option, Instant now, const TextContext& context) {
    const std::optional<Duration> keep = duration(option);
    if (!keep)
        return NotchTexts::tr("Kept until you delete it");
    return datedText(until, now + *keep, now, context);
}

QString DecisionConfirmation::headline(Instant now, const TextContext& context) const {
    if (option == ExpiryOption::forever)
        return NotchTexts::tr("Planned to keep forever");
    if (!expiresAt)
        return NotchTexts::tr("Planned to delete %1").arg(dateText(expiresAt, now, context));
    return datedText(plannedDeletion, *expiresAt, now, context);
}

QString filesDecidedText(qsizetype count) {
    return NotchTexts::tr("%n file(s)", nullptr, static_cast<int>(count));
}

QString moreWaitingText(qsizetype hidden) {
    if (hidden <= 0)
        return {};
    return NotchTexts::tr("%n more waiting — Apply to all reaches them, `fadebin list` shows them",
                          nullptr, static_cast<int>(hidden));
}

NotchToast deletionToast(const DeletionEvent& event) {
    return {NotchToast::Style::deleted, event.title(), event.names.join(QStringLiteral(", ")),
            event.kind, event.places};
}

NotchToast undoRefusedToast(qsizetype refused, const QString& reason) {
    return {NotchToast::Style::released,
            NotchTexts::tr("%n file(s) could not be put back", nullptr, static_cast<int>(refused)),
            appTexts::shown(reason),
            FileKind::other,
            {}};
}

NotchToast releaseToast(const ReleaseEvent& event) {
    const QString names = event.names.join(QStringLiteral(", "));
    if (event.names.size() == 1)
        return {NotchToast::Style::released, NotchTexts::tr("Moved out of Downloads"),
                NotchTexts::tr("Timer removed · %1").arg(names), event.kind};
    return {NotchToast::Style::released,
            NotchTexts::tr("%n file(s) moved out of Downloads", nullptr,
                           static_cast<int>(event.names.size())),
            NotchTexts::tr("Timers removed · %1").arg(names), event.kind};
}

QString footerText(bool paused) {
    return paused ? NotchTexts::tr("Fadebin · paused") : QStringLiteral("Fadebin");
}

QString pauseButtonHelp(bool paused) {
    return paused ? NotchTexts::tr("Resume watching Downloads")
                  : NotchTexts::tr("Pause watching Downloads");
}

QString emptyStateDetail(bool paused) {
    return paused ? NotchTexts::tr("Watching is paused.")
                  : NotchTexts::tr("New downloads will show up here.");
}

QString sectionCountText(qsizetype count) {
    return QString::asprintf("%lld", static_cast<long long>(count));
}

CollapsedMark collapsedMark(bool countingDown, qsizetype scheduled, qsizetype pending,
                            bool watchingStopped) {
    if (watchingStopped)
        return {QStringLiteral("alert02"), 7, 1, false, 14, true, true};
    if (countingDown)
        return {QStringLiteral("file-shredder"), 7, 1, true};
    if (scheduled > 0 || pending > 0)
        return {QStringLiteral("clock04"), 7, 1, false};
    return {QStringLiteral("clock01"), 12, 0.55, false, 14, false};
}

CollapsedIndicator collapsedIndicator(std::optional<Instant> countdownDeadline, Instant now,
                                      bool showScheduledCount, qsizetype scheduled) {
    if (countdownDeadline)
        return {CollapsedIndicator::Kind::countdown, countdownText(*countdownDeadline, now)};
    if (showScheduledCount && scheduled > 0)
        return {CollapsedIndicator::Kind::count, sectionCountText(scheduled)};
    return {};
}

NotchToast ruleToast(const TrackedFile& file, FileKind kind) {
    NotchToast toast{NotchToast::Style::ruled, QString(), file.displayName(), kind};
    if (const std::optional<Rule>& rule = file.rule()) {
        toast.title = appTexts::decidedByRuleTitle(rule->choice);
        toast.subtitle += separator + appTexts::ruleSubject(*rule);
    }
    toast.change = file.id();
    return toast;
}

ToastMark toastMark(NotchToast::Style style) {
    if (style == NotchToast::Style::ruled)
        return {QStringLiteral("clock04"), 16, false, {1, 1, 1}, 0.85};
    if (style == NotchToast::Style::released)
        return {QStringLiteral("folder-export"), 16, false, {1, 1, 1}, 0.75};
    return {QStringLiteral("tick02"), 20, true, {0x32 / 255.0, 0xD7 / 255.0, 0x4B / 255.0}, 1};
}

} // namespace fadebin
