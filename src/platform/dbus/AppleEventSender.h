#pragma once
// Sends events to other programs (or to ourselves) over the session bus: with a reply
// awaited for at most a time-out, or without any reply.

#include "platform/dbus/AppleEvent.h"

#include "platform/dbus/SessionBus.h"

#include <QDBusConnection>
#include <QStringList>

namespace appleevent {

struct SendResult {
    bool ok = false;
    QVariantMap reply;
    QString errorName;     // D-Bus error name, or "" when ok
    QString errorMessage;
};

// Sends and waits at most `timeoutMs` for the reply. A reply that is not one
// dictionary counts as a failure.
SendResult send(const QString& busName, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                int timeoutMs, const QDBusConnection& connection = dbus::sessionBus());
// Sends without asking for a reply; true when the message was queued on the bus.
bool post(const QString& busName, quint32 eventClass, quint32 eventID, const QVariantMap& params,
          const QDBusConnection& connection = dbus::sessionBus());

// The same, addressed by creator code.
SendResult sendToSignature(quint32 signature, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                           int timeoutMs, const QDBusConnection& connection = dbus::sessionBus());
bool postToSignature(quint32 signature, quint32 eventClass, quint32 eventID, const QVariantMap& params,
                     const QDBusConnection& connection = dbus::sessionBus());

} // namespace appleevent
