// A .trashinfo file, which anyone who can write to the trash can write.
#include "FuzzSupport.h"
#include "platform/Trash.h"

#include <string_view>

using namespace fadebin;

FUZZ_TARGET(bytes) {
    // The first byte says whether the file is read for a volume's trash (relative paths
    // allowed) or for the home trash.
    if (bytes.isEmpty())
        return;
    const std::optional<path> topdir =
        (bytes[0] & 1) ? std::optional<path>("/media/disk") : std::nullopt;
    const std::string_view text(bytes.constData() + 1, bytes.size() - 1);

    if (const std::optional<TrashInfo> info = parseTrashInfo(text, topdir)) {
        const path& original = info->originalPath;
        FUZZ_CHECK(original.is_absolute() && original.has_filename());
        FUZZ_CHECK(original == original.lexically_normal());
        FUZZ_CHECK(original.native().find('\0') == std::string::npos);
    }
    // The Path= encoding gives back every byte string exactly.
    const std::string encoded = encodeTrashInfoPath(text);
    FUZZ_CHECK(encoded.find_first_of(std::string_view("\n\r\0 ", 4)) == std::string::npos);
    FUZZ_CHECK(decodeTrashInfoPath(encoded) == std::string(text));
}
