#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"
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
// The tag list file managers show (comma-separated).
inline constexpr const char* tagsAttribute = "user.xdg.tags";
inline const QString temporaryTag = QStringLiteral("Temporary");

// The expiry text: UTC, whole seconds, "Z" — always 20 bytes.
[[nodiscard]] QByteArray formatExpiry(Instant instant);
// Accepts that form and a numeric offset instead of "Z"; fractions and any other form
// give none.
[[nodiscard]] std::optional<Instant> parseExpiry(const QString& text);

// The operations that change a user's file. Stateless; every path is acted on as given,
// and deleting never follows a symbolic link to what it points to.
class FileDeleter {
public:
    virtual ~FileDeleter() = default;

    // Where the item went: its place in the Trash, or none when it was deleted for good.
    [[nodiscard]] virtual Result<std::optional<path>> deleteItem(const path& url,
                                                                 DeletionMethod method);
    virtual void writeExpiry(Instant instant, const path& url);
    // The record id beside the expiry; failures are logged like the expiry's.
    void writeRecordId(const QString& id, const path& url);
    [[nodiscard]] std::optional<QString> readAttribute(const char* name, const path& url) const;
    virtual void removeExpiry(const path& url);
    void removeRecordId(const path& url);
    void setFinderTag(bool add, const QString& name, const path& url);
};

} // namespace fadebin
