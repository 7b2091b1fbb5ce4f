#pragma once

#include "platform/Result.h"

#include <QByteArray>

#include <filesystem>
#include <optional>

// Extended attributes in the user namespace, following symbolic links.
namespace fadebin {

// An absent or empty attribute reads as none.
[[nodiscard]] Result<std::optional<QByteArray>> readXattr(const std::filesystem::path& p,
                                                          const char* name);
// Whether the attribute is there with a value: one call, for scanning many files.
[[nodiscard]] bool hasXattr(const char* p, const char* name);
[[nodiscard]] Status writeXattr(const std::filesystem::path& p, const char* name,
                                const QByteArray& value);
[[nodiscard]] Status removeXattr(const std::filesystem::path& p, const char* name);

} // namespace fadebin
