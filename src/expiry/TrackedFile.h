#pragma once

#include "platform/Clock.h"
#include "settings/Rule.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QUuid>
#include <QVariant>

#include <array>
#include <filesystem>
#include <optional>

namespace fadebin {

// purged: a deleted record whose item Fadebin has since removed from the Trash. A status of its
// own, so that everything written and read as "deleted" before keeps its meaning.
enum class FileStatus { pending, scheduled, keepForever, deleted, cancelled, purged };

inline constexpr std::array<FileStatus, 6> allFileStatuses{
    FileStatus::pending, FileStatus::scheduled, FileStatus::keepForever,
    FileStatus::deleted, FileStatus::cancelled, FileStatus::purged};

[[nodiscard]] QString rawValue(FileStatus status);
// Any text that is not one of the status strings reads as cancelled.
[[nodiscard]] FileStatus fileStatusFromRaw(QStringView raw);
// Deleted, purged or cancelled: the record has ended and no decision changes it any more.
[[nodiscard]] constexpr bool isFinal(FileStatus status) {
    return status == FileStatus::deleted || status == FileStatus::cancelled ||
           status == FileStatus::purged;
}
// Pending or scheduled: the file is still looked after.
[[nodiscard]] constexpr bool isActive(FileStatus status) {
    return status == FileStatus::pending || status == FileStatus::scheduled;
}

// The persisted record of one file that is, or was, being timed. Equality is identity: two
// records are the same only when they are the same object, whatever their fields say.
class TrackedFile : public QObject {
    Q_OBJECT
    Q_PROPERTY(QUuid id READ id CONSTANT)
    Q_PROPERTY(QByteArray bookmark READ bookmark WRITE setBookmark NOTIFY bookmarkChanged)
    Q_PROPERTY(QString displayName READ displayName WRITE setDisplayName NOTIFY displayNameChanged)
    // Null when the source is unknown.
    Q_PROPERTY(QVariant source READ sourceVariant NOTIFY sourceChanged)
    Q_PROPERTY(qint64 sizeBytes READ sizeBytes WRITE setSizeBytes NOTIFY sizeBytesChanged)
    Q_PROPERTY(fadebin::Instant addedAt READ addedAt WRITE setAddedAt NOTIFY addedAtChanged)
    Q_PROPERTY(QString statusRaw READ statusRaw WRITE setStatusRaw NOTIFY statusRawChanged)
    Q_PROPERTY(fadebin::FileStatus status READ status NOTIFY statusRawChanged)
    Q_PROPERTY(std::optional<fadebin::Instant> expiresAt READ expiresAt WRITE setExpiresAt NOTIFY
                   expiresAtChanged)
    Q_PROPERTY(qint64 deleteAttempts READ deleteAttempts WRITE setDeleteAttempts NOTIFY
                   deleteAttemptsChanged)
    // For display; the exact bytes are in lastKnownPath().
    Q_PROPERTY(QString lastKnownPath READ lastKnownPathText NOTIFY lastKnownPathChanged)
    // A rule made the current decision, not a person or the default.
    Q_PROPERTY(bool decidedByRule READ decidedByRule NOTIFY ruleChanged)

public:
    // Every stored field, in column order: what the store reads back and writes out.
    struct Fields {
        QUuid id;
        QByteArray bookmark;
        QString displayName;
        std::optional<QString> source;
        qint64 sizeBytes = 0;
        Instant addedAt;
        QString statusRaw;
        std::optional<Instant> expiresAt;
        qint64 deleteAttempts = 0;
        std::filesystem::path lastKnownPath;
        // The rule that made the current decision; none once a person decides.
        std::optional<Rule> rule;
    };

    // A new record: a random id, added now, no failed attempts. It counts as unsaved.
    TrackedFile(QByteArray bookmark, QString displayName, std::optional<QString> source,
                qint64 sizeBytes, QString statusRaw, std::optional<Instant> expiresAt,
                std::filesystem::path lastKnownPath, const Clock& clock, QObject* parent = nullptr);
    // A record read back from the store, as it was saved.
    explicit TrackedFile(Fields fields, QObject* parent = nullptr);

