#include "periphery/PeripheryTexts.h"

#include "app/DisplayText.h"

#include <cmath>

namespace fadebin {

namespace {

QString whole(double value, const char* unit) {
    // Truncated toward zero; anything that is no finite number of sensible size reads 0.
    const double truncated = std::trunc(value);
    const bool sensible = std::isfinite(truncated) && std::abs(truncated) < 1e15;
    return QStringLiteral("%1 %2")
        .arg(static_cast<qint64>(sensible ? truncated : 0))
        .arg(QLatin1String(unit));
}

} // namespace

QString displayModeCaption(DisplayMode mode) {
    switch (mode) {
    case DisplayMode::hoverOnly:
        return QStringLiteral(
            "Nothing pops up. Hover the notch to see new downloads and pick a time.");
    case DisplayMode::automatic:
        break;
    }
    return QStringLiteral("New downloads open the notch automatically. Hovering works too.");
}

QString wholeSecondsText(double seconds) {
    return whole(seconds, "s");
}

QString wholeMinutesText(double minutes) {
    return whole(minutes, "min");
}

QString updateButtonTitle(bool updateAvailable) {
    return updateAvailable ? QStringLiteral("Update Available…")
                           : QStringLiteral("Check for Updates…");
}

QString updateAvailableText(const QString& newVersion, const QString& running) {
    return QStringLiteral("Fadebin %1 is available. You have %2.").arg(newVersion, running);
}

QString sendButtonTitle(bool sending) {
    return sending ? QStringLiteral("Sending…") : QStringLiteral("Send");
}

QString noNotchText() {
    return QStringLiteral("This desktop cannot show the notch. Choose how long to keep downloads "
                          "from a terminal instead: \"fadebin list\" shows them, \"fadebin expire "
                          "--in 1h FILE\" and \"fadebin keep FILE\" decide.");
}

GuideTexts guideTexts(bool hasNotch) {
    if (hasNotch)
        return {
            QStringLiteral("Hover the notch"),
            QStringLiteral("to see what's pending and what's expiring"),
            QStringLiteral("Drop a sample file into Downloads. The notch opens and asks how long "
                           "to keep it. Pick 30 seconds and watch it go to the Trash."),
            QStringLiteral("Sample dropped — look at the notch"),
            QStringLiteral("Changed your mind later? Click the time next to a file to pick "
                           "again, drop any file on the notch to time it, or move a file out of "
                           "Downloads to keep it."),
            QStringLiteral("Fadebin lives in the notch at the top of your screen. Hover it any "
                           "time to see what's pending and what's expiring, and use the gear for "
                           "settings."),
        };
    return {
        QStringLiteral("Run “fadebin list”"),
        QStringLiteral("in a terminal to see what's pending and what's expiring"),
        QStringLiteral("Drop a sample file into Downloads, then decide in a terminal: "
                       "“fadebin expire --in 30s” and the sample's path give it 30 seconds. "
                       "Watch it go to the Trash."),
        QStringLiteral("Sample dropped — “fadebin list” shows it"),
        QStringLiteral("Changed your mind later? “fadebin expire --in 1h FILE” picks again, "
                       "“fadebin keep FILE” keeps a file, or move a file out of Downloads to "
                       "keep it."),
        QStringLiteral("Fadebin runs in the background. In a terminal, “fadebin list” shows "
                       "what's pending and what's expiring, and “fadebin expire” and "
                       "“fadebin keep” decide. Start Fadebin again for its settings."),
    };
}

QString ruleDecisionsText(qint64 count) {
    if (count <= 0)
        return QStringLiteral("Not used yet");
    return count == 1 ? QStringLiteral("Decided 1 file")
                      : QStringLiteral("Decided %1 files").arg(count);
}

QString ownTrashTotalText(qint64 bytes, qsizetype count) {
    if (count <= 0)
        return QStringLiteral("Nothing from Fadebin is in the Trash.");
    return QStringLiteral("In the Trash from Fadebin: %1 (%2)")
        .arg(byteCountText(bytes),
             count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count));
}

QString emptyOwnTrashQuestion(qint64 bytes, qsizetype count) {
    return QStringLiteral("Remove %1 (%2) that Fadebin moved to the Trash? They cannot be "
                          "restored. Whatever you put in the Trash yourself stays.")
        .arg(count == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(count),
             byteCountText(bytes));
}

} // namespace fadebin
