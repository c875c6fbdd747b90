// runebox-fakeapp: a front application for the end-to-end tests whose accessible
// tree is a test's: a window with a focused text field, and the tree read from the JSON
// file named on the command line served on the session bus (as a toolkit's bridge serves
// it on the accessibility bus). It owns "org.runebox.FakeApp.<tag>" so that a test finds
// its connection. A tree with "silent": true takes every call and never answers.
//   runebox-fakeapp TAG TREE.json
#include "common/FakeAtspi.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFile>
#include <QJsonDocument>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    // The program's own accessibility bridge stays off: the test's tree is the one served.
    qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: runebox-fakeapp TAG TREE.json\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly)) return 2;
    const QJsonObject tree = QJsonDocument::fromJson(file.readAll()).object();
    QDBusConnection bus = QDBusConnection::sessionBus();
    rbxtest::FakeAtspiApp served(bus, tree);
    served.setSilent(tree.value(QStringLiteral("silent")).toBool());
    QWidget window;
    window.setWindowTitle(QStringLiteral("fake-atspi-%1").arg(QString::fromLocal8Bit(argv[1])));
    auto* field = new QLineEdit(&window);
    (new QVBoxLayout(&window))->addWidget(field);
    window.resize(360, 160);
    window.show();
    field->setFocus();
    if (!bus.registerService(QStringLiteral("org.runebox.FakeApp.") + QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "runebox-fakeapp: cannot register on the bus\n");
        return 1;
    }
    return app.exec();
}
