#pragma once
// Accessibility events of other programs. Programs publish them as signals on the
// accessibility bus (AT-SPI), whose address the session bus's org.a11y.Bus hands out.
// An event is named as AT-SPI names it, "<kind>:<name>[:<detail>]":
// "object:state-changed:focused", "object:text-changed:insert", "window:activate",
// "focus:".

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace a11y {

// The D-Bus signal that carries an event: interface "org.a11y.atspi.Event.<Kind>",
// member "<Name>" (dashes dropped, words capitalised) and the detail its first argument
// holds ("" matches any).
struct EventSignal {
    QString interface;
    QString member;
    QString detail;
};
// Nothing when the text is no event name.
std::optional<EventSignal> eventSignal(const QString& eventName);

// The accessibility bus of the process (kx::ProcessWide<AccessibilityBus>): installed by
// the composition root, else one that asks the session bus.
class AccessibilityBus {
public:
    static AccessibilityBus& shared();
    static std::unique_ptr<AccessibilityBus> makeDefault();

    // Asks the session bus for the address on first use and keeps the connection; after
    // a failure, asks again only 10 s later.
    AccessibilityBus() = default;
    // Always this connection.
    explicit AccessibilityBus(const QDBusConnection& connection) : fixed_(connection) {}

    // A connection that is not connected when there is no bus. Main thread.
    QDBusConnection connection();

private:
    std::optional<QDBusConnection> fixed_;
    std::optional<QDBusConnection> found_;
    QElapsedTimer sinceFailure_;  // valid after a failed look-up
};

// AccessibilityBus::shared().connection()
QDBusConnection accessibilityBus();

// Calls back for the events of the names added that one process (by pid) sends.
// Main thread.
class EventWatch : public QObject {
    Q_OBJECT
public:
    // element: the object path of the accessible object the event is about.
    using Callback = std::function<void(const QString& element, const QString& eventName)>;
    EventWatch(uint pid, Callback callback, const QDBusConnection& bus, QObject* parent = nullptr);
    ~EventWatch() override;

    bool isConnected() const { return m_bus.isConnected(); }
    // False when the name is no event name or the bus refuses the match.
    bool add(const QString& eventName);
    // False when the name was not added.
    bool remove(const QString& eventName);
    QStringList events() const { return m_events; }

private Q_SLOTS:
    void received(const QDBusMessage& message);

private:
    bool connectSignal(const EventSignal& s, bool on);
    uint senderPid(const QString& sender);

    QDBusConnection m_bus;
    uint m_pid;
    Callback m_callback;
    QStringList m_events;
    QHash<QString, uint> m_senderPids;
};

} // namespace a11y
