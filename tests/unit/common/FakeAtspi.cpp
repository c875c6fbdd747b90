#include "common/FakeAtspi.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QJsonArray>
#include <QMap>

namespace rbxtest {
namespace fake {

struct Object {
    QString service;
    QDBusObjectPath path;
};
struct Action {
    QString name, description, keys;
};
struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

} // namespace fake
} // namespace rbxtest

Q_DECLARE_METATYPE(rbxtest::fake::Object)
Q_DECLARE_METATYPE(QList<rbxtest::fake::Object>)
Q_DECLARE_METATYPE(rbxtest::fake::Action)
Q_DECLARE_METATYPE(QList<rbxtest::fake::Action>)
Q_DECLARE_METATYPE(rbxtest::fake::Box)

namespace rbxtest::fake {

QDBusArgument& operator<<(QDBusArgument& a, const Object& o) {
    a.beginStructure();
    a << o.service << o.path;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Object& o) {
    a.beginStructure();
    a >> o.service >> o.path;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const Action& o) {
    a.beginStructure();
    a << o.name << o.description << o.keys;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Action& o) {
    a.beginStructure();
    a >> o.name >> o.description >> o.keys;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const Box& b) {
    a.beginStructure();
    a << b.x << b.y << b.w << b.h;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, Box& b) {
    a.beginStructure();
    a >> b.x >> b.y >> b.w >> b.h;
    a.endStructure();
    return a;
}

} // namespace rbxtest::fake

namespace rbxtest {

namespace {

const QString Prefix = QStringLiteral("/org/a11y/atspi/accessible");
const QString Root = Prefix + QStringLiteral("/root");

void registerTypes() {
    static const bool done = [] {
        qDBusRegisterMetaType<fake::Object>();
        qDBusRegisterMetaType<QList<fake::Object>>();
        qDBusRegisterMetaType<fake::Action>();
        qDBusRegisterMetaType<QList<fake::Action>>();
        qDBusRegisterMetaType<fake::Box>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        return true;
    }();
    (void)done;
}

uint roleNumber(const QJsonValue& v) {
    if (v.isDouble()) return uint(v.toInt());
    static const QMap<QString, uint> roles = {
        {QStringLiteral("application"), 75}, {QStringLiteral("frame"), 23},       {QStringLiteral("window"), 69},
        {QStringLiteral("dialog"), 16},      {QStringLiteral("menu bar"), 34},    {QStringLiteral("menu"), 33},
        {QStringLiteral("menu item"), 35},   {QStringLiteral("check menu item"), 8}, {QStringLiteral("radio menu item"), 45},
        {QStringLiteral("separator"), 50},   {QStringLiteral("popup menu"), 41},  {QStringLiteral("text"), 61},
        {QStringLiteral("panel"), 39},       {QStringLiteral("push button"), 43}, {QStringLiteral("label"), 29},
    };
    return roles.value(v.toString(), 67);  // unknown
}

int stateNumber(const QString& name) {
    static const QMap<QString, int> states = {
        {QStringLiteral("active"), 1},   {QStringLiteral("checked"), 4},   {QStringLiteral("editable"), 7},
        {QStringLiteral("enabled"), 8},  {QStringLiteral("focused"), 12},  {QStringLiteral("modal"), 16},
        {QStringLiteral("selected"), 23}, {QStringLiteral("sensitive"), 24}, {QStringLiteral("showing"), 25},
        {QStringLiteral("visible"), 30},
    };
    return states.value(name, -1);
}

QDBusMessage error(const QDBusMessage& m, const QString& text) {
    return m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"), text);
}

} // namespace

FakeAtspiApp::FakeAtspiApp(const QDBusConnection& connection, const QJsonObject& root) : connection_(connection) {
    registerTypes();
    add(root, -1);
    connection_.registerVirtualObject(Prefix, this, QDBusConnection::SubPath);
}

FakeAtspiApp::~FakeAtspiApp() { connection_.unregisterObject(Prefix, QDBusConnection::UnregisterTree); }

int FakeAtspiApp::add(const QJsonObject& data, int parent) {
    const int index = int(nodes_.size());
    nodes_.push_back(Node{data, parent, {}});
    for (const QJsonValue& child : data.value(QStringLiteral("children")).toArray()) {
        const int c = add(child.toObject(), index);
        nodes_[std::size_t(index)].children.push_back(c);
    }
    return index;
}

QString FakeAtspiApp::pathFor(int index) const { return index == 0 ? Root : Prefix + QLatin1Char('/') + QString::number(index); }

int FakeAtspiApp::indexOf(const QString& path) const {
    if (path == Root) return 0;
    if (!path.startsWith(Prefix + QLatin1Char('/'))) return -1;
    bool ok = false;
    const int i = path.mid(Prefix.size() + 1).toInt(&ok);
    return ok && i > 0 && i < int(nodes_.size()) ? i : -1;
}

int FakeAtspiApp::nodeNamed(const QString& name) const {
    for (std::size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i].data.value(QStringLiteral("name")).toString() == name) return int(i);
    return -1;
}

