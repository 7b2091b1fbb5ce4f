#include "app/IntakeProblemNotifier.h"

#include "app/AppModel.h"
#include "platform/DesktopNotifications.h"
#include "platform/Log.h"

#include <QPointer>

namespace fadebin {

IntakeProblemNotifier::IntakeProblemNotifier(AppModel& model, DesktopNotifications& notifications,
                                             QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_notifications(notifications) {
    connect(&model, &AppModel::intakeProblemChanged, this, &IntakeProblemNotifier::tell);
    tell();
}

void IntakeProblemNotifier::tell() {
    const IntakeProblem& problem = m_model.intakeProblem();
    if (problem.cause == m_told)
        return;
    m_told = problem.cause;
    if (!problem)
        return;
    DesktopNotifications::Notice notice{
        intakeProblemTitle(problem), intakeProblemText(problem), {}};
    // Only the folder's place can be shown from a notification; the rest is in the text.
    if (remedyFor(problem.cause) == IntakeRemedy::showParent)
        notice.actions.emplace_back(QStringLiteral("show"), remedyLabel(IntakeRemedy::showParent));
    QPointer<AppModel> model(&m_model);
    m_notifications.show(
        notice,
        [](bool shown) {
            if (!shown)
                FADEBIN_LOG_INFO(LogCategory::App,
                                 "No notification server: the reason watching stopped is shown "
                                 "only in the notch and the windows");
        },
        [model](const QString& action) {
            if (model && action == QLatin1String("show"))
                model->showIntakeProblemFolder();
        });
}

} // namespace fadebin
