#include "platform/dbus/StatusNotifierHost.h"

#include <QDBusMessage>
#include <QDBusVariant>

namespace dbus {

bool statusNotifierHostRegistered(const QDBusConnection& bus, int timeoutMs) {
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) return false;
    const QVariant value = qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
    return value.metaType().id() == QMetaType::Bool && value.toBool();
}

} // namespace dbus
