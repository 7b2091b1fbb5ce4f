#pragma once

#include <filesystem>
#include <optional>

namespace fadebin {

// The user's folders by the XDG base-directory rules: a variable counts only when it holds
// an absolute path; otherwise the folder under HOME is used. None when HOME is unusable too.
[[nodiscard]] std::optional<std::filesystem::path> homeFolder();
[[nodiscard]] std::optional<std::filesystem::path> dataHome();
[[nodiscard]] std::optional<std::filesystem::path> configHome();

} // namespace fadebin
