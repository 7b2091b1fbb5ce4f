#include "periphery/IntakeProblemHelp.h"

#include "app/AppModel.h"

#include <QClipboard>
#include <QGuiApplication>

namespace fadebin {

QString windowProblemAction(const AppModel& model) {
    const IntakeRemedy remedy = remedyFor(model.intakeProblem().cause);
    return remedy == IntakeRemedy::openSettings ? QString() : remedyLabel(remedy);
}

void helpWithProblem(AppModel& model) {
    const IntakeProblem& problem = model.intakeProblem();
    if (remedyFor(problem.cause) == IntakeRemedy::showParent)
        model.showIntakeProblemFolder();
    else if (remedyFor(problem.cause) == IntakeRemedy::raiseLimit)
        QGuiApplication::clipboard()->setText(raiseLimitCommand(problem));
}

} // namespace fadebin
