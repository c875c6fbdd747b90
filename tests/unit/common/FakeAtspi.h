#pragma once
// A small AT-SPI server for tests: one program's tree of accessible objects described in
// JSON, served on a D-Bus connection as a toolkit's bridge serves it, the registry that
// lists programs, and the session's accessibility switch (org.a11y.Bus) that hands out
// the address of the accessibility bus.
//
// A node: {"role": "frame" | number, "name": "...", "states": ["focused", ...],
//          "disabled": true, "unreadableChildren": true, "extents": [x, y, w, h], "actions": ["click", ...],
//          "text": {"caret": 3, "attributes": {"family-name": "DejaVu Serif", ...}},
//          "children": [...]}
// Nodes are enabled, sensitive, showing and visible unless "disabled". The root is the
// application object.

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

namespace rbxtest {

class FakeAtspiApp : public QDBusVirtualObject {
public:
    FakeAtspiApp(const QDBusConnection& connection, const QJsonObject& root);
    ~FakeAtspiApp() override;

    QString service() const { return connection_.baseService(); }
    // "<node name>:<action>" for every action run.
    QStringList performedActions() const {
        QMutexLocker lock(&mutex_);
        return actions_;
    }
    // A silent program takes calls and never answers them.
    void setSilent(bool silent) { silent_ = silent; }
    int callCount() const { return calls_; }
    // The path of the first node with that name ("" when none).
    QString pathOf(const QString& name) const;
    // Changes the tree while it is served: a new last child of the named node, the
    // named node's last child gone, a value of the named node set.
    void appendChild(const QString& parentName, const QJsonObject& child);
    void removeLastChild(const QString& parentName);
    void setValue(const QString& name, const QString& key, const QJsonValue& value);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct Node {
        QJsonObject data;
        int parent = -1;
        std::vector<int> children;
    };
    int add(const QJsonObject& data, int parent);
    QString pathFor(int index) const;
    int indexOf(const QString& path) const;
    int nodeNamed(const QString& name) const;
    QDBusMessage answer(const QDBusMessage& m, int index);

    QDBusConnection connection_;
    mutable QMutex mutex_;  // the tree may change while a thread serves it
    std::vector<Node> nodes_;
    QStringList actions_;
    std::atomic<bool> silent_ = false;
    std::atomic<int> calls_ = 0;
};

// The registry: its root's children are the programs added.
class FakeAtspiRegistry : public QDBusVirtualObject {
public:
    explicit FakeAtspiRegistry(const QDBusConnection& connection);
    ~FakeAtspiRegistry() override;
    bool isRegistered() const { return registered_; }
    void addApplication(const QString& service) { apps_ << service; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusConnection connection_;
    QStringList apps_;
    bool registered_ = false;
};

// org.a11y.Bus on the session bus: GetAddress and the property IsEnabled of
// org.a11y.Status (which a caller may set).
class FakeA11yStatus : public QDBusVirtualObject {
public:
    FakeA11yStatus(const QDBusConnection& session, const QString& a11yAddress, bool enabled);
    ~FakeA11yStatus() override;
    bool isRegistered() const { return registered_; }
    bool isEnabled() const { return enabled_; }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QDBusConnection session_;
    QString address_;
    bool enabled_;
    bool registered_ = false;
};

} // namespace rbxtest
