#include "app/DisplayText.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

namespace fadebin {

namespace {

struct DisplayText {
    Q_DECLARE_TR_FUNCTIONS(DisplayText)
};

// Explicit direction controls, which would turn the text after them around (or stop doing
// so) wherever they stand in a name.
bool isBidiControl(char32_t c) {
    return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

QString shownName(const QString& name) {
    if (name.isEmpty())
        return {};
    constexpr char16_t replacement = 0xFFFD;
    QString shown;
    shown.reserve(name.size() + 2);
    shown.append(QChar(0x2068)); // first strong isolate: the name keeps its own direction
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            shown.append(c);
            shown.append(name.at(++i));
            continue;
        }
        const char16_t u = c.unicode();
        if (u < 0x20)
            shown.append(QChar(char16_t(0x2400 + u))); // the Control Pictures block
        else if (u == 0x7F)
            shown.append(QChar(char16_t(0x2421)));
        else if ((u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029 || c.isSurrogate() ||
                 isBidiControl(u))
            shown.append(QChar(replacement));
        else
            shown.append(c);
    }
    shown.append(QChar(0x2069)); // pop directional isolate
    return shown;
}

QString byteCountText(qint64 bytes, const QLocale& locale) {
    // By hand rather than QLocale::formattedDataSize, which says "1 bytes" and "1000.0 kB".
    if (bytes < 1000)
        return DisplayText::tr("%n byte(s)", nullptr, static_cast<int>(std::max<qint64>(bytes, 0)));
    static constexpr std::array units{
        QT_TRANSLATE_NOOP("DisplayText", "kB"), QT_TRANSLATE_NOOP("DisplayText", "MB"),
        QT_TRANSLATE_NOOP("DisplayText", "GB"), QT_TRANSLATE_NOOP("DisplayText", "TB"),
        QT_TRANSLATE_NOOP("DisplayText", "PB"), QT_TRANSLATE_NOOP("DisplayText", "EB")};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // Move up once the value would show as 1000.0 at one decimal.
    while (std::round(value * 10) >= 10000 && unit + 1 < units.size()) {
        value /= 1000;
        ++unit;
    }
    return DisplayText::tr("%1 %2", "a number and its unit")
        .arg(locale.toString(value, 'f', 1), DisplayText::tr(units.at(unit)));
}

std::optional<qint64> byteCountFromText(QStringView text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^\s*(\d{1,20}(?:\.\d{1,9})?)\s*(?:([kmgtp])(i?)b?|b)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(text.toString());
    if (!match.hasMatch())
        return std::nullopt;
    const long double number = match.captured(1).toDouble();
    const QString prefix = match.captured(2).toLower();
    const long double base = match.captured(3).isEmpty() ? 1000 : 1024;
    const qsizetype power = prefix.isEmpty() ? 0 : QStringLiteral("kmgtp").indexOf(prefix) + 1;
    const long double bytes = std::floor(number * std::pow(base, power));
    // Below 2^63, with room for the rounding of long double.
    if (bytes < 1 || bytes >= 9.2e18L)
        return std::nullopt;
    return static_cast<qint64>(bytes);
}

} // namespace fadebin
