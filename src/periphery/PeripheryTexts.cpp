#include "periphery/PeripheryTexts.h"

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

} // namespace fadebin
