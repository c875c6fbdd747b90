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

bool handOver(const QStringList& urls, int timeoutMs, const QDBusConnection& connection, QStringList* problems) {
    constexpr quint32 GURL = fourcc::make('G', 'U', 'R', 'L');
    bool all = true;
    for (const QString& url : urls) {
        const QString shown = url.size() > 100 ? url.left(100) + QStringLiteral("...") : url;
        const appleevent::SendResult r = appleevent::send(
            ServiceName, GURL, GURL, {{appleevent::DirectParameter, url}}, timeoutMs, connection);
        QString problem;
        if (!r.ok) {
            problem = QStringLiteral("%1 did not reach the running copy: %2").arg(shown, r.errorMessage);
            kx::log(QStringLiteral("cannot hand %1 to the running copy: %2").arg(shown, r.errorMessage));
        } else if (r.reply.contains(appleevent::ErrorNumberKey)) {
            problem = QStringLiteral("%1 was refused: %2").arg(shown, r.reply.value(appleevent::ErrorStringKey).toString());
        }
        if (problem.isEmpty()) continue;
        all = false;
        if (problems) problems->append(problem);
    }
    return all;
}

} // namespace singleinstance
