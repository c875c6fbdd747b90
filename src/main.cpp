// The runebox executable: the character palette.

#include "app/CommandLine.h"
#include "app/CrashReports.h"
#include "app/PaletteAssembly.h"
#include "app/RbxCharAppController.h"
#include "app/RbxCharApplication.h"
#include "app/RbxCharWindowController.h"
#include "app/TerminationSignals.h"
#include "kxlib/KXAppInstance.h"
#include "kxlib/KXURLHandler.h"
#include "core/Log.h"
#include "core/LogOutput.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/x11/QtPlatform.h"
#include "platform/x11/X11Session.h"

#include <cstdio>

namespace {

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
    std::fflush(to);
}

// Prints what is wrong with the arguments and the usage on standard error; answers
// whether anything was.
bool refused(const QStringList& errors) {
    if (errors.isEmpty()) return false;
    for (const QString& e : errors) print(stderr, QStringLiteral("runebox: %1\n").arg(e));
    print(stderr, commandline::usage());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Answered before anything starts: they need no display and touch nothing.
    switch (commandline::request(argc, argv)) {
    case commandline::Request::Help: print(stdout, commandline::usage()); return 0;
    case commandline::Request::Version: print(stdout, commandline::version() + QLatin1Char('\n')); return 0;
    case commandline::Request::Run: break;
    }
    // Wrong arguments are answered before the toolkit starts too, so that they need no
    // display either (what the toolkit takes of them is left out here).
    if (refused(commandline::errors(commandline::withShapeFilesAsUrls(commandline::withoutToolkitOptions(argc, argv)),
                                    KXURLHandler::bundleSchemes())))
        return 2;
    // The log goes to the journal, or to standard error with --verbose or RUNEBOX_LOG=1;
    // the toolkit's messages go with it.
    if (commandline::verbose(argc, argv)) kx::setLogToStandardError(true);
    kx::installLogMessageHandler();

    // Typing, the clipboard, hot keys and the front window all go through X.
    x11::chooseQtPlatform();
    // Without a display the toolkit would end the program with an abort: say what is missing.
    if (qgetenv("QT_QPA_PLATFORM") == x11::QtPlatformName && qEnvironmentVariableIsEmpty("DISPLAY") &&
        !commandline::namesDisplay(argc, argv)) {
        print(stderr, QStringLiteral("runebox: no X display to show the palette on (DISPLAY is not set)\n"));
        return 1;
    }

    RbxCharApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runebox"));
    QApplication::setOrganizationName(QStringLiteral("Runebox"));
    QApplication::setDesktopFileName(QStringLiteral("org.runebox.Runebox"));

    // What the toolkit left of the arguments: URLs of our scheme, nothing else.
    KXURLHandler* urls = KXURLHandler::handler();
    const QStringList schemes = urls ? urls->schemes() : QStringList();
    // A shape file is opened in the shape finder by the URL command for it.
    const QStringList arguments = commandline::withShapeFilesAsUrls(QApplication::arguments().mid(1));
    if (refused(commandline::errors(arguments, schemes))) return 2;

    // One copy per session: a later one hands its URLs over (or asks the running copy
    // to open its palette) and leaves, before anything else happens.
    const QStringList urlArgs = kx::urlArguments(arguments, schemes);
    const kx::InstanceStart start = kx::startInstance(urlArgs);
    if (start.claim == singleinstance::Claim::Taken) {
        if (!urlArgs.isEmpty()) {
            for (const QString& p : start.problems) print(stderr, QStringLiteral("runebox: %1\n").arg(p));
            return start.handedOver ? 0 : 1;
        }
        kx::log(QStringLiteral("another copy is running"));
        const appleevent::SendResult r = appleevent::send(singleinstance::ServiceName, fourcc::make('a', 'e', 'v', 't'),
                                                          fourcc::make('r', 'a', 'p', 'p'), {}, 5000);
        return r.ok ? 0 : 1;
    }

    RbxDefaults& settings = PaletteAssembly::installProgramSettings();
    // A crash leaves a report for the diagnostics report to list.
    if (!crashreports::install()) kx::log(QStringLiteral("no crash reports: %1 cannot be made").arg(crashreports::folder()));
    PaletteAssembly palette(settings, X11Session::shared(), urls);
    // From here on a signal quits as the Quit command does.
    termination::quitOnSignals([&palette] { palette.windowController().terminate(); });
    RbxCharAppController& controller = palette.application();
    if (!controller.init()) return 0;
    controller.finishLaunching();
    return app.exec();
}
