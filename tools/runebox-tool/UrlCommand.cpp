// runebox-tool url URL: hands a URL command to the running copy of Runebox.

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
    if (!singleinstance::handOver({args.first()}, 10000, bus)) {
        tool::err() << "runebox-tool: the URL did not reach Runebox" << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(url, "url RUNEBOX-URL", runUrl);
