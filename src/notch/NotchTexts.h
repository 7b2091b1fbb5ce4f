#pragma once

#include "app/DisplayText.h"
#include "expiry/ExpiryScheduler.h"
#include "intake/FileKind.h"
#include "platform/Clock.h"
#include "settings/ExpiryOption.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QUuid>

#include <optional>

// Every text of the notch that follows a rule. The views only show them.
namespace fadebin {

// Where dates are read: the user's locale and time zone unless a test names others.
struct TextContext {
    QLocale locale;
    QTimeZone zone = QTimeZone::systemTimeZone();
};

// Remaining time, whole seconds rounded half away from zero: "now", "59s", "1m", "1h 1m",
// "1d 1h".
[[nodiscard]] QString countdownText(double remainingSeconds);
// The whole seconds a countdown speaks of (halves away from zero); none when not positive.
[[nodiscard]] std::optional<long long> wholeSeconds(double seconds);
[[nodiscard]] QString countdownText(Instant until, Instant now);

// "Never" without a date; else the short time, after "Today ", "Tomorrow " or the day and
// abbreviated month ("14 Mar ").
[[nodiscard]] QString dateText(std::optional<Instant> date, Instant now,
                               const TextContext& context = {});

// The pending row's second line: "Until DATE" when it has an expiry, the source (or
// "Downloads"), the size when known, joined with " · ".
[[nodiscard]] QString pendingDetailText(std::optional<Instant> expiresAt,
                                        const std::optional<QString>& source, qint64 sizeBytes,
                                        Instant now, const TextContext& context = {});

// When the pending row's selection would delete the file, decided now.
[[nodiscard]] QString deletionPreviewText(ExpiryOption option, Instant now,
                                          const TextContext& context = {});

// The card shown after a decision.
struct DecisionConfirmation {
    QUuid id;
    FileKind kind = FileKind::other;
    ExpiryOption option = ExpiryOption::forever;
    std::optional<Instant> expiresAt;
    QString subtitle;

    // "Planned to keep forever", or "Planned to delete " and the date text.
    [[nodiscard]] QString headline(Instant now, const TextContext& context = {}) const;
    friend bool operator==(const DecisionConfirmation&, const DecisionConfirmation&) = default;
};

// The subtitle of the one confirmation for "Apply to all": "3 files".
[[nodiscard]] QString filesDecidedText(qsizetype count);
// The last line of the waiting files when more wait than the panel shows; empty otherwise.
[[nodiscard]] QString moreWaitingText(qsizetype hidden);

// A short notice in the panel: files moved to the Trash or let go.
struct NotchToast {
    enum class Style { deleted, released, ruled };
    Style style = Style::deleted;
    QString title;
    QString subtitle;
    FileKind kind = FileKind::other;
    // What its "Undo" puts back: the places of the files a sweep moved to the Trash.
    std::vector<std::filesystem::path> places{};
    // What its "Change" opens: the file a rule decided.
    std::optional<QUuid> change{};

    friend bool operator==(const NotchToast&, const NotchToast&) = default;
};

// The toast's mark: a bold green tick for files that went, a quiet folder for files let go.
struct ToastMark {
    QString icon;
    double size = 20;
    bool bold = true;
    RgbColor color;
    double opacity = 1;
};
[[nodiscard]] ToastMark toastMark(NotchToast::Style style);

// When an undo could not put every file back: how many, and the first reason.
[[nodiscard]] NotchToast undoRefusedToast(qsizetype refused, const QString& reason);

// Title from the event, the names joined with ", ".
[[nodiscard]] NotchToast deletionToast(const DeletionEvent& event);
// "Kept for 1 day by your rule" with "NAME · PDFs from example.org", and "Change".
[[nodiscard]] NotchToast ruleToast(const TrackedFile& file, FileKind kind);
// "Moved out of Downloads" with "Timer removed · NAME", or the counted forms.
[[nodiscard]] NotchToast releaseToast(const ReleaseEvent& event);

// The footer and the empty list, which both say when watching is paused.
[[nodiscard]] QString footerText(bool paused);
[[nodiscard]] QString pauseButtonHelp(bool paused);
[[nodiscard]] QString emptyStateDetail(bool paused);
// A section header's count badge.
[[nodiscard]] QString sectionCountText(qsizetype count);

// What the collapsed notch shows beside the housing.
struct CollapsedMark {
    QString icon;       // "clock01", "clock04" or "file-shredder"
    double leading = 0; // from the shape's leading edge, points
    double opacity = 1; // of white
    bool countdown = false;
    double size = 16;     // points; the quiet clock is smaller
    bool bold = true;     // all but the quiet clock
    bool warning = false; // drawn in the warning colour
};
// A warning while nothing is watched (whatever else goes on: new downloads go unseen), the
// shredder while a file is in its last seconds, the busy clock while files wait or count
// down, the quiet clock otherwise.
[[nodiscard]] CollapsedMark collapsedMark(bool countingDown, qsizetype scheduled, qsizetype pending,
                                          bool watchingStopped = false);

struct CollapsedIndicator {
    enum class Kind { none, count, countdown };
    Kind kind = Kind::none;
    QString text;
    friend bool operator==(const CollapsedIndicator&, const CollapsedIndicator&) = default;
};
// The countdown while one runs, else the number of scheduled files when it is wanted.
[[nodiscard]] CollapsedIndicator collapsedIndicator(std::optional<Instant> countdownDeadline,
                                                    Instant now, bool showScheduledCount,
                                                    qsizetype scheduled);

} // namespace fadebin
