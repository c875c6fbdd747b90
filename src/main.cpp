// The runebox executable: the character palette.

#include "kxlib/KXAppInstance.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/core/Log.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // The palette draws with the raster engine; the xcb GL integration only costs
    // memory and start-up time.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runebox"));
    QApplication::setOrganizationName(QStringLiteral("Runebox"));

    // One copy per session: a later one hands its URLs over and leaves.
    const KXURLHandler* urls = KXURLHandler::handler();
    const QStringList urlArgs =
        kx::urlArguments(QApplication::arguments().mid(1), urls ? urls->schemes() : QStringList());
    const kx::InstanceStart start = kx::startInstance(urlArgs);
    if (start.claim == singleinstance::Claim::Taken) {
        if (!urlArgs.isEmpty()) return start.handedOver ? 0 : 1;
        kx::log(QStringLiteral("another copy is running"));
        return 0;
    }

    QTextStream(stderr) << "runebox: the palette is not assembled yet in this build\n";
    return app.exec();
}
