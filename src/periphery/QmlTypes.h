#pragma once

#include "settings/AppSettings.h"

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace fadebin {

// The settings object as the windows' QML sees it: its plain properties are bound directly;
// the enumerations go through SettingsBindings.
struct AppSettingsForeign {
    Q_GADGET
    QML_FOREIGN(fadebin::AppSettings)
    QML_NAMED_ELEMENT(AppSettings)
    QML_UNCREATABLE("Provided by the program")
};

} // namespace fadebin