QString FakeAtspiApp::pathOf(const QString& name) const {
    QMutexLocker lock(&mutex_);
    const int i = nodeNamed(name);
    return i < 0 ? QString() : pathFor(i);
}

void FakeAtspiApp::appendChild(const QString& parentName, const QJsonObject& child) {
    QMutexLocker lock(&mutex_);
    const int p = nodeNamed(parentName);
    if (p < 0) return;
    const int c = add(child, p);
    nodes_[std::size_t(p)].children.push_back(c);
}

void FakeAtspiApp::removeLastChild(const QString& parentName) {
    QMutexLocker lock(&mutex_);
    const int p = nodeNamed(parentName);
    if (p >= 0 && !nodes_[std::size_t(p)].children.empty()) nodes_[std::size_t(p)].children.pop_back();
}

void FakeAtspiApp::setValue(const QString& name, const QString& key, const QJsonValue& value) {
    QMutexLocker lock(&mutex_);
    const int i = nodeNamed(name);
    if (i >= 0) nodes_[std::size_t(i)].data.insert(key, value);
}

QString FakeAtspiApp::introspect(const QString&) const { return {}; }

bool FakeAtspiApp::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    ++calls_;
    if (silent_) return true;  // taken, never answered
    QMutexLocker lock(&mutex_);
    const int index = indexOf(message.path());
    QDBusMessage reply = index < 0 ? error(message, QStringLiteral("no such object")) : answer(message, index);
    connection.send(reply);
    return true;
}

QDBusMessage FakeAtspiApp::answer(const QDBusMessage& m, int index) {
    const Node& node = nodes_[std::size_t(index)];
    const QJsonObject& d = node.data;
    const QString member = m.member();
    const QString iface = m.interface();
    const QVariantList args = m.arguments();
    auto object = [this](int i) {
        return i < 0 ? fake::Object{QString(), QDBusObjectPath(QStringLiteral("/org/a11y/atspi/null"))}
                     : fake::Object{connection_.baseService(), QDBusObjectPath(pathFor(i))};
    };
    const QJsonObject text = d.value(QStringLiteral("text")).toObject();

    if (iface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
        const QString on = args.value(0).toString(), name = args.value(1).toString();
        QVariant v;
        if (on == QLatin1String("org.a11y.atspi.Accessible") && name == QLatin1String("Name"))
            v = d.value(QStringLiteral("name")).toString();
        else if (on == QLatin1String("org.a11y.atspi.Accessible") && name == QLatin1String("Parent"))
            v = QVariant::fromValue(object(node.parent));
        else if (on == QLatin1String("org.a11y.atspi.Accessible") && name == QLatin1String("ChildCount"))
            v = int(node.children.size());
        else if (on == QLatin1String("org.a11y.atspi.Text") && name == QLatin1String("CaretOffset") && !text.isEmpty())
            v = text.value(QStringLiteral("caret")).toInt();
        if (!v.isValid()) return error(m, QStringLiteral("no such property"));
        return m.createReply(QVariant::fromValue(QDBusVariant(v)));
    }
    if (iface == QLatin1String("org.a11y.atspi.Accessible")) {
        if (member == QLatin1String("GetRole")) return m.createReply(roleNumber(d.value(QStringLiteral("role"))));
        if (member == QLatin1String("GetState")) {
            quint64 bits = 0;
            if (!d.value(QStringLiteral("disabled")).toBool())
                for (int s : {8, 24, 25, 30}) bits |= quint64(1) << s;
            for (const QJsonValue& s : d.value(QStringLiteral("states")).toArray())
                if (const int n = stateNumber(s.toString()); n >= 0) bits |= quint64(1) << n;
            return m.createReply(QVariant::fromValue(QList<uint>{uint(bits & 0xFFFFFFFF), uint(bits >> 32)}));
        }
        if (member == QLatin1String("GetChildren")) {
            if (d.value(QStringLiteral("unreadableChildren")).toBool()) return error(m, QStringLiteral("no children"));
            QList<fake::Object> list;
            for (int c : node.children) list << object(c);
            return m.createReply(QVariant::fromValue(list));
        }
        if (member == QLatin1String("GetInterfaces")) {
            QStringList ifaces{QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("org.a11y.atspi.Component")};
            if (!text.isEmpty()) ifaces << QStringLiteral("org.a11y.atspi.Text");
            if (d.contains(QStringLiteral("actions"))) ifaces << QStringLiteral("org.a11y.atspi.Action");
            return m.createReply(ifaces);
        }
        if (member == QLatin1String("GetAttributes"))
            return m.createReply(QVariant::fromValue(QMap<QString, QString>{{QStringLiteral("toolkit"), QStringLiteral("fake")}}));
    }
    if (iface == QLatin1String("org.a11y.atspi.Component")) {
        const QJsonArray e = d.value(QStringLiteral("extents")).toArray();
        const fake::Box box{e.at(0).toInt(), e.at(1).toInt(), e.at(2).toInt(), e.at(3).toInt()};
        if (member == QLatin1String("GetExtents")) return m.createReply(QVariant::fromValue(box));
        if (member == QLatin1String("GetAccessibleAtPoint")) {
            // The deepest node whose extents hold the point.
            const int x = args.value(0).toInt(), y = args.value(1).toInt();
            int found = -1;
            for (std::size_t i = 1; i < nodes_.size(); ++i) {
                const QJsonArray r = nodes_[i].data.value(QStringLiteral("extents")).toArray();
                if (r.size() == 4 && x >= r[0].toInt() && y >= r[1].toInt() && x < r[0].toInt() + r[2].toInt() &&
                    y < r[1].toInt() + r[3].toInt())
                    found = int(i);
            }
            return m.createReply(QVariant::fromValue(object(found)));
        }
    }
    if (iface == QLatin1String("org.a11y.atspi.Action") && d.contains(QStringLiteral("actions"))) {
        const QJsonArray names = d.value(QStringLiteral("actions")).toArray();
        if (member == QLatin1String("GetActions")) {
            QList<fake::Action> list;
            for (const QJsonValue& n : names) list << fake::Action{n.toString(), QString(), QString()};
            return m.createReply(QVariant::fromValue(list));
        }
        if (member == QLatin1String("DoAction")) {
            const int i = args.value(0).toInt();
            if (i < 0 || i >= names.size()) return m.createReply(false);
            actions_ << d.value(QStringLiteral("name")).toString() + QLatin1Char(':') + names[i].toString();
            return m.createReply(true);
        }
    }
    if (iface == QLatin1String("org.a11y.atspi.Text") && !text.isEmpty() && member == QLatin1String("GetAttributeRun")) {
        QMap<QString, QString> attrs;
        const QJsonObject a = text.value(QStringLiteral("attributes")).toObject();
        for (auto it = a.begin(); it != a.end(); ++it) attrs.insert(it.key(), it.value().toString());
        QDBusMessage r = m.createReply(QVariant::fromValue(attrs));
        r << 0 << 1000;
        return r;
    }
    return error(m, QStringLiteral("no method %1.%2").arg(iface, member));
}

