#pragma once
// Whether the session has a tray of the StatusNotifierItem kind: the watcher
// "org.kde.StatusNotifierWatcher" answers that a host registered with it. Such a tray
// never tells an item where it shows it.

#include <QDBusConnection>

namespace dbus {

// Asks the watcher on `bus`, waiting at most `timeoutMs`; false without an answer.
bool statusNotifierHostRegistered(const QDBusConnection& bus, int timeoutMs = 500);

} // namespace dbus
