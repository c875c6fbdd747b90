#include "platform/dbus/AppleEventBridge.h"

#include "core/Log.h"
#include "platform/dbus/FourCharCode.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <exception>

namespace {
quint64 key(quint32 c, quint32 i) { return (quint64(c) << 32) | i; }
} // namespace

AppleEventBridge& AppleEventBridge::shared() {
    static AppleEventBridge* bridge = new AppleEventBridge;  // lives as long as the process
    return *bridge;
}

AppleEventBridge::AppleEventBridge(QObject* parent) : QObject(parent) {}

AppleEventBridge::~AppleEventBridge() {
    if (m_exported) m_connection.unregisterObject(appleevent::ObjectPath);
}

bool AppleEventBridge::exportOn(const QDBusConnection& connection) {
    if (m_exported) return true;
    if (!connection.isConnected()) {
        kx::log(QStringLiteral("Apple events: no session bus"));
        return false;
    }
    m_connection = connection;
    m_exported = m_connection.registerObject(appleevent::ObjectPath, this, QDBusConnection::ExportAllSlots);
    if (!m_exported) kx::log(QStringLiteral("Apple events: cannot export %1").arg(appleevent::ObjectPath));
    return m_exported;
}

void AppleEventBridge::setHandler(quint32 eventClass, quint32 eventID, Handler handler) {
    if (handler)
        m_handlers.insert(key(eventClass, eventID), Entry{std::move(handler), {}});
    else
        m_handlers.remove(key(eventClass, eventID));
}

void AppleEventBridge::setLaterHandler(quint32 eventClass, quint32 eventID, LaterHandler handler) {
    if (handler)
        m_handlers.insert(key(eventClass, eventID), Entry{{}, std::move(handler)});
    else
        m_handlers.remove(key(eventClass, eventID));
}

AppleEventBridge::Outcome AppleEventBridge::deliver(const QString& eventClass, const QString& eventID,
                                                    const QVariantMap& params, const QString& sender,
                                                    uint senderPid, Answer later) {
    Outcome out;
    const auto cls = fourcc::fromText(eventClass);
    const auto id = fourcc::fromText(eventID);
    if (!cls || !id) {
        out.errorName = appleevent::ErrorInvalidArgs;
        out.errorMessage = QStringLiteral("event class and ID must be four-character codes");
    } else if (const QString problem = appleevent::validateParameters(params); !problem.isEmpty()) {
        out.errorName = appleevent::ErrorInvalidArgs;
        out.errorMessage = problem;
    }
    if (!out.errorName.isEmpty()) {
        kx::log(QStringLiteral("Apple events: refused a call from %1: %2").arg(sender, out.errorMessage));
        return out;
    }
    const auto it = m_handlers.constFind(key(*cls, *id));
    if (it == m_handlers.constEnd()) {
        out.errorName = appleevent::ErrorNotHandled;
        out.errorMessage = QStringLiteral("no handler for '%1'/'%2'").arg(eventClass, eventID);
        return out;
    }
    appleevent::Event event{*cls, *id, params, sender, senderPid};
    const Entry entry = *it;  // the handler may change the table
    try {
        if (entry.later) {
            entry.later(event, later ? std::move(later) : Answer([](const QVariantMap&) {}));
            out.answeredLater = true;
        } else {
            out.reply = entry.now(event);
        }
    } catch (const std::exception& e) {
        out.errorName = appleevent::ErrorHandlerFailed;
        out.errorMessage = QString::fromLocal8Bit(e.what());
    } catch (...) {
        out.errorName = appleevent::ErrorHandlerFailed;
        out.errorMessage = QStringLiteral("unknown failure");
    }
    if (!out.errorName.isEmpty())
        kx::log(QStringLiteral("Apple events: handler of '%1'/'%2' failed: %3")
                    .arg(eventClass, eventID, out.errorMessage));
    return out;
}

QVariantMap AppleEventBridge::Send(const QString& eventClass, const QString& eventID, const QVariantMap& params) {
    QString sender;
    uint pid = 0;
    if (calledFromDBus()) {
        sender = message().service();
        if (auto* iface = connection().interface()) {
            const auto reply = iface->servicePid(sender);
            if (reply.isValid()) pid = reply.value();
        }
    }
    Answer later;
    if (calledFromDBus()) {
        // The reply goes out when the handler answers, not when this call returns.
        later = [connection = connection(), call = message()](const QVariantMap& reply) {
            connection.send(call.createReply(QVariant::fromValue(reply)));
        };
    }
    Outcome out = deliver(eventClass, eventID, params, sender, pid, std::move(later));
    if (!calledFromDBus()) return out.reply;
    if (out.answeredLater) setDelayedReply(true);
    else if (!out.errorName.isEmpty()) sendErrorReply(out.errorName, out.errorMessage);
    return out.reply;
}
