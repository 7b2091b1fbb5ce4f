#include "notch/NotchTexts.h"

#include "app/AppTexts.h"

#include <QDateTime>
#include <QStringList>

#include <array>
#include <cmath>

namespace fadebin {

namespace {

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
        return QStringLiteral("now");
    const long long s = *whole;
    if (s < 60)
        return QStringLiteral("%1s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1m").arg(s / 60);
    if (s < 86400) {
        const long long m = (s % 3600) / 60;
        const QString hours = QStringLiteral("%1h").arg(s / 3600);
        return m == 0 ? hours : hours + QStringLiteral(" %1m").arg(m);
    }
    const long long h = (s % 86400) / 3600;
    const QString days = QStringLiteral("%1d").arg(s / 86400);
    return h == 0 ? days : days + QStringLiteral(" %1h").arg(h);
}

QString countdownText(Instant until, Instant now) {
    return countdownText(std::chrono::duration<double>(until - now).count());
}

QString dateText(std::optional<Instant> date, Instant now, const TextContext& context) {
    if (!date)
        return QStringLiteral("Never");
    const QDateTime when = localTime(*date, context.zone);
    const QDate today = localTime(now, context.zone).date();
    const QString time = shortTime(when.time(), context.locale);
    if (when.date() == today)
        return QStringLiteral("Today ") + time;
    if (when.date() == today.addDays(1))
        return QStringLiteral("Tomorrow ") + time;
    return QStringLiteral("%1 %2 %3")
        .arg(when.date().day())
        .arg(context.locale.monthName(when.date().month(), QLocale::ShortFormat), time);
}

QString pendingDetailText(std::optional<Instant> expiresAt, const std::optional<QString>& source,
                          qint64 sizeBytes, Instant now, const TextContext& context) {
    QStringList parts;
    if (expiresAt)
        parts << QStringLiteral("Until ") + dateText(expiresAt, now, context);
    parts << (source && !source->isEmpty() ? *source : QStringLiteral("Downloads"));
    if (sizeBytes > 0)
        parts << byteCountText(sizeBytes, context.locale);
    return parts.join(separator);
}

QString deletionPreviewText(ExpiryOption option, Instant now, const TextContext& context) {
    const std::optional<Duration> keep = duration(option);
    if (!keep)
        return QStringLiteral("Kept until you delete it");
    return QStringLiteral("Until ") + dateText(now + *keep, now, context);
}

QString DecisionConfirmation::headline(Instant now, const TextContext& context) const {
    if (option == ExpiryOption::forever)
        return QStringLiteral("Planned to keep forever");
    return QStringLiteral("Planned to delete ") + dateText(expiresAt, now, context);
}

QString filesDecidedText(qsizetype count) {
    return QStringLiteral("%1 files").arg(count);
}

QString moreWaitingText(qsizetype hidden) {
    if (hidden <= 0)
        return {};
    return QStringLiteral("%1 more waiting — Apply to all reaches them, `fadebin list` shows them")
        .arg(hidden);
}

NotchToast deletionToast(const DeletionEvent& event) {
    return {NotchToast::Style::deleted, event.title(), event.names.join(QStringLiteral(", ")),
            event.kind, event.places};
}

NotchToast undoRefusedToast(qsizetype refused, const QString& reason) {
    return {NotchToast::Style::released,
            refused == 1 ? QStringLiteral("1 file could not be put back")
                         : QStringLiteral("%1 files could not be put back").arg(refused),
            reason,
            FileKind::other,
            {}};
}

NotchToast releaseToast(const ReleaseEvent& event) {
    const QString names = event.names.join(QStringLiteral(", "));
    if (event.names.size() == 1)
        return {NotchToast::Style::released, QStringLiteral("Moved out of Downloads"),
                QStringLiteral("Timer removed · ") + names, event.kind};
    return {NotchToast::Style::released,
            QStringLiteral("%1 files moved out of Downloads").arg(event.names.size()),
            QStringLiteral("Timers removed · ") + names, event.kind};
}

QString footerText(bool paused) {
    return paused ? QStringLiteral("Fadebin · paused") : QStringLiteral("Fadebin");
}

QString pauseButtonHelp(bool paused) {
    return paused ? QStringLiteral("Resume watching Downloads")
                  : QStringLiteral("Pause watching Downloads");
}

QString emptyStateDetail(bool paused) {
    return paused ? QStringLiteral("Watching is paused.")
                  : QStringLiteral("New downloads will show up here.");
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
