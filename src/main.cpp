// The runebox executable: the character palette.

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // The palette draws with the raster engine; the xcb GL integration only costs
    // memory and start-up time.
    if (qEnvironmentVariableIsEmpty("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Runebox"));
    QApplication::setOrganizationName(QStringLiteral("Runebox"));
    QTextStream(stderr) << "runebox: the palette is not assembled yet in this build\n";
    return 0;
}
