#pragma once

#include "intake/FileKind.h"
#include "platform/Clock.h"
#include "settings/ExpiryOption.h"

#include <QLocale>
#include <QString>

#include <optional>

// What a screen reader says for the notch's rows and choices: whole words where the panel
// shows abbreviations ("1 hour", not "1h"), so that a listener hears what a reader sees.
namespace fadebin {

// The kind as a word: "PDF", "Image", "Archive" … ("File" for anything else).
[[nodiscard]] QString kindWord(FileKind kind);

// Remaining time in words, whole seconds rounded half away from zero, the two largest
// parts: "now", "1 second", "59 seconds", "1 hour 1 minute", "2 days 1 hour".
[[nodiscard]] QString spokenDuration(double seconds);

// A time choice as a button says it: "Keep for 1 hour"; forever is "Keep it".
[[nodiscard]] QString spokenOptionName(ExpiryOption option);

// A waiting file: "report.pdf, PDF from example.org, 2.0 MB, waiting for a decision". The
// source and the size are left out when unknown; the name is given as the notch shows it.
[[nodiscard]] QString spokenPendingName(const QString& shownName, FileKind kind,
                                        const std::optional<QString>& source, qint64 sizeBytes,
                                        const QLocale& locale = {});

// A file counting down: "report.pdf, PDF, expires in 1 hour 1 minute", or "kept" without
// an expiry; ", set by your rule" after it when a rule decided.
[[nodiscard]] QString spokenTrackedName(const QString& shownName, FileKind kind,
                                        std::optional<Instant> expiresAt, Instant now,
                                        bool ruled = false);

} // namespace fadebin
