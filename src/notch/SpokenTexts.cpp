#include "notch/SpokenTexts.h"

#include "notch/NotchTexts.h"

#include <QCoreApplication>
#include <array>
#include <cmath>
#include <limits>

namespace fadebin {

namespace {

struct SpokenTexts {
    Q_DECLARE_TR_FUNCTIONS(SpokenTexts)
};

} // namespace

QString kindWord(FileKind kind) {
    // Indexed by the enumeration's declaration order.
    static constexpr std::array<const char*, fileKindCount> words{
        QT_TRANSLATE_NOOP("SpokenTexts", "Image"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Video"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Audio"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Archive"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Package"),
        QT_TRANSLATE_NOOP("SpokenTexts", "PDF"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Document"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Spreadsheet"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Presentation"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Text"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Code"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Data"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Font"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Link"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Book"),
        QT_TRANSLATE_NOOP("SpokenTexts", "Folder"),
        QT_TRANSLATE_NOOP("SpokenTexts", "File"),
    };
    const auto index = static_cast<std::size_t>(kind);
    return SpokenTexts::tr(index < words.size() ? words.at(index) : words.back());
}

namespace {

// Counts beyond an int are no real duration; they read in full all the same.
QString counted(long long n, const char* plural) {
    if (n > std::numeric_limits<int>::max())
        return SpokenTexts::tr(plural, nullptr, 2).replace(QString::number(2), QString::number(n));
    return SpokenTexts::tr(plural, nullptr, static_cast<int>(n));
}

const char* const secondsText = QT_TRANSLATE_N_NOOP("SpokenTexts", "%n second(s)");
const char* const minutesText = QT_TRANSLATE_N_NOOP("SpokenTexts", "%n minute(s)");
const char* const hoursText = QT_TRANSLATE_N_NOOP("SpokenTexts", "%n hour(s)");
const char* const daysText = QT_TRANSLATE_N_NOOP("SpokenTexts", "%n day(s)");

} // namespace

QString spokenDuration(double seconds) {
    const std::optional<long long> whole = wholeSeconds(seconds);
    if (!whole)
        return SpokenTexts::tr("now");
    const long long s = *whole;
    const auto join = [](const QString& large, long long small, const char* plural) {
        return small == 0 ? large : large + QLatin1Char(' ') + counted(small, plural);
    };
    if (s < 60)
        return counted(s, secondsText);
    if (s < 3600)
        return counted(s / 60, minutesText);
    if (s < 86400)
        return join(counted(s / 3600, hoursText), (s % 3600) / 60, minutesText);
    return join(counted(s / 86400, daysText), (s % 86400) / 3600, hoursText);
}

QString spokenOptionName(ExpiryOption option) {
    if (option == ExpiryOption::forever)
        return shortLabel(option);
    return SpokenTexts::tr("Keep for %1").arg(label(option));
}

QString spokenPendingName(const QString& shownName, FileKind kind,
                          const std::optional<QString>& source, qint64 sizeBytes,
                          const QLocale& locale) {
    QStringList parts{shownName};
    parts << (source && !source->isEmpty()
                  ? SpokenTexts::tr("%1 from %2").arg(kindWord(kind), *source)
                  : kindWord(kind));
    if (sizeBytes > 0)
        parts << byteCountText(sizeBytes, locale);
    parts << SpokenTexts::tr("waiting for a decision");
    return parts.join(QStringLiteral(", "));
}

QString spokenTrackedName(const QString& shownName, FileKind kind, std::optional<Instant> expiresAt,
                          Instant now, bool ruled) {
    QString when = SpokenTexts::tr("kept");
    if (expiresAt) {
        const double left = std::chrono::duration<double>(*expiresAt - now).count();
        when = wholeSeconds(left) ? SpokenTexts::tr("expires in %1").arg(spokenDuration(left))
                                  : SpokenTexts::tr("expires now");
    }
    QStringList parts{shownName, kindWord(kind), when};
    if (ruled)
        parts << SpokenTexts::tr("set by your rule");
    return parts.join(QStringLiteral(", "));
}

} // namespace fadebin
