// The settings' values as text: the raw words stored for each choice, the extension list and
// the colours' hex form.
#include "settings/AppSettings.h"

#include <algorithm>
#include <cmath>

namespace fadebin {

namespace {

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

} // namespace

QString rawValue(AskWith ask) {
    switch (ask) {
    case AskWith::notch:
        return QStringLiteral("notch");
    case AskWith::notification:
        return QStringLiteral("notification");
    case AskWith::automatic:
        break;
    }
    return QStringLiteral("auto");
}

std::optional<AskWith> askWithFromRaw(QStringView raw) {
    for (const AskWith ask : {AskWith::automatic, AskWith::notch, AskWith::notification})
        if (raw == rawValue(ask))
            return ask;
    return std::nullopt;
}

QString rawValue(DisplayMode mode) {
    return mode == DisplayMode::hoverOnly ? QStringLiteral("hoverOnly") : QStringLiteral("auto");
}

std::optional<DisplayMode> displayModeFromRaw(QStringView raw) {
    if (raw == u"auto")
        return DisplayMode::automatic;
    if (raw == u"hoverOnly")
        return DisplayMode::hoverOnly;
    return std::nullopt;
}

QString rawValue(DeletionMethod method) {
    return method == DeletionMethod::permanent ? QStringLiteral("permanent")
                                               : QStringLiteral("trash");
}

std::optional<DeletionMethod> deletionMethodFromRaw(QStringView raw) {
    if (raw == u"trash")
        return DeletionMethod::trash;
    if (raw == u"permanent")
        return DeletionMethod::permanent;
    return std::nullopt;
}

QSet<QString> parseExcludedExtensions(const QString& text) {
    QSet<QString> extensions;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || text.at(i) == u',' || text.at(i) == u' ' ||
                               text.at(i) == u'\n' || text.at(i) == u';';
        if (!separator)
            continue;
        qsizetype first = start;
        qsizetype last = i;
        auto trimmed = [&](qsizetype at) { return text.at(at) == u'.' || text.at(at) == u' '; };
        while (first < last && trimmed(first))
            ++first;
        while (last > first && trimmed(last - 1))
            --last;
        if (last > first)
            extensions.insert(text.mid(first, last - first).toLower());
        start = i + 1;
    }
    return extensions;
}

std::optional<RgbColor> colorFromHex(const QString& hex) {
    qsizetype first = 0;
    qsizetype last = hex.size();
    auto blank = [&](qsizetype at) { return hex.at(at) == u' ' || hex.at(at) == u'\t'; };
    while (first < last && blank(first))
        ++first;
    while (last > first && blank(last - 1))
        --last;
    if (first < last && hex.at(first) == u'#')
        ++first;
    if (last - first != 6)
        return std::nullopt;
    const QStringView digits = QStringView(hex).mid(first, 6);
    // Checked one by one: toUInt alone would also take a sign or a "0x".
    if (!std::all_of(digits.begin(), digits.end(), isHexDigit))
        return std::nullopt;
    const unsigned value = digits.toUInt(nullptr, 16);
    return RgbColor{static_cast<double>((value >> 16) & 0xFF) / 255.0,
                    static_cast<double>((value >> 8) & 0xFF) / 255.0,
                    static_cast<double>(value & 0xFF) / 255.0};
}

QString hexFromColor(RgbColor color) {
    auto channel = [](double v) {
        const double clamped = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
        // std::round rounds halves away from zero.
        return static_cast<unsigned>(std::round(clamped * 255.0));
    };
    return QString::asprintf("#%02X%02X%02X", channel(color.red), channel(color.green),
                             channel(color.blue));
}

} // namespace fadebin
