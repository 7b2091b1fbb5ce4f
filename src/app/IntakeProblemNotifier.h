#pragma once

#include "app/IntakeProblem.h"

#include <QObject>

namespace fadebin {

class AppModel;
class DesktopNotifications;

// Tells the desktop once when watching stops for a new reason: a notification per cause as
// it arrives, none again for the same cause until it has cleared. Without a notification
// server nothing else changes.
class IntakeProblemNotifier : public QObject {
    Q_OBJECT

public:
    IntakeProblemNotifier(AppModel& model, DesktopNotifications& notifications,
                          QObject* parent = nullptr);

private:
    void tell();

    AppModel& m_model;
    DesktopNotifications& m_notifications;
    IntakeCause m_told = IntakeCause::none;
};

} // namespace fadebin
