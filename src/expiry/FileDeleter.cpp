#include "expiry/FileDeleter.h"

#include "platform/Log.h"
#include "platform/RemoveTree.h"
#include "platform/Trash.h"

#include <chrono>
#include <cstdio>

namespace fadebin {

QByteArray formatExpiry(Instant instant) {
    const UtcFields t = utcFields(instant);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return QByteArray(text);
}

std::optional<Instant> parseExpiry(const QString& text) {
    // Written by hand: Qt's ISO parser also takes fractions, missing seconds and other
    // variants, and the attribute must mean exactly one thing.
    const QByteArray bytes = text.toLatin1();
    if (text.size() != bytes.size() || (bytes.size() != 20 && bytes.size() != 25))
        return std::nullopt;
    auto digits = [&bytes](int at, int count, int& out) {
        out = 0;
        for (int i = at; i < at + count; ++i) {
            if (bytes[i] < '0' || bytes[i] > '9')
                return false;
            out = out * 10 + (bytes[i] - '0');
        }
        return true;
    };
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(0, 4, y) || bytes[4] != '-' || !digits(5, 2, mo) || bytes[7] != '-' ||
        !digits(8, 2, d) || bytes[10] != 'T' || !digits(11, 2, h) || bytes[13] != ':' ||
        !digits(14, 2, mi) || bytes[16] != ':' || !digits(17, 2, s))
        return std::nullopt;
    int offsetMinutes = 0;
    if (bytes.size() == 20) {
        if (bytes[19] != 'Z')
            return std::nullopt;
    } else {
        int oh = 0, om = 0;
        const char sign = bytes[19];
        if ((sign != '+' && sign != '-') || !digits(20, 2, oh) || bytes[22] != ':' ||
            !digits(23, 2, om) || oh > 23 || om > 59)
            return std::nullopt;
        offsetMinutes = (sign == '+' ? 1 : -1) * (oh * 60 + om);
    }
    using namespace std::chrono;
    const year_month_day date{year(y), month(static_cast<unsigned>(mo)),
                              day(static_cast<unsigned>(d))};
    if (!date.ok() || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    const auto utc = sys_days(date) + hours(h) + minutes(mi) + seconds(s) - minutes(offsetMinutes);
    return time_point_cast<Duration>(utc);
}

namespace {

QStringList parseTags(const QByteArray& value) {
    QStringList tags;
    for (const QString& tag : QString::fromUtf8(value).split(QLatin1Char(',')))
        if (!tag.isEmpty())
            tags.append(tag);
    return tags;
}

} // namespace

Result<std::optional<path>> FileDeleter::deleteItem(const path& url, DeletionMethod method) {
    if (method == DeletionMethod::permanent) {
        if (Status removed = removeTree(url); !removed)
            return removed.error();
        return std::optional<path>();
    }
    auto trashed = moveToTrash(url);
    if (!trashed)
        return trashed.error();
    return std::optional<path>(std::move(trashed).value());
}

namespace {

void writeLogged(const path& url, const char* name, const QByteArray& value) {
    if (Status written = writeXattr(url, name, value); !written)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "setxattr failed for %s: errno %d",
                          logName(url).constData(), written.error().code);
}

} // namespace

void FileDeleter::writeExpiry(Instant instant, const path& url) {
    writeLogged(url, expiryAttribute, formatExpiry(instant));
}

void FileDeleter::writeRecordId(const QString& id, const path& url) {
    writeLogged(url, recordIdAttribute, id.toUtf8());
}

std::optional<QString> FileDeleter::readAttribute(const char* name, const path& url) const {
    auto value = readXattr(url, name);
    if (!value || !value->has_value())
        return std::nullopt;
    return QString::fromUtf8(**value);
}

void FileDeleter::removeExpiry(const path& url) {
    // An absent attribute is the normal case.
    [[maybe_unused]] Status removed = removeXattr(url, expiryAttribute);
}

void FileDeleter::removeRecordId(const path& url) {
    [[maybe_unused]] Status removed = removeXattr(url, recordIdAttribute);
}

void FileDeleter::setFinderTag(bool add, const QString& name, const path& url) {
    auto current = readXattr(url, tagsAttribute);
    if (!current) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Finder tag update failed for %s: %s",
                          logName(url).constData(), current.error().text().c_str());
        return;
    }
    QStringList tags = current->has_value() ? parseTags(**current) : QStringList();
    if (add) {
        if (tags.contains(name))
            return;
        tags.append(name);
    } else {
        if (!tags.contains(name))
            return;
        tags.removeAll(name);
    }
    // An empty list is no list: leave no empty attribute behind.
    const Status written =
        tags.isEmpty() ? removeXattr(url, tagsAttribute)
                       : writeXattr(url, tagsAttribute, tags.join(QLatin1Char(',')).toUtf8());
    if (!written)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Finder tag update failed for %s: %s",
                          logName(url).constData(), written.error().text().c_str());
}

} // namespace fadebin
