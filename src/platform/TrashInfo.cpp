#include "platform/TrashInfo.h"

#include <array>
#include <ctime>

namespace fadebin {

using std::filesystem::path;

namespace {

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("-_.!~*'()").find(static_cast<char>(c)) != std::string_view::npos;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string localDeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::array<char, 32> text{};
    const auto size = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &local);
    return std::string(text.data(), size);
}

} // namespace

std::string encodeTrashInfoPath(std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || isUnreserved(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 0xF]);
        }
    }
    return out;
}

std::optional<std::string> decodeTrashInfoPath(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            out.push_back(encoded[i]);
            continue;
        }
        if (i + 2 >= encoded.size())
            return std::nullopt;
        const int high = hexValue(encoded[i + 1]);
        const int low = hexValue(encoded[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

std::optional<TrashInfo> parseTrashInfo(std::string_view text, const std::optional<path>& topdir) {
    if (text.size() > static_cast<std::size_t>(trashInfoSizeLimit))
        return std::nullopt;
    std::optional<std::string> encodedPath;
    std::string date;
    bool inGroup = false, sawGroup = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[Trash Info]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && key.back() == ' ')
            key.remove_suffix(1);
        std::string_view value = line.substr(equals + 1);
        while (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        // The first of each key counts, as in any key file.
        if (key == "Path" && !encodedPath)
            encodedPath = std::string(value);
        else if (key == "DeletionDate" && date.empty())
            date = std::string(value);
    }
    if (!sawGroup || !encodedPath || encodedPath->empty())
        return std::nullopt;
    const auto decoded = decodeTrashInfoPath(*encodedPath);
    if (!decoded || decoded->empty() || decoded->find('\0') != std::string::npos)
        return std::nullopt;
    path original(*decoded);
    if (original.is_relative()) {
        if (!topdir)
            return std::nullopt;
        original = *topdir / original;
    }
    original = original.lexically_normal();
    if (!original.has_filename() || original == original.root_path())
        return std::nullopt;
    return TrashInfo{std::move(original), std::move(date)};
}

std::string trashInfoText(std::string_view recordedPath) {
    return "[Trash Info]\nPath=" + encodeTrashInfoPath(recordedPath) +
           "\nDeletionDate=" + localDeletionDate() + "\n";
}

} // namespace fadebin
