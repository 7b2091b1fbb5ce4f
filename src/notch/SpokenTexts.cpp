#include "notch/SpokenTexts.h"

#include "notch/NotchTexts.h"

#include <array>
#include <cmath>

namespace fadebin {

QString kindWord(FileKind kind) {
    // Indexed by the enumeration's declaration order.
    static constexpr std::array<const char16_t*, fileKindCount> words{
        u"Image",    u"Video",       u"Audio",        u"Archive", u"Package", u"PDF",
        u"Document", u"Spreadsheet", u"Presentation", u"Text",    u"Code",    u"Data",
        u"Font",     u"Link",        u"Book",         u"Folder",  u"File",
    };
    const auto index = static_cast<std::size_t>(kind);
    return QString::fromUtf16(index < words.size() ? words.at(index) : u"File");
}

namespace {

QString counted(long long n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

} // namespace

QString spokenDuration(double seconds) {
    const std::optional<long long> whole = wholeSeconds(seconds);
    if (!whole)
        return QStringLiteral("now");
    const long long s = *whole;
    const auto join = [](const QString& large, long long small, const char* one, const char* many) {
        return small == 0 ? large : large + QLatin1Char(' ') + counted(small, one, many);
    };
    if (s < 60)
        return counted(s, "second", "seconds");
    if (s < 3600)
        return counted(s / 60, "minute", "minutes");
    if (s < 86400)
        return join(counted(s / 3600, "hour", "hours"), (s % 3600) / 60, "minute", "minutes");
    return join(counted(s / 86400, "day", "days"), (s % 86400) / 3600, "hour", "hours");
}

QString spokenOptionName(ExpiryOption option) {
    if (option == ExpiryOption::forever)
        return shortLabel(option);
    return QStringLiteral("Keep for ") + label(option);
}

QString spokenPendingName(const QString& shownName, FileKind kind,
                          const std::optional<QString>& source, qint64 sizeBytes,
                          const QLocale& locale) {
    QStringList parts{shownName};
    parts << (source && !source->isEmpty() ? kindWord(kind) + QStringLiteral(" from ") + *source
                                           : kindWord(kind));
    if (sizeBytes > 0)
        parts << byteCountText(sizeBytes, locale);
    parts << QStringLiteral("waiting for a decision");
    return parts.join(QStringLiteral(", "));
}

QString spokenTrackedName(const QString& shownName, FileKind kind, std::optional<Instant> expiresAt,
                          Instant now, bool ruled) {
    QString when = QStringLiteral("kept");
    if (expiresAt) {
        const QString left =
            spokenDuration(std::chrono::duration<double>(*expiresAt - now).count());
        when = left == QLatin1String("now") ? QStringLiteral("expires now")
                                            : QStringLiteral("expires in ") + left;
    }
    QStringList parts{shownName, kindWord(kind), when};
    if (ruled)
        parts << QStringLiteral("set by your rule");
    return parts.join(QStringLiteral(", "));
}

} // namespace fadebin
