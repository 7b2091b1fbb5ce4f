#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace fadebin {

// The kinds of file people see on the notch ("PDF", "Image" …). Intake works out a file's
// kind; the vocabulary lives here because rules in the settings name kinds.
enum class FileKind {
    image,
    video,
    audio,
    archive,
    package,
    pdf,
    document,
    spreadsheet,
    presentation,
    text,
    code,
    data,
    font,
    link,
    book,
    folder,
    other,
};

inline constexpr int fileKindCount = 17;

// The stored word for a kind: the enumerator's name ("pdf", "spreadsheet" …).
[[nodiscard]] QString rawValue(FileKind kind);
// Exact, case-sensitive match of a stored word; anything else is no kind.
[[nodiscard]] std::optional<FileKind> fileKindFromRaw(QStringView raw);

} // namespace fadebin
