#pragma once
// The session bus, when the session has one. Unlike QDBusConnection::sessionBus(), this
// never makes the bus library start a bus of its own ("autolaunch") in a process that
// was started outside a desktop session (tests, tools over ssh): without a bus address
// and without $XDG_RUNTIME_DIR/bus the answer is a connection that is not connected.

#include <QDBusConnection>

namespace dbus {

QDBusConnection sessionBus();
bool hasSessionBus();

} // namespace dbus
