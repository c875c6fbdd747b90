#include "platform/x11/QtPlatform.h"

#include <QByteArray>
#include <QtGlobal>

namespace x11 {

void chooseQtPlatform() {
    // The palette draws with the raster engine; Qt's X11 GL integration only costs
    // memory and start-up time.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", QByteArrayLiteral("none"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", QByteArray(QtPlatformName));
}

} // namespace x11
