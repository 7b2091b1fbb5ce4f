#pragma once

#include <QString>

#include <optional>

namespace fadebin {

// "1.2 (34)": the short version, a space and the build number in parentheses, each missing
// part shown as "?".
[[nodiscard]] QString versionString(const std::optional<QString>& shortVersion,
                                    const std::optional<QString>& buildNumber);

// This build's version: the project version, and the number of commits when it was built
// from a git checkout (none otherwise).
[[nodiscard]] std::optional<QString> shortVersion();
[[nodiscard]] std::optional<QString> buildNumber();
[[nodiscard]] QString appVersionString();

} // namespace fadebin
