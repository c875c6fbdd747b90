#pragma once
// One running copy per session: the first copy owns "org.runebox.Runebox"; a later copy
// started with URLs hands them to it as get-URL events and leaves.

#include "platform/dbus/SessionBus.h"

#include <QDBusConnection>
#include <QStringList>

namespace singleinstance {

inline const QString ServiceName = QStringLiteral("org.runebox.Runebox");

enum class Claim {
    Owned,  // we are the running copy
    Taken,  // another copy runs
    NoBus,  // no session bus: nothing to coordinate with
};

// Tries to own the name (never queues, never replaces the owner). Export the event
// object first, so that the first hand-over finds it.
Claim claim(const QDBusConnection& connection = dbus::sessionBus());

// Sends each URL to the owner of the name as a get-URL event, in order, each waiting
// at most `timeoutMs` for the owner's answer; false when one of them did not arrive or
// was refused. `problems`, when given, receives one line for each such URL: the URL (cut
// to 100 characters) and why.
bool handOver(const QStringList& urls, int timeoutMs = 10000,
              const QDBusConnection& connection = dbus::sessionBus(), QStringList* problems = nullptr);

} // namespace singleinstance
