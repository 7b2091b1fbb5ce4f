#include "platform/MountInfo.h"

#include "platform/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>

namespace fadebin {

namespace {

constexpr const char* mountInfoFile = "/proc/self/mountinfo";

} // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    // "\040" and friends stand for the space, tab, newline and backslash in a mount point.
    const auto unescape = [](std::string_view field) {
        std::string out;
        for (std::size_t i = 0; i < field.size(); ++i) {
            if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
                field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
                field[i + 3] >= '0' && field[i + 3] <= '7') {
                out.push_back(static_cast<char>((field[i + 1] - '0') * 64 +
                                                (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
                i += 3;
            } else {
                out.push_back(field[i]);
            }
        }
        return out;
    };
    std::vector<MountEntry> mounts;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source ...
        std::vector<std::string_view> fields;
        std::size_t pos = 0;
        while (pos < line.size()) {
            const auto space = line.find(' ', pos);
            const auto stop = space == std::string_view::npos ? line.size() : space;
            if (stop > pos)
                fields.push_back(line.substr(pos, stop - pos));
            pos = stop + 1;
        }
        if (fields.size() < 5 || fields[4].empty() || fields[4][0] != '/')
            continue;
        MountEntry entry;
        entry.mountPoint = unescape(fields[4]);
        for (std::size_t i = 6; i + 1 < fields.size(); ++i) {
            if (fields[i] == "-") {
                entry.fsType = unescape(fields[i + 1]);
                break;
            }
        }
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

std::vector<MountEntry> currentMounts() {
    return parseMountInfo(readWholeFile(mountInfoFile));
}

std::optional<MountEntry> mountWithId(std::uint64_t id) {
    const std::string text = readWholeFile(mountInfoFile);
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (std::strtoull(std::string(line.substr(0, line.find(' '))).c_str(), nullptr, 10) != id)
            continue;
        auto entries = parseMountInfo(line);
        if (entries.empty())
            return std::nullopt;
        return std::move(entries.front());
    }
    return std::nullopt;
}

std::optional<std::uint64_t> mountIdAt(int at, const char* name) {
    struct statx sx {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_STATX_SYNC_AS_STAT | (*name ? 0 : AT_EMPTY_PATH);
    if (::statx(at, name, flags, STATX_MNT_ID, &sx) != 0 || !(sx.stx_mask & STATX_MNT_ID))
        return std::nullopt;
    return sx.stx_mnt_id;
}

} // namespace fadebin
