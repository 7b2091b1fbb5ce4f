#pragma once

namespace fadebin {

// Whether the session bus started this process to hand it a call (the application menu
// activating the DBusActivatable desktop entry) rather than someone starting it directly.
// dbus-daemon says so in DBUS_STARTER_BUS_TYPE; dbus-broker leaves no variable but runs
// what it starts in a transient unit named after the bus name.
[[nodiscard]] bool startedByBusActivation();

} // namespace fadebin
