#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The .trashinfo files of the freedesktop.org Trash: what one says and how one is written.
// Free of Qt, so that small tools built from the trash sources alone can use it too.
namespace fadebin {

// Far beyond any info file we write; a bigger one is not one of ours to act on.
inline constexpr std::int64_t trashInfoSizeLimit = 64 * 1024;

// The Path= value of a .trashinfo file: every byte percent-encoded except '/' and the
// RFC 2396 unreserved characters.
[[nodiscard]] std::string encodeTrashInfoPath(std::string_view bytes);
// The exact bytes back; none for a malformed escape.
[[nodiscard]] std::optional<std::string> decodeTrashInfoPath(std::string_view encoded);

// What a .trashinfo file says of its item.
struct TrashInfo {
    std::filesystem::path originalPath; // absolute and standardized
    std::string deletionDate; // as written ("YYYY-MM-DDThh:mm:ss", local time), may be empty
};
// Reads the [Trash Info] group of an info file. A relative Path= is taken from topdir (the
// folder a volume trash belongs to); without topdir only absolute paths are accepted. None
// for anything that is not a well-formed info file.
[[nodiscard]] std::optional<TrashInfo>
parseTrashInfo(std::string_view text, const std::optional<std::filesystem::path>& topdir);
// The text of the info file of an item trashed now from recordedPath (as Path= is to hold
// it: relative to a volume trash's topdir, or absolute).
[[nodiscard]] std::string trashInfoText(std::string_view recordedPath);

} // namespace fadebin
