#pragma once
// Receives the events other programs send us: the object "/AppleEvents" on the session
// bus, interface "org.runebox.AppleEvents". Handlers are registered per event class and
// ID; every call is checked before a handler sees it, and a bad call gets a D-Bus error
// reply, never reaches a handler half-formed.

#include "platform/dbus/AppleEvent.h"

#include "platform/dbus/SessionBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QObject>
#include <functional>

class AppleEventBridge : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.runebox.AppleEvents")
public:
    // The handler's reply goes back to the sender. A handler reports failure with the
    // reply keys "errn"/"errs", or by throwing (the sender then gets a D-Bus error).
    using Handler = std::function<QVariantMap(const appleevent::Event& event)>;
    // A handler that answers later, once its work is done: it keeps the answer and calls
    // it once with the reply. The sender waits for it up to its own time-out.
    using Answer = std::function<void(const QVariantMap& reply)>;
    using LaterHandler = std::function<void(const appleevent::Event& event, Answer answer)>;

    static AppleEventBridge& shared();

    explicit AppleEventBridge(QObject* parent = nullptr);
    ~AppleEventBridge() override;

    // Exports the object on a connection (default: the session bus). False without a bus
    // or when the path is taken.
    bool exportOn(const QDBusConnection& connection = dbus::sessionBus());

    // An empty handler removes the entry; a handler replaces one of the other kind.
    void setHandler(quint32 eventClass, quint32 eventID, Handler handler);
    void setLaterHandler(quint32 eventClass, quint32 eventID, LaterHandler handler);

    struct Outcome {
        QVariantMap reply;
        QString errorName;  // empty on success
        QString errorMessage;
        bool answeredLater = false;  // a later handler took the event: `later` gets the reply
    };
    // Checks and delivers one event as a bus call would (also for calls inside the
    // process). A handler that answers later is given `later` (which may be empty: then
    // its answer goes nowhere).
    Outcome deliver(const QString& eventClass, const QString& eventID, const QVariantMap& params,
                    const QString& sender = {}, uint senderPid = 0, Answer later = {});

public slots:
    // The bus method.
    QVariantMap Send(const QString& eventClass, const QString& eventID, const QVariantMap& params);

private:
    struct Entry {
        Handler now;
        LaterHandler later;
    };
    QHash<quint64, Entry> m_handlers;
    QDBusConnection m_connection{QString()};
    bool m_exported = false;
};
