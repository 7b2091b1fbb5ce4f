#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace fadebin {

// A name from outside as the notch and the notifications show it, never as it is stored: control
// characters as visible stand-ins (the Control Pictures block, else U+FFFD), so that nothing breaks
// a line; direction controls as U+FFFD and the whole isolated (FSI ... PDI), so that no name turns
// its own extension or the text around it backwards.
[[nodiscard]] QString shownName(const QString& name);

// A size as the desktop's file managers show it: decimal units ("1 byte", "999 bytes",
// "1.0 kB", "12.3 MB").
[[nodiscard]] QString byteCountText(qint64 bytes, const QLocale& locale = {});
// A size as people type it: "5G", "1.5 GB", "500M", "2GiB", "100" (bytes); k, M, G, T and P
// in thousands, with "i" in 1024s, "B" optional, any case. None for anything else, for zero,
// and for more than fits.
[[nodiscard]] std::optional<qint64> byteCountFromText(QStringView text);

} // namespace fadebin
