#include "settings/FileKindName.h"

#include <array>

namespace fadebin {

namespace {

// Indexed by the enumeration's declaration order.
constexpr std::array<const char16_t*, fileKindCount> rawWords{
    u"image",    u"video",       u"audio",        u"archive", u"package", u"pdf",
    u"document", u"spreadsheet", u"presentation", u"text",    u"code",    u"data",
    u"font",     u"link",        u"book",         u"folder",  u"other",
};

} // namespace

QString rawValue(FileKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return QString::fromUtf16(index < rawWords.size() ? rawWords.at(index) : u"other");
}

std::optional<FileKind> fileKindFromRaw(QStringView raw) {
    for (std::size_t i = 0; i < rawWords.size(); ++i)
        if (raw == QStringView(rawWords.at(i)))
            return static_cast<FileKind>(i);
    return std::nullopt;
}

} // namespace fadebin