FakeAtspiRegistry::FakeAtspiRegistry(const QDBusConnection& connection) : connection_(connection) {
    registerTypes();
    registered_ = connection_.registerVirtualObject(Root, this) &&
                  connection_.registerService(QStringLiteral("org.a11y.atspi.Registry"));
}

FakeAtspiRegistry::~FakeAtspiRegistry() {
    connection_.unregisterObject(Root);
    connection_.unregisterService(QStringLiteral("org.a11y.atspi.Registry"));
}

bool FakeAtspiRegistry::handleMessage(const QDBusMessage& m, const QDBusConnection& connection) {
    if (m.member() == QLatin1String("GetChildren")) {
        QList<fake::Object> list;
        for (const QString& s : std::as_const(apps_)) list << fake::Object{s, QDBusObjectPath(Root)};
        connection.send(m.createReply(QVariant::fromValue(list)));
    } else {
        connection.send(error(m, m.member()));
    }
    return true;
}

FakeA11yStatus::FakeA11yStatus(const QDBusConnection& session, const QString& a11yAddress, bool enabled)
    : session_(session), address_(a11yAddress), enabled_(enabled) {
    registered_ = session_.registerVirtualObject(QStringLiteral("/org/a11y/bus"), this) &&
                  session_.registerService(QStringLiteral("org.a11y.Bus"));
}

FakeA11yStatus::~FakeA11yStatus() {
    session_.unregisterObject(QStringLiteral("/org/a11y/bus"));
    session_.unregisterService(QStringLiteral("org.a11y.Bus"));
}

bool FakeA11yStatus::handleMessage(const QDBusMessage& m, const QDBusConnection& connection) {
    const QVariantList args = m.arguments();
    if (m.member() == QLatin1String("GetAddress")) {
        connection.send(m.createReply(address_));
    } else if (m.member() == QLatin1String("Get") && args.value(1).toString() == QLatin1String("IsEnabled")) {
        connection.send(m.createReply(QVariant::fromValue(QDBusVariant(enabled_))));
    } else if (m.member() == QLatin1String("Get") && args.value(1).toString() == QLatin1String("ScreenReaderEnabled")) {
        connection.send(m.createReply(QVariant::fromValue(QDBusVariant(false))));
    } else if (m.member() == QLatin1String("Set") && args.value(1).toString() == QLatin1String("IsEnabled")) {
        enabled_ = args.value(2).value<QDBusVariant>().variant().toBool();
        connection.send(m.createReply());
    } else {
        connection.send(error(m, m.member()));
    }
    return true;
}

} // namespace rbxtest