    [[nodiscard]] QUuid id() const { return m_fields.id; }
    // Lower case, hyphenated, without braces: the stored form.
    [[nodiscard]] QString idText() const;
    [[nodiscard]] QByteArray bookmark() const { return m_fields.bookmark; }
    [[nodiscard]] QString displayName() const { return m_fields.displayName; }
    [[nodiscard]] std::optional<QString> source() const { return m_fields.source; }
    [[nodiscard]] QVariant sourceVariant() const;
    [[nodiscard]] qint64 sizeBytes() const { return m_fields.sizeBytes; }
    [[nodiscard]] Instant addedAt() const { return m_fields.addedAt; }
    [[nodiscard]] QString statusRaw() const { return m_fields.statusRaw; }
    [[nodiscard]] FileStatus status() const { return fileStatusFromRaw(m_fields.statusRaw); }
    [[nodiscard]] std::optional<Instant> expiresAt() const { return m_fields.expiresAt; }
    [[nodiscard]] qint64 deleteAttempts() const { return m_fields.deleteAttempts; }
    [[nodiscard]] const std::filesystem::path& lastKnownPath() const {
        return m_fields.lastKnownPath;
    }
    [[nodiscard]] QString lastKnownPathText() const;
    [[nodiscard]] const Fields& fields() const { return m_fields; }

    void setBookmark(const QByteArray& value);
    void setDisplayName(const QString& value);
    void setSource(const std::optional<QString>& value);
    void setSizeBytes(qint64 value);
    void setAddedAt(Instant value);
    void setStatusRaw(const QString& value);
    void setStatus(FileStatus value) { setStatusRaw(rawValue(value)); }
    void setExpiresAt(std::optional<Instant> value);
    void setDeleteAttempts(qint64 value);
    void setLastKnownPath(const std::filesystem::path& value);
    [[nodiscard]] const std::optional<Rule>& rule() const { return m_fields.rule; }
    [[nodiscard]] bool decidedByRule() const { return m_fields.rule.has_value(); }
    void setRule(const std::optional<Rule>& value);

    // Changed since the store last saved it.
    [[nodiscard]] bool isDirty() const { return m_dirty; }
    void clearDirty() { m_dirty = false; }

    // Told of every change, before the change's own signal: how the owning store keeps its
    // indexes and its list of unsaved records without a connection per record.
    class Observer {
    public:
        // filing: one of the fields records are filed by changed (status, expiry, time added,
        // path or bookmark).
        virtual void recordChanged(TrackedFile& record, bool filing) = 0;

    protected:
        ~Observer() = default;
    };
    void setObserver(Observer* observer) { m_observer = observer; }

Q_SIGNALS:
    void bookmarkChanged();
    void displayNameChanged();
    void sourceChanged();
    void sizeBytesChanged();
    void addedAtChanged();
    void statusRawChanged();
    void expiresAtChanged();
    void deleteAttemptsChanged();
    void lastKnownPathChanged();
    void ruleChanged();

private:
    template <class T> void assign(T& field, const T& value, void (TrackedFile::*changedSignal)()) {
        if (field == value)
            return;
        field = value;
        m_dirty = true;
        if (m_observer)
            m_observer->recordChanged(*this,
                                      changedSignal == &TrackedFile::statusRawChanged ||
                                          changedSignal == &TrackedFile::expiresAtChanged ||
                                          changedSignal == &TrackedFile::addedAtChanged ||
                                          changedSignal == &TrackedFile::lastKnownPathChanged ||
                                          changedSignal == &TrackedFile::bookmarkChanged);
        Q_EMIT(this->*changedSignal)();
    }

    Fields m_fields;
    bool m_dirty = false;
    Observer* m_observer = nullptr;
};

} // namespace fadebin
