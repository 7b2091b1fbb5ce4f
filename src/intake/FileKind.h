#pragma once

#include "platform/FileSystem.h"
#include "platform/RgbColor.h"
#include "settings/FileKindName.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>

namespace fadebin {

// The kinds themselves (FileKind, fileKindCount) are named in settings/FileKindName.h.

// The category of a file from its name: a fixed extension table first, then the
// shared-mime-info database.
[[nodiscard]] FileKind classify(const std::string& fileName, bool isFolder);
[[nodiscard]] const char* iconName(FileKind kind);
[[nodiscard]] RgbColor tint(FileKind kind);

// Where a download came from: "AirDrop", a web host, or the app that saved it.
[[nodiscard]] std::optional<QString> sourceName(const path& file);
[[nodiscard]] std::optional<QString> quarantineAgent(const path& file);
[[nodiscard]] std::optional<QString> whereFromsHost(const path& file);
// The same readings of an attribute's bytes, whoever wrote them: the agent is the third
// ';'-separated field without surrounding blanks; the host is that of a valid URL, without
// a leading "www.". None when there is no such field or host.
[[nodiscard]] std::optional<QString> parseQuarantineAgent(const QByteArray& value);
[[nodiscard]] std::optional<QString> parseWhereFromHost(const QByteArray& value);
// The host rules are matched against: that of the download's own address (the origin
// attribute alone, never the referrer) when it is an http, https or ftp URL, in the form
// normalizedHost gives. None otherwise.
[[nodiscard]] std::optional<QString> parseOriginHost(const QByteArray& value);
[[nodiscard]] std::optional<QString> originHost(const path& file);

// Attribute names on Linux.
// Set by another desktop; it survives copies (archives, network shares) onto this one.
inline constexpr const char* quarantineAttribute = "user.com.apple.quarantine";
inline constexpr const char* originUrlAttribute = "user.xdg.origin.url";
inline constexpr const char* referrerUrlAttribute = "user.xdg.referrer.url";

} // namespace fadebin
