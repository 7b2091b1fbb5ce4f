#include "periphery/PeripheryTexts.h"

#include "app/DisplayText.h"

#include <QCoreApplication>
#include <cmath>

namespace fadebin {

namespace {

struct PeripheryTexts {
    Q_DECLARE_TR_FUNCTIONS(PeripheryTexts)
};

QString whole(double value, const char* unit) {
    // Truncated toward zero; anything that is no finite number of sensible size reads 0.
    const double truncated = std::trunc(value);
    const bool sensible = std::isfinite(truncated) && std::abs(truncated) < 1e15;
    return PeripheryTexts::tr("%1 %2", "a number and its unit")
        .arg(static_cast<qint64>(sensible ? truncated : 0))
        .arg(PeripheryTexts::tr(unit));
}

} // namespace

QString displayModeCaption(DisplayMode mode) {
    switch (mode) {
    case DisplayMode::hoverOnly:
        return PeripheryTexts::tr(
            "Nothing pops up. Hover the notch to see new downloads and pick a time.");
    case DisplayMode::automatic:
        break;
    }
    return PeripheryTexts::tr("New downloads open the notch automatically. Hovering works too.");
}

QString wholeSecondsText(double seconds) {
    return whole(seconds, QT_TRANSLATE_NOOP("PeripheryTexts", "s"));
}

QString wholeMinutesText(double minutes) {
    return whole(minutes, QT_TRANSLATE_NOOP("PeripheryTexts", "min"));
}

QString updateButtonTitle(bool updateAvailable) {
    return updateAvailable ? PeripheryTexts::tr("Update Available…")
                           : PeripheryTexts::tr("Check for Updates…");
}

QString updateAvailableText(const QString& newVersion, const QString& running) {
    return PeripheryTexts::tr("Fadebin %1 is available. You have %2.").arg(newVersion, running);
}

QString sendButtonTitle(bool sending) {
    return sending ? PeripheryTexts::tr("Sending…") : PeripheryTexts::tr("Send");
}

QString feedbackNoConnectionText() {
    return PeripheryTexts::tr("Couldn't reach the server. Check your connection.");
}

QString feedbackRejectedText() {
    return PeripheryTexts::tr("Couldn't send right now. Please try again.");
}

QString noNotchText() {
    return PeripheryTexts::tr(
        "This desktop cannot show the notch. Choose how long to keep downloads "
        "from a terminal instead: \"fadebin list\" shows them, \"fadebin expire "
        "--in 1h FILE\" and \"fadebin keep FILE\" decide.");
}

GuideTexts guideTexts(bool hasNotch) {
    if (hasNotch)
        return {
            PeripheryTexts::tr("Hover the notch"),
            PeripheryTexts::tr("to see what's pending and what's expiring"),
            PeripheryTexts::tr(
                "Drop a sample file into Downloads. The notch opens and asks how long "
                "to keep it. Pick 30 seconds and watch it go to the Trash."),
            PeripheryTexts::tr("Sample dropped — look at the notch"),
            PeripheryTexts::tr(
                "Changed your mind later? Click the time next to a file to pick "
                "again, drop any file on the notch to time it, or move a file out of "
                "Downloads to keep it."),
            PeripheryTexts::tr(
                "Fadebin lives in the notch at the top of your screen. Hover it any "
                "time to see what's pending and what's expiring, and use the gear for "
                "settings."),
        };
    return {
        PeripheryTexts::tr("Run “fadebin list”"),
        PeripheryTexts::tr("in a terminal to see what's pending and what's expiring"),
        PeripheryTexts::tr("Drop a sample file into Downloads, then decide in a terminal: "
                           "“fadebin expire --in 30s” and the sample's path give it 30 seconds. "
                           "Watch it go to the Trash."),
        PeripheryTexts::tr("Sample dropped — “fadebin list” shows it"),
        PeripheryTexts::tr("Changed your mind later? “fadebin expire --in 1h FILE” picks again, "
                           "“fadebin keep FILE” keeps a file, or move a file out of Downloads to "
                           "keep it."),
        PeripheryTexts::tr("Fadebin runs in the background. In a terminal, “fadebin list” shows "
                           "what's pending and what's expiring, and “fadebin expire” and "
                           "“fadebin keep” decide. Start Fadebin again for its settings."),
    };
}

QString ruleDecisionsText(qint64 count) {
    if (count <= 0)
        return PeripheryTexts::tr("Not used yet");
    return PeripheryTexts::tr("Decided %n file(s)", nullptr,
                              static_cast<int>(std::min<qint64>(count, INT_MAX)));
}

QString ownTrashTotalText(qint64 bytes, qsizetype count) {
    if (count <= 0)
        return PeripheryTexts::tr("Nothing from Fadebin is in the Trash.");
    return PeripheryTexts::tr("In the Trash from Fadebin: %1 (%2)")
        .arg(byteCountText(bytes),
             PeripheryTexts::tr("%n file(s)", nullptr, static_cast<int>(count)));
}

QString emptyOwnTrashQuestion(qint64 bytes, qsizetype count) {
    return PeripheryTexts::tr("Remove %1 (%2) that Fadebin moved to the Trash? They cannot be "
                              "restored. Whatever you put in the Trash yourself stays.")
        .arg(PeripheryTexts::tr("%n file(s)", nullptr, static_cast<int>(count)),
             byteCountText(bytes));
}

} // namespace fadebin
