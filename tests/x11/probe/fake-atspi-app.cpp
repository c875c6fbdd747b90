// runebox-fakeapp: a front application for the end-to-end tests whose accessible
// tree is a test's: a window with a focused text field, and the tree read from the JSON
// file named on the command line served on the session bus (as a toolkit's bridge serves
// it on the accessibility bus). It owns "org.runebox.FakeApp.<tag>" so that a test finds
// its connection. A tree with "silent": true takes every call and never answers.
// A test changes the tree while it is served, and reads how many calls it took, through
// /org/runebox/FakeApp: SetValue(node name, key, JSON value) and CallCount().
//   runebox-fakeapp TAG TREE.json
#include "common/FakeAtspi.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

// The test's handle on the served tree.
class TreeControl : public QDBusVirtualObject {
public:
    explicit TreeControl(rbxtest::FakeAtspiApp& served) : served_(served) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        const QVariantList args = m.arguments();
        if (m.member() == QLatin1String("SetValue") && args.size() == 3) {
            const QJsonDocument value = QJsonDocument::fromJson("[" + args[2].toString().toUtf8() + "]");
            if (!value.isArray() || value.array().isEmpty()) return false;
            served_.setValue(args[0].toString(), args[1].toString(), value.array().first());
            return connection.send(m.createReply());
        }
        if (m.member() == QLatin1String("CallCount")) return connection.send(m.createReply(served_.callCount()));
        return false;
    }

private:
    rbxtest::FakeAtspiApp& served_;
};

} // namespace

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
    TreeControl control(served);
    bus.registerVirtualObject(QStringLiteral("/org/runebox/FakeApp"), &control);
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
