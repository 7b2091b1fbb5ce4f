#pragma once

namespace fadebin {

// fadebin rules list [--json] | add … | remove N.
[[nodiscard]] int rulesCommand(int argc, char** argv);

} // namespace fadebin
