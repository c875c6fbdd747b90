#include "platform/dbus/SessionBus.h"

#include <QFileInfo>

namespace dbus {

bool hasSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

QDBusConnection sessionBus() {
    if (!hasSessionBus()) return QDBusConnection(QStringLiteral("runebox-no-session-bus"));
    return QDBusConnection::sessionBus();
}

} // namespace dbus
