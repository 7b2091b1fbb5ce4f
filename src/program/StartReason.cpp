#include "program/StartReason.h"

#include "program/ApplicationActivation.h"

#include <QFile>

namespace fadebin {

bool startedByBusActivation() {
    if (!qEnvironmentVariableIsEmpty("DBUS_STARTER_BUS_TYPE"))
        return true;
    // dbus-broker's units: dbus-:1.7-com.ostrel.Fadebin@0.service, or app-dbus-… on newer
    // versions; the cgroup path ends in the unit.
    QFile cgroup(QStringLiteral("/proc/self/cgroup"));
    if (!cgroup.open(QIODevice::ReadOnly))
        return false;
    const QByteArray unit = "-" + ApplicationActivation::serviceName.toUtf8() + "@";
    for (const QByteArray& line : cgroup.readAll().split('\n')) {
        const QByteArray last = line.mid(line.lastIndexOf('/') + 1);
        if ((last.startsWith("dbus-") || last.startsWith("app-dbus-")) && last.contains(unit))
            return true;
    }
    return false;
}

} // namespace fadebin
