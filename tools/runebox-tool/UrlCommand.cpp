// runebox-tool url URL: hands a URL command to the running copy of Runebox and waits for
// its answer; a URL it refuses is reported with the reason and exit status 1.

#include "ToolCommand.h"

#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SingleInstance.h"

#include <QDBusConnectionInterface>

namespace {

int runUrl(const QStringList& args) {
    if (args.size() != 1 || args.first().isEmpty()) return tool::usage("url");
    const QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) {
        tool::err() << "runebox-tool: no session bus" << Qt::endl;
        return 1;
    }
    const QDBusReply<bool> running = bus.interface()->isServiceRegistered(singleinstance::ServiceName);
    if (!running.isValid() || !running.value()) {
        tool::err() << "runebox-tool: Runebox is not running" << Qt::endl;
        return 1;
    }
    QStringList problems;
    if (!singleinstance::handOver({args.first()}, 10000, bus, &problems)) {
        for (const QString& p : problems) tool::err() << "runebox-tool: " << p << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(url, "url RUNEBOX-URL", runUrl);
