#include "kxlib/KXAppInstance.h"

#include "kxlib/KXURLHandler.h"
#include "core/Log.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/SessionBus.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUrl>

namespace kx {

QStringList urlArguments(const QStringList& arguments, const QStringList& schemes) {
    QStringList out;
    for (const QString& a : arguments) {
        const qsizetype colon = a.indexOf(QLatin1Char(':'));
        if (colon <= 0) continue;
        if (schemes.contains(a.left(colon).toLower())) out << a;
    }
    return out;
}

InstanceStart startInstance(const QStringList& urls) {
    InstanceStart start;
    KXURLHandler* handler = KXURLHandler::handler();  // registers for get-URL events
    const QDBusConnection bus = dbus::sessionBus();
    if (bus.isConnected()) {
        // The object first: a copy that finds the name owned may send at once.
        AppleEventBridge::shared().exportOn(bus);
        start.claim = singleinstance::claim(bus);
    }
    if (start.claim == singleinstance::Claim::Taken) {
        if (!urls.isEmpty()) start.handedOver = singleinstance::handOver(urls, 10000, bus, &start.problems);
        return start;
    }
    if (handler && !urls.isEmpty()) {
        auto* app = QCoreApplication::instance();
        for (const QString& url : urls) {
            if (app)
                QTimer::singleShot(0, app, [handler, url] { handler->handleURL(url); });
            else
                handler->handleURL(url);
        }
    }
    return start;
}

} // namespace kx
