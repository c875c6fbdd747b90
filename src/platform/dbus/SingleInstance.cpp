#include "platform/dbus/SingleInstance.h"

#include "core/Log.h"
#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"

#include <QDBusConnectionInterface>

namespace singleinstance {

Claim claim(const QDBusConnection& connection) {
    QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr;
    if (!iface) return Claim::NoBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> r =
        iface->registerService(ServiceName, QDBusConnectionInterface::DontQueueService,
                               QDBusConnectionInterface::DontAllowReplacement);
    if (!r.isValid()) {
        kx::log(QStringLiteral("cannot own %1: %2").arg(ServiceName, r.error().message()));
        return Claim::NoBus;
    }
    return r.value() == QDBusConnectionInterface::ServiceRegistered ? Claim::Owned : Claim::Taken;
}

bool handOver(const QStringList& urls, int timeoutMs, const QDBusConnection& connection) {
    constexpr quint32 GURL = fourcc::make('G', 'U', 'R', 'L');
    bool all = true;
    for (const QString& url : urls) {
        const appleevent::SendResult r = appleevent::send(
            ServiceName, GURL, GURL, {{appleevent::DirectParameter, url}}, timeoutMs, connection);
        if (!r.ok) {
            kx::log(QStringLiteral("cannot hand %1 to the running copy: %2").arg(url, r.errorMessage));
            all = false;
        }
    }
    return all;
}

} // namespace singleinstance
