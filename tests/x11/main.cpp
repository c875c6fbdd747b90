// Test main for the end-to-end tests: a GUI application on the session's real X
// server (x11-session starts Xvfb, a window manager and a private session bus).
#include "common/TestEnvironment.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <cstring>

// `test_x11 --probe-window TITLE`: a plain application window in a process of its own,
// for tests that watch other applications come, go and take the front.
// `--signature ABCD` makes it own that creator code's bus name; it then answers
// 'RbxC'/'ping' and, asked 'core'/'getd' for its "font" property, "DejaVu Serif Bold".
static int runProbeWindow(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RuneboxProbe"));
    if (argc >= 5 && std::strcmp(argv[3], "--signature") == 0) {
        const auto code = fourcc::fromText(QString::fromLatin1(argv[4]));
        AppleEventBridge::shared().exportOn();
        AppleEventBridge::shared().setHandler(fourcc::make('R', 'b', 'x', 'C'), fourcc::make('p', 'i', 'n', 'g'),
                                              [](const appleevent::Event&) {
                                                  return QVariantMap{{QStringLiteral("----"), QStringLiteral("pong")}};
                                              });
        AppleEventBridge::shared().setHandler(
            fourcc::make('c', 'o', 'r', 'e'), fourcc::make('g', 'e', 't', 'd'), [](const appleevent::Event& e) {
                const QString font = QStringLiteral("'----':obj {form:prop,want:type(prop),seld:type(font),from: 'null'()}");
                if (e.params.value(QStringLiteral("----")).toString() != font) return QVariantMap();
                return QVariantMap{{QStringLiteral("----"), QByteArray("DejaVu Serif Bold")}};
            });
        if (code) appleevent::registerSignature(*code);
    }
    QWidget w;
    w.setWindowTitle(QString::fromLocal8Bit(argv[2]));
    w.resize(240, 120);
    w.show();
    return app.exec();
}

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--probe-window") == 0) return runProbeWindow(argc, argv);
    // Test discovery only lists the tests: no display needed for that.
    bool listOnly = false;
    for (int i = 1; i < argc; ++i) listOnly = listOnly || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    ::testing::InitGoogleTest(&argc, argv);
    if (listOnly) return RUN_ALL_TESTS();
    rbxtest::setUpPrivateHome();
    qputenv("QT_QPA_PLATFORM", "xcb");
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
