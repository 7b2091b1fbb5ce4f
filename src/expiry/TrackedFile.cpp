#include "expiry/TrackedFile.h"

#include "platform/FileSystem.h"

namespace fadebin {

QString rawValue(FileStatus status) {
    switch (status) {
    case FileStatus::pending:
        return QStringLiteral("pending");
    case FileStatus::scheduled:
        return QStringLiteral("scheduled");
    case FileStatus::keepForever:
        return QStringLiteral("keepForever");
    case FileStatus::deleted:
        return QStringLiteral("deleted");
    case FileStatus::cancelled:
        return QStringLiteral("cancelled");
    case FileStatus::purged:
        return QStringLiteral("purged");
    }
    return QStringLiteral("cancelled");
}

FileStatus fileStatusFromRaw(QStringView raw) {
    for (FileStatus status : allFileStatuses) {
        if (raw == rawValue(status))
            return status;
    }
    return FileStatus::cancelled;
}

TrackedFile::TrackedFile(QByteArray bookmark, QString displayName, std::optional<QString> source,
                         qint64 sizeBytes, QString statusRaw, std::optional<Instant> expiresAt,
                         std::filesystem::path lastKnownPath, const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_fields{QUuid::createUuid(),      std::move(bookmark), std::move(displayName),
               std::move(source),        sizeBytes,           clock.now(),
               std::move(statusRaw),     expiresAt,           0,
               std::move(lastKnownPath), std::nullopt}
    , m_dirty(true) {}

TrackedFile::TrackedFile(Fields fields, QObject* parent)
    : QObject(parent)
    , m_fields(std::move(fields)) {}

QString TrackedFile::idText() const {
    return m_fields.id.toString(QUuid::WithoutBraces).toLower();
}

QVariant TrackedFile::sourceVariant() const {
    return m_fields.source ? QVariant(*m_fields.source) : QVariant();
}

QString TrackedFile::lastKnownPathText() const {
    return toQString(m_fields.lastKnownPath);
}

void TrackedFile::setBookmark(const QByteArray& value) {
    assign(m_fields.bookmark, value, &TrackedFile::bookmarkChanged);
}

void TrackedFile::setDisplayName(const QString& value) {
    assign(m_fields.displayName, value, &TrackedFile::displayNameChanged);
}

void TrackedFile::setSource(const std::optional<QString>& value) {
    assign(m_fields.source, value, &TrackedFile::sourceChanged);
}

void TrackedFile::setSizeBytes(qint64 value) {
    assign(m_fields.sizeBytes, value, &TrackedFile::sizeBytesChanged);
}

void TrackedFile::setAddedAt(Instant value) {
    assign(m_fields.addedAt, value, &TrackedFile::addedAtChanged);
}

void TrackedFile::setStatusRaw(const QString& value) {
    assign(m_fields.statusRaw, value, &TrackedFile::statusRawChanged);
}

void TrackedFile::setExpiresAt(std::optional<Instant> value) {
    assign(m_fields.expiresAt, value, &TrackedFile::expiresAtChanged);
}

void TrackedFile::setDeleteAttempts(qint64 value) {
    assign(m_fields.deleteAttempts, value, &TrackedFile::deleteAttemptsChanged);
}

void TrackedFile::setLastKnownPath(const std::filesystem::path& value) {
    assign(m_fields.lastKnownPath, value, &TrackedFile::lastKnownPathChanged);
}

void TrackedFile::setRule(const std::optional<Rule>& value) {
    assign(m_fields.rule, value, &TrackedFile::ruleChanged);
}

} // namespace fadebin
