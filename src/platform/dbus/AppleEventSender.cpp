#include "platform/dbus/AppleEventSender.h"

#include "core/Log.h"
#include "platform/dbus/FourCharCode.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace appleevent {

namespace {
QDBusMessage makeCall(const QString& busName, quint32 eventClass, quint32 eventID, const QVariantMap& params) {
    QDBusMessage m = QDBusMessage::createMethodCall(busName, ObjectPath, Interface, Method);
    m << fourcc::toText(eventClass) << fourcc::toText(eventID) << params;
    m.setAutoStartService(false);
    return m;
}

bool checkOutgoing(quint32 eventClass, quint32 eventID, SendResult* result) {
    if (!fourcc::toText(eventClass).isEmpty() && !fourcc::toText(eventID).isEmpty()) return true;
    if (result) {
        result->errorName = ErrorInvalidArgs;
        result->errorMessage = QStringLiteral("event class and ID must be four printable characters");
    }
    return false;
}
} // namespace

SendResult send(const QString& busName, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                int timeoutMs, const QDBusConnection& connection) {
    SendResult r;
    if (!checkOutgoing(eventClass, eventID, &r)) return r;
    if (!connection.isConnected()) {
        r.errorName = QStringLiteral("org.freedesktop.DBus.Error.Disconnected");
        r.errorMessage = QStringLiteral("no session bus");
        return r;
    }
    const QDBusMessage reply =
        connection.call(makeCall(busName, eventClass, eventID, params), QDBus::Block, qMax(1, timeoutMs));
    if (reply.type() == QDBusMessage::ErrorMessage) {
        r.errorName = reply.errorName();
        r.errorMessage = reply.errorMessage();
        return r;
    }
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != QLatin1String("a{sv}") ||
        reply.arguments().size() != 1) {
        r.errorName = ErrorInvalidArgs;
        r.errorMessage = QStringLiteral("unexpected reply (%1)").arg(reply.signature());
        return r;
    }
    const QVariant arg = reply.arguments().first();
    if (arg.metaType() == QMetaType::fromType<QDBusArgument>())
        r.reply = qdbus_cast<QVariantMap>(arg.value<QDBusArgument>());
    else
        r.reply = arg.toMap();
    r.ok = true;
    return r;
}

bool post(const QString& busName, quint32 eventClass, quint32 eventID, const QVariantMap& params,
          const QDBusConnection& connection) {
    if (!checkOutgoing(eventClass, eventID, nullptr) || !connection.isConnected()) return false;
    // send() of a method call asks for no reply.
    return connection.send(makeCall(busName, eventClass, eventID, params));
}

SendResult sendToSignature(quint32 signature, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                           int timeoutMs, const QDBusConnection& connection) {
    return send(signatureBusName(signature), eventClass, eventID, params, timeoutMs, connection);
}

bool postToSignature(quint32 signature, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                     const QDBusConnection& connection) {
    return post(signatureBusName(signature), eventClass, eventID, params, connection);
}

} // namespace appleevent
