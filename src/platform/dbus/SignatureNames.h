#pragma once
// Bus names that stand for creator codes: owning ours, finding the process behind a
// code, and the bus names through which a process can be reached.

#include "platform/dbus/SessionBus.h"

#include <QDBusConnection>
#include <QList>
#include <QStringList>

namespace appleevent {

// Owns the name of a creator code; false without a bus or when another program has it.
bool registerSignature(quint32 signature, const QDBusConnection& connection = dbus::sessionBus());
void unregisterSignature(quint32 signature, const QDBusConnection& connection = dbus::sessionBus());

// The process id of the owner of a creator code's name; 0 when nobody owns it.
uint signatureOwnerPid(quint32 signature, const QDBusConnection& connection = dbus::sessionBus());
// The creator codes whose names a process owns, in ascending order.
QList<quint32> signaturesOfPid(uint pid, const QDBusConnection& connection = dbus::sessionBus());
// The bus names through which a process can be reached: its creator-code names first,
// then the unique names of its connections.
QStringList busNamesOfPid(uint pid, const QDBusConnection& connection = dbus::sessionBus());

} // namespace appleevent
