#pragma once

#include "common/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace x11test {
// A call on the session bus that keeps this process's event loop running until the answer
// comes, so that objects this test serves on the bus can answer the callee meanwhile.
inline QDBusMessage busCall(const QDBusMessage& m, int timeoutMs) {
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(m, timeoutMs);
    rbxtest::waitFor([&pending] { return pending.isFinished(); }, timeoutMs + 1000);
    return pending.reply();
}

} // namespace x11test
