#include "platform/dbus/AccessibilityEvents.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "platform/dbus/SessionBus.h"

#include <QDBusConnectionInterface>
#include <QElapsedTimer>
#include <QRegularExpression>

namespace a11y {

namespace {

const QString RegistryService = QStringLiteral("org.a11y.atspi.Registry");
const QString RegistryPath = QStringLiteral("/org/a11y/atspi/registry");

// "state-changed" -> "StateChanged"
QString camel(const QString& dashed) {
    QString out;
    for (const QString& word : dashed.split(QLatin1Char('-'), Qt::SkipEmptyParts))
        out += word.left(1).toUpper() + word.mid(1);
    return out;
}

// After a failed look-up the session bus is asked again only after this long.
constexpr qint64 RetryMs = 10000;

// Tells the registry which events are wanted, so that programs send them. No answer is
// awaited; without a registry nothing happens.
void tellRegistry(const QDBusConnection& bus, const QString& method, const QString& eventName) {
    QDBusMessage m = QDBusMessage::createMethodCall(RegistryService, RegistryPath, RegistryService, method);
    m << eventName;
    m.setAutoStartService(false);
    bus.send(m);
}

} // namespace

std::optional<EventSignal> eventSignal(const QString& eventName) {
    static const QRegularExpression form(QStringLiteral("^([a-z]+):([a-z-]*)(?::([A-Za-z0-9_-]+))?$"));
    const auto m = form.match(eventName);
    if (!m.hasMatch()) return std::nullopt;
    const QString kind = m.captured(1), name = m.captured(2);
    static const QStringList kinds = {QStringLiteral("object"), QStringLiteral("window"), QStringLiteral("focus"),
                                      QStringLiteral("document"), QStringLiteral("terminal"), QStringLiteral("mouse"),
                                      QStringLiteral("keyboard")};
    if (!kinds.contains(kind)) return std::nullopt;
    const QString member = camel(name.isEmpty() ? kind : name);
    if (member.isEmpty()) return std::nullopt;
    return EventSignal{QStringLiteral("org.a11y.atspi.Event.") + camel(kind), member, m.captured(3)};
}

AccessibilityBus& AccessibilityBus::shared() { return kx::ProcessWide<AccessibilityBus>::get(); }

std::unique_ptr<AccessibilityBus> AccessibilityBus::makeDefault() { return std::make_unique<AccessibilityBus>(); }

QDBusConnection accessibilityBus() { return AccessibilityBus::shared().connection(); }

QDBusConnection AccessibilityBus::connection() {
    if (fixed_) return *fixed_;
    if (found_) return *found_;
    QDBusConnection none(QStringLiteral("runebox-no-a11y-bus"));
    if (sinceFailure_.isValid() && sinceFailure_.elapsed() < RetryMs) return none;
    const QDBusConnection session = dbus::sessionBus();
    if (!session.isConnected()) return none;
    const QDBusMessage reply = session.call(
        QDBusMessage::createMethodCall(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                                       QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")),
        QDBus::Block, 2000);
    const QString address = reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().value(0).toString() : QString();
    if (address.isEmpty()) {
        kx::log(QStringLiteral("accessibility bus: no address (%1)").arg(reply.errorMessage()));
        sinceFailure_.start();
        return none;
    }
    sinceFailure_.invalidate();
    found_ = QDBusConnection::connectToBus(address, QStringLiteral("runebox-a11y"));
    return *found_;
}

EventWatch::EventWatch(uint pid, Callback callback, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), m_bus(bus), m_pid(pid), m_callback(std::move(callback)) {}

EventWatch::~EventWatch() {
    for (const QString& name : std::as_const(m_events))
        if (const auto s = eventSignal(name)) connectSignal(*s, false);
}

bool EventWatch::connectSignal(const EventSignal& s, bool on) {
    // Any sender and any object: the sender is checked on arrival.
    if (on) return m_bus.connect(QString(), QString(), s.interface, s.member, this, SLOT(received(QDBusMessage)));
    return m_bus.disconnect(QString(), QString(), s.interface, s.member, this, SLOT(received(QDBusMessage)));
}

bool EventWatch::add(const QString& eventName) {
    if (m_events.contains(eventName)) return true;
    const auto s = eventSignal(eventName);
    if (!s || !m_bus.isConnected()) return false;
    // One connection per signal: several names may share it (different details).
    bool shared = false;
    for (const QString& other : std::as_const(m_events)) {
        const auto o = eventSignal(other);
        if (o && o->interface == s->interface && o->member == s->member) shared = true;
    }
    if (!shared) {
        if (!connectSignal(*s, true)) return false;
        // The bus takes the new match rule in the order of this connection's messages:
        // once a later call is answered, events sent from now on reach us.
        m_bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                                  QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetId")),
                   QDBus::Block, 2000);
    }
    m_events << eventName;
    tellRegistry(m_bus, QStringLiteral("RegisterEvent"), eventName);
    return true;
}

bool EventWatch::remove(const QString& eventName) {
    if (!m_events.removeOne(eventName)) return false;
    const auto s = eventSignal(eventName);
    bool stillUsed = false;
    for (const QString& other : std::as_const(m_events)) {
        const auto o = eventSignal(other);
        if (o && o->interface == s->interface && o->member == s->member) stillUsed = true;
    }
    if (!stillUsed) connectSignal(*s, false);
    tellRegistry(m_bus, QStringLiteral("DeregisterEvent"), eventName);
    return true;
}

uint EventWatch::senderPid(const QString& sender) {
    const auto it = m_senderPids.constFind(sender);
    if (it != m_senderPids.constEnd()) return *it;
    uint pid = 0;
    if (QDBusConnectionInterface* iface = m_bus.interface()) {
        const QDBusReply<uint> r = iface->servicePid(sender);
        if (r.isValid()) pid = r.value();
    }
    if (m_senderPids.size() > 1000) m_senderPids.clear();
    m_senderPids.insert(sender, pid);
    return pid;
}

void EventWatch::received(const QDBusMessage& message) {
    if (message.service().isEmpty() || senderPid(message.service()) != m_pid) return;
    const QVariantList args = message.arguments();
    const QString detail = args.isEmpty() ? QString() : args.first().toString();
    // Copied: the callback may add or remove names.
    const QStringList names = m_events;
    for (const QString& name : names) {
        const auto s = eventSignal(name);
        if (!s || s->interface != message.interface() || s->member != message.member()) continue;
        if (!s->detail.isEmpty() && s->detail != detail) continue;
        if (m_callback) m_callback(message.path(), name);
    }
}

} // namespace a11y
