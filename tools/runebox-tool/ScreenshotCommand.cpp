// runebox-tool screenshot OUT.png: writes a picture of the whole screen (the X display
// the tool runs on).

#include "ToolCommand.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace {

int runScreenshot(const QStringList& args) {
    if (args.size() != 1 || args.first().isEmpty()) return tool::usage("screenshot");
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        tool::err() << "runebox-tool: no display to take a picture of" << Qt::endl;
        return 1;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        tool::err() << "runebox-tool: no screen" << Qt::endl;
        return 1;
    }
    const QPixmap picture = screen->grabWindow(0);
    if (picture.isNull() || !picture.save(args.first(), "PNG")) {
        tool::err() << "runebox-tool: cannot write " << args.first() << Qt::endl;
        return 1;
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(screenshot, "screenshot OUT.png", runScreenshot);
