// The runebox executable: the character palette.

#include "app/PaletteAssembly.h"
#include "app/RbxCharAppController.h"
#include "app/RbxCharApplication.h"
#include "app/TerminationSignals.h"
#include "kxlib/KXAppInstance.h"
#include "kxlib/KXURLHandler.h"
#include "core/Log.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/x11/QtPlatform.h"
#include "platform/x11/X11Session.h"

int main(int argc, char** argv) {
    // Typing, the clipboard, hot keys and the front window all go through X.
    x11::chooseQtPlatform();

    RbxCharApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runebox"));
    QApplication::setOrganizationName(QStringLiteral("Runebox"));
    QApplication::setDesktopFileName(QStringLiteral("org.runebox.Runebox"));
    RbxDefaults& settings = PaletteAssembly::installProgramSettings();

    // One copy per session: a later one hands its URLs over (or asks the running copy
    // to open its palette) and leaves, before anything else happens.
    KXURLHandler* urls = KXURLHandler::handler();
    const QStringList urlArgs =
        kx::urlArguments(QApplication::arguments().mid(1), urls ? urls->schemes() : QStringList());
    const kx::InstanceStart start = kx::startInstance(urlArgs);
    if (start.claim == singleinstance::Claim::Taken) {
        if (!urlArgs.isEmpty()) return start.handedOver ? 0 : 1;
        kx::log(QStringLiteral("another copy is running"));
        const appleevent::SendResult r = appleevent::send(singleinstance::ServiceName, fourcc::make('a', 'e', 'v', 't'),
                                                          fourcc::make('r', 'a', 'p', 'p'), {}, 5000);
        return r.ok ? 0 : 1;
    }

    termination::quitOnSignals();
    PaletteAssembly palette(settings, X11Session::shared(), urls);
    RbxCharAppController& controller = palette.application();
    if (!controller.init()) return 0;
    controller.finishLaunching();
    return app.exec();
}
