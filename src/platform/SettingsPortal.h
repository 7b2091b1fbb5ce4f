#pragma once

#include <QDBusVariant>
#include <QMetaType>
#include <QString>
#include <QVariant>

// The desktop's settings portal (org.freedesktop.portal.Settings), read by whoever follows one
// of the desktop's preferences: its names, and a value as it arrives.
namespace fadebin::settingsPortal {

inline const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString interface = QStringLiteral("org.freedesktop.portal.Settings");

// The value inside its variants: older portals answer Read with a variant inside a variant,
// ReadOne and SettingChanged with one; more is not expected.
[[nodiscard]] inline QVariant unwrapped(QVariant value) {
    for (int depth = 0; depth < 3 && value.metaType() == QMetaType::fromType<QDBusVariant>();
         ++depth)
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace fadebin::settingsPortal
