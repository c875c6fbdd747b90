// runebox-tool event CLASS ID [TEXT | --number N]: sends an event to the running copy of
// Runebox over the session bus, with TEXT (or the number N) as its direct parameter, and
// prints the text of the reply. Runebox answers:
//   HbdC SKey             the system-wide hot keys (property-list text)
//   HbdC TKey "toggle window"   opens or closes the palette
//   RbxC List Favorites | Recent[N]   the favourites, or the N latest recent characters
//   RbxC FnoC TEXT, RbxC Fcjk TEXT   characters whose names match (Fcjk: CJK included)
//   RbxC Post TEXT        types TEXT into the application in front
//   RbxC ARec --number N  adds the character N to the recent characters

#include "ToolCommand.h"

#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SingleInstance.h"

#include <QDBusConnectionInterface>

namespace {

int runEvent(const QStringList& args) {
    if (args.size() < 2 || args.size() > 4) return tool::usage("event");
    const auto eventClass = fourcc::fromText(args[0]);
    const auto eventID = fourcc::fromText(args[1]);
    if (!eventClass || !eventID) {
        tool::err() << "runebox-tool: the event class and ID are four characters each" << Qt::endl;
        return 2;
    }
    QVariantMap params;
    if (args.size() == 3) {
        params.insert(appleevent::DirectParameter, args[2]);
    } else if (args.size() == 4) {
        bool ok = false;
        const qlonglong n = args[3].toLongLong(&ok);
        if (args[2] != QLatin1String("--number") || !ok) return tool::usage("event");
        params.insert(appleevent::DirectParameter, n);
    }
    const QDBusConnection bus = dbus::sessionBus();
    if (!bus.isConnected()) {
        tool::err() << "runebox-tool: no session bus" << Qt::endl;
        return 1;
    }
    const appleevent::SendResult r =
        appleevent::send(singleinstance::ServiceName, *eventClass, *eventID, params, 30000, bus);
    if (!r.ok) {
        tool::err() << "runebox-tool: " << (r.errorMessage.isEmpty() ? r.errorName : r.errorMessage) << Qt::endl;
        return 1;
    }
    const QString text = r.reply.value(appleevent::DirectParameter).toString();
    tool::out() << text;
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('\n'))) tool::out() << Qt::endl;
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(event, "event CLASS ID [TEXT | --number N]", runEvent);
