#pragma once

#include <QString>

namespace fadebin {

class AppModel;

// What the windows offer for the reason nothing is watched: the folder's place or the
// command copied. Opening the settings is the notch's way here, so the windows offer none.
[[nodiscard]] QString windowProblemAction(const AppModel& model);
void helpWithProblem(AppModel& model);

} // namespace fadebin
