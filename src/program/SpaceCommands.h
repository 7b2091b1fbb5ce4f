#pragma once

namespace fadebin {

// fadebin plan --free SIZE [--json]: what would free that much, without acting.
[[nodiscard]] int planCommand(int argc, char** argv);
// fadebin free SIZE: removes Fadebin's own items from the Trash, oldest first, until that much
// went.
[[nodiscard]] int freeCommand(int argc, char** argv);

} // namespace fadebin
