#include "expiry/FileDeleter.h"

#include "platform/Log.h"
#include "platform/MountInfo.h"
#include "platform/RemoveTree.h"
#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <string>

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

QStringList parseTags(const QByteArray& value) {
    QStringList tags;
    for (const QString& tag : QString::fromUtf8(value).split(QLatin1Char(',')))
        if (!tag.isEmpty())
            tags.append(tag);
    return tags;
}

bool isSameFile(const FileIdentity& found, const FileIdentity& expected) {
    if (found.device != expected.device || found.inode != expected.inode)
        return false;
    return !found.birthNanoseconds || !expected.birthNanoseconds ||
           *found.birthNanoseconds == *expected.birthNanoseconds;
}

namespace {

// The item itself (a link not followed) opened through the door, named for the attribute
// calls by its /proc entry, so that they act on that object and on no other.
class AttributeTarget {
public:
    explicit AttributeTarget(UniqueFd fd)
        : m_fd(std::move(fd))
        , m_name("/proc/self/fd/" + std::to_string(m_fd.get())) {}
    [[nodiscard]] const path& name() const { return m_name; }

private:
    UniqueFd m_fd;
    path m_name;
};

Result<AttributeTarget> attributeTarget(const OpenedItem& opened) {
    // Only files and folders carry user attributes; a link's would be its target's.
    if (!S_ISREG(opened.facts.st_mode) && !S_ISDIR(opened.facts.st_mode))
        return SysError{EPERM, "only files and folders carry attributes"};
    UniqueFd fd(
        ::openat(opened.folder.get(), opened.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        return SysError::fromErrno();
    if (st.st_dev != opened.facts.st_dev || st.st_ino != opened.facts.st_ino)
        return SysError{ESTALE, "the item changed while it was opened"};
    return AttributeTarget(std::move(fd));
}

Result<AttributeTarget> attributeTarget(const DownloadsFolder& downloads, const path& filePath) {
    auto opened = downloads.openItem(filePath);
    if (!opened)
        return opened.error();
    return attributeTarget(*opened);
}

// A file outside Downloads that was ours: reached only when it still is that very file.
Result<AttributeTarget> releasedTarget(const path& filePath, const FileIdentity& expected) {
    UniqueFd fd(::open(filePath.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return SysError::fromErrno();
    const auto facts = statDescriptor(fd.get());
    if (!facts)
        return facts.error();
    if (!isSameFile(facts->identity, expected) || !(facts->isRegular || facts->isDirectory))
        return SysError{ESTALE, "another file is there now"};
    return AttributeTarget(std::move(fd));
}

void writeLogged(const DownloadsFolder& downloads, const path& filePath, const char* name,
                 const QByteArray& value) {
    const auto target = attributeTarget(downloads, filePath);
    const Status written = target ? writeXattr(target->name(), name, value) : target.error();
    if (!written)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "setxattr failed for %s: errno %d",
                          logName(filePath).constData(), written.error().code);
}

void updateTags(const Result<AttributeTarget>& target, bool add, const QString& name,
                const path& filePath);

// Our marks on an item as they were before they were taken off, to be put back when what
// took them off then failed.
struct TakenMarks {
    std::optional<QByteArray> expiry, id, tags;
};

TakenMarks takeMarks(const Result<AttributeTarget>& item, const path& filePath) {
    TakenMarks taken;
    if (!item)
        return taken;
    const auto read = [&](const char* name) {
        auto value = readXattr(item->name(), name);
        return value ? *value : std::nullopt;
    };
    taken = {read(expiryAttribute), read(recordIdAttribute), read(tagsAttribute)};
    [[maybe_unused]] Status expiry = removeXattr(item->name(), expiryAttribute);
    [[maybe_unused]] Status id = removeXattr(item->name(), recordIdAttribute);
    updateTags(item, false, temporaryTag, filePath);
    return taken;
}

void putBack(const Result<AttributeTarget>& item, const TakenMarks& taken) {
    if (!item)
        return;
    const std::pair<const char*, const std::optional<QByteArray>&> marks[] = {
        {expiryAttribute, taken.expiry},
        {recordIdAttribute, taken.id},
        {tagsAttribute, taken.tags}};
    for (const auto& [name, value] : marks)
        if (value) [[maybe_unused]]
            Status written = writeXattr(item->name(), name, *value);
}

void removeQuietly(const DownloadsFolder& downloads, const path& filePath, const char* name) {
    // An absent attribute is the normal case.
    if (const auto target = attributeTarget(downloads, filePath)) [[maybe_unused]]
        Status removed = removeXattr(target->name(), name);
}

} // namespace

Result<std::optional<TrashedItem>>
FileDeleter::deleteItem(const path& filePath, DeletionMethod method, const FileIdentity& expected) {
    auto opened = m_downloads.openItem(filePath);
    if (!opened)
        return opened.error();
    // The last look, on the opened folder's entry that is about to go.
    const auto found = lstatAt(opened->folder.get(), opened->name.c_str());
    if (!found)
        return found.error();
    if (!isSameFile(found->identity, expected))
        return SysError{ESTALE, "another file took its place"};
    // What is mounted here belongs elsewhere: a bind mount shares the device of the disk it
    // shows, so only the mount tells it apart. Moving it fails and removing it would empty it.
    const auto mount = mountIdAt(opened->folder.get(), opened->name.c_str());
    if (mount != mountIdAt(opened->folder.get(), "") || mount != m_downloads.mountId()) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "%s is a mount point: nothing deleted",
                          logName(filePath).constData());
        return SysError{EBUSY, mountPointRefusal};
    }
    // Past the door EXDEV means a mount met on the way, never a way out of Downloads.
    const auto stopped = [](SysError error) {
        if (error.code == EXDEV)
            error.code = EBUSY;
        return error;
    };
    // Held across the move, so that the marks come off the very object that went. They
    // belong to the inode, which other names may share (a hard link outside Downloads): with
    // the name gone for good they could no longer be reached, so they go first.
    auto item = attributeTarget(*opened);
    if (method == DeletionMethod::permanent) {
        const bool shared = S_ISREG(opened->facts.st_mode) && opened->facts.st_nlink > 1;
        const TakenMarks taken = shared ? takeMarks(item, filePath) : TakenMarks{};
        if (Status removed = removeTree(*opened); !removed) {
            putBack(item, taken);
            return stopped(removed.error());
        }
        return std::optional<TrashedItem>();
    }
    TrashReceipt receipt;
    auto trashed = moveToTrash(*opened, &receipt);
    if (!trashed)
        return stopped(trashed.error());
    [[maybe_unused]] const TakenMarks taken = takeMarks(item, filePath);
    return std::optional<TrashedItem>(TrashedItem{std::move(trashed).value(), receipt});
}

void FileDeleter::writeExpiry(Instant instant, const path& filePath) {
    writeLogged(m_downloads, filePath, expiryAttribute, formatExpiry(instant));
}

void FileDeleter::writeRecordId(const QString& id, const path& filePath) {
    writeLogged(m_downloads, filePath, recordIdAttribute, id.toUtf8());
}

std::optional<QString> FileDeleter::readAttribute(const char* name, const path& filePath) const {
    const auto target = attributeTarget(m_downloads, filePath);
    auto value = target ? readXattr(target->name(), name)
                        : Result<std::optional<QByteArray>>(target.error());
    if (!value || !value->has_value())
        return std::nullopt;
    return QString::fromUtf8(**value);
}

void FileDeleter::removeExpiry(const path& filePath) {
    removeQuietly(m_downloads, filePath, expiryAttribute);
}

void FileDeleter::removeRecordId(const path& filePath) {
    removeQuietly(m_downloads, filePath, recordIdAttribute);
}

namespace {

void updateTags(const Result<AttributeTarget>& target, bool add, const QString& name,
                const path& filePath) {
    auto current = target ? readXattr(target->name(), tagsAttribute)
                          : Result<std::optional<QByteArray>>(target.error());
    if (!current) {
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Finder tag update failed for %s: %s",
                          logName(filePath).constData(), current.error().text().c_str());
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
    const Status written = tags.isEmpty() ? removeXattr(target->name(), tagsAttribute)
                                          : writeXattr(target->name(), tagsAttribute,
                                                       tags.join(QLatin1Char(',')).toUtf8());
    if (!written)
        FADEBIN_LOG_ERROR(LogCategory::Expiry, "Finder tag update failed for %s: %s",
                          logName(filePath).constData(), written.error().text().c_str());
}

} // namespace

void FileDeleter::setFileTag(bool add, const QString& name, const path& filePath) {
    updateTags(attributeTarget(m_downloads, filePath), add, name, filePath);
}

void FileDeleter::clearMarks(const path& filePath, const QString& tag,
                             const std::optional<FileIdentity>& expected) {
    auto target = attributeTarget(m_downloads, filePath);
    if (!target && target.error().code == EXDEV && expected)
        target = releasedTarget(filePath, *expected);
    if (!target)
        return;
    [[maybe_unused]] Status expiry = removeXattr(target->name(), expiryAttribute);
    [[maybe_unused]] Status id = removeXattr(target->name(), recordIdAttribute);
    updateTags(target, false, tag, filePath);
}

} // namespace fadebin
