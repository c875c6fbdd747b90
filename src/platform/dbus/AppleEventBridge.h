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

    static AppleEventBridge& shared();

    explicit AppleEventBridge(QObject* parent = nullptr);
    ~AppleEventBridge() override;

    // Exports the object on a connection (default: the session bus). False without a bus
    // or when the path is taken.
    bool exportOn(const QDBusConnection& connection = dbus::sessionBus());

    // An empty handler removes the entry.
    void setHandler(quint32 eventClass, quint32 eventID, Handler handler);

    struct Outcome {
        QVariantMap reply;
        QString errorName;  // empty on success
        QString errorMessage;
    };
    // Checks and delivers one event as a bus call would (also for calls inside the
    // process).
    Outcome deliver(const QString& eventClass, const QString& eventID, const QVariantMap& params,
                    const QString& sender = {}, uint senderPid = 0);

public slots:
    // The bus method.
    QVariantMap Send(const QString& eventClass, const QString& eventID, const QVariantMap& params);

private:
    QHash<quint64, Handler> m_handlers;
    QDBusConnection m_connection{QString()};
    bool m_exported = false;
};
