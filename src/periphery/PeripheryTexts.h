#pragma once

#include "settings/AppSettings.h"

#include <QString>

namespace fadebin {

// The caption under the display-mode picker.
[[nodiscard]] QString displayModeCaption(DisplayMode mode);
// A slider's value as the whole number (the fraction dropped) and its unit: "8 s", "5 min".
[[nodiscard]] QString wholeSecondsText(double seconds);
[[nodiscard]] QString wholeMinutesText(double minutes);
// The settings window's update button.
[[nodiscard]] QString updateButtonTitle(bool updateAvailable);
// The result of a user-initiated update check.
[[nodiscard]] QString updateAvailableText(const QString& newVersion, const QString& running);
// Said once where the desktop can show no notch: what to use instead.
[[nodiscard]] QString noNotchText();
// How often a rule decided: "Decided 3 files", "Not used yet".
[[nodiscard]] QString ruleDecisionsText(qint64 count);
// What Fadebin's own items in the Trash take, and the question before they are removed.
[[nodiscard]] QString ownTrashTotalText(qint64 bytes, qsizetype count);
[[nodiscard]] QString emptyOwnTrashQuestion(qint64 bytes, qsizetype count);
// The guide's texts that say where files are decided: at the notch, or, on a desktop that
// cannot show it, on the command line.
struct GuideTexts {
    QString hintLead; // the first step's hint, in bold
    QString hintRest;
    QString tryIt;
    QString sampleDropped;
    QString later;
    QString allSet;
};
[[nodiscard]] GuideTexts guideTexts(bool hasNotch);
// The feedback window's send button.
[[nodiscard]] QString sendButtonTitle(bool sending);
// Why the feedback was not sent: no answer came, or the server refused it.
[[nodiscard]] QString feedbackNoConnectionText();
[[nodiscard]] QString feedbackRejectedText();

} // namespace fadebin
