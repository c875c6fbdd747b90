#include "platform/dbus/SignatureNames.h"

#include "core/Log.h"
#include "platform/dbus/AppleEvent.h"

#include <QDBusConnectionInterface>
#include <algorithm>

namespace appleevent {

namespace {
uint pidOf(QDBusConnectionInterface* iface, const QString& name) {
    const QDBusReply<uint> r = iface->servicePid(name);
    return r.isValid() ? r.value() : 0;
}
} // namespace

bool registerSignature(quint32 signature, const QDBusConnection& connection) {
    QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr;
    if (!iface) return false;
    const QString name = signatureBusName(signature);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> r =
        iface->registerService(name, QDBusConnectionInterface::DontQueueService,
                               QDBusConnectionInterface::DontAllowReplacement);
    const bool ok = r.isValid() && r.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!ok) kx::log(QStringLiteral("Apple events: cannot own %1").arg(name));
    return ok;
}

void unregisterSignature(quint32 signature, const QDBusConnection& connection) {
    if (QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr)
        iface->unregisterService(signatureBusName(signature));
}

uint signatureOwnerPid(quint32 signature, const QDBusConnection& connection) {
    QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr;
    if (!iface) return 0;
    const QString name = signatureBusName(signature);
    const QDBusReply<bool> owned = iface->isServiceRegistered(name);
    if (!owned.isValid() || !owned.value()) return 0;
    return pidOf(iface, name);
}

QList<quint32> signaturesOfPid(uint pid, const QDBusConnection& connection) {
    QList<quint32> out;
    QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr;
    if (!iface || pid == 0) return out;
    const QDBusReply<QStringList> names = iface->registeredServiceNames();
    if (!names.isValid()) return out;
    for (const QString& n : names.value())
        if (const auto sig = signatureOfBusName(n); sig && pidOf(iface, n) == pid) out.append(*sig);
    std::sort(out.begin(), out.end());
    return out;
}

QStringList busNamesOfPid(uint pid, const QDBusConnection& connection) {
    QStringList signatures, unique;
    QDBusConnectionInterface* iface = connection.isConnected() ? connection.interface() : nullptr;
    if (!iface || pid == 0) return {};
    const QDBusReply<QStringList> names = iface->registeredServiceNames();
    if (!names.isValid()) return {};
    for (const QString& n : names.value()) {
        const bool sig = signatureOfBusName(n).has_value();
        if (!sig && !n.startsWith(QLatin1Char(':'))) continue;
        if (pidOf(iface, n) != pid) continue;
        (sig ? signatures : unique).append(n);
    }
    signatures.sort();
    return signatures + unique;
}

} // namespace appleevent
