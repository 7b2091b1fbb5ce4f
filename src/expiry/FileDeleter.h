#pragma once

#include "platform/Clock.h"
#include "platform/DownloadsFolder.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "settings/AppSettings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace fadebin {

inline constexpr const char* expiryAttribute = "user.com.ostrel.fadebin.expiresAt";
// The id of the record that timed the file, beside its expiry: a file whose record has
// ended is then never timed again by an expiry left on it.
inline constexpr const char* recordIdAttribute = "user.com.ostrel.fadebin.id";
// Why an item that is a mount, or lies on another mount than Downloads, is left alone.
inline constexpr const char* mountPointRefusal = "is a mount point: nothing deleted";
// The tag list file managers show (comma-separated).
inline constexpr const char* tagsAttribute = "user.xdg.tags";
inline const QString temporaryTag = QStringLiteral("Temporary");
// The tags of that list's value in their order, empty pieces left out.
[[nodiscard]] QStringList parseTags(const QByteArray& value);

// The expiry text: UTC, whole seconds, "Z" — always 20 bytes.
[[nodiscard]] QByteArray formatExpiry(Instant instant);
// Accepts that form and a numeric offset instead of "Z"; fractions and any other form
// give none.
[[nodiscard]] std::optional<Instant> parseExpiry(const QString& text);

// Where an item moved to the Trash went, and what was written for it there.
struct TrashedItem {
    path place; // inside the trash's files/ folder
    TrashReceipt receipt;
};

// The operations that change a user's file. Every file is reached through the Downloads
// folder's door (DownloadsFolder): an item whose path leads outside Downloads, by any link or
// race, fails (EXDEV) and is never touched. Deleting never follows a symbolic link to what
// it points to.
class FileDeleter {
public:
    virtual ~FileDeleter() = default;

    // The folder every operation starts from; until it is opened every operation fails.
    void openDownloads(const path& folder) { m_downloads = DownloadsFolder(folder); }
    [[nodiscard]] const DownloadsFolder& downloads() const { return m_downloads; }
    [[nodiscard]] DownloadsFolder& downloads() { return m_downloads; }

    // Moves the item to the Trash, or deletes it for good, if it still is the file expected
    // names, checked on the opened item at the last moment (ESTALE when another file took
    // its place). Where it went: its place in the Trash, or none when deleted for good. A
    // trashed item keeps no expiry and no record id. A mount point, or an item on another
    // mount than Downloads, is refused (EBUSY) and logged: neither method may reach through it.
    [[nodiscard]] virtual Result<std::optional<TrashedItem>>
    deleteItem(const path& filePath, DeletionMethod method, const FileIdentity& expected);
    virtual void writeExpiry(Instant instant, const path& filePath);
    // The record id beside the expiry; failures are logged like the expiry's.
    void writeRecordId(const QString& id, const path& filePath);
    [[nodiscard]] std::optional<QString> readAttribute(const char* name,
                                                       const path& filePath) const;
    virtual void removeExpiry(const path& filePath);
    void removeRecordId(const path& filePath);
    void setFileTag(bool add, const QString& name, const path& filePath);
    // Takes our marks (expiry, record id, the tag) off a file: inside Downloads through its
    // door; a file that has left Downloads only while it still is the file `expected` names,
    // opened without following links, so that no other file there is ever written.
    virtual void clearMarks(const path& filePath, const QString& tag,
                            const std::optional<FileIdentity>& expected);

private:
    DownloadsFolder m_downloads;
};

// Whether a file found on disk is the one identified before: the same object on the same
// device, and born at the same moment where the filesystem tells (an inode number is reused).
[[nodiscard]] bool isSameFile(const FileIdentity& found, const FileIdentity& expected);

} // namespace fadebin
