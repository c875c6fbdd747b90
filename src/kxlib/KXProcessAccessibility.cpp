// KXProcess: the accessibility events of a process, announced as notifications.

#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "core/Log.h"
#include "platform/dbus/AccessibilityEvents.h"

#include <QCoreApplication>

KXProcess::~KXProcess() { delete m_axWatch.data(); }

bool KXProcess::addAXNotification(const QString& eventName) {
    if (!m_axWatch) {
        if (m_pid <= 0) {
            kx::log(QStringLiteral("AX Notifications: Could not create observer for %1").arg(description()));
            return false;
        }
        const QDBusConnection bus = a11y::accessibilityBus();
        if (!bus.isConnected()) {
            kx::log(QStringLiteral("AX Notifications: Could not create application object for %1").arg(description()));
            return false;
        }
        // The watch lives as long as this object, so the object it names stays valid.
        const void* self = this;
        m_axWatch = new a11y::EventWatch(
            uint(m_pid),
            [self](const QString& element, const QString& event) {
                KXNotificationCenter::defaultCenter().enqueue(KXNotification{
                    UINotification, self, {{QStringLiteral("element"), element}, {QStringLiteral("event"), event}}});
            },
            bus, QCoreApplication::instance());
    }
    if (!m_axWatch->add(eventName)) {
        kx::log(QStringLiteral("AX Notifications: Could not add notification %1 for %2").arg(eventName, description()));
        return false;
    }
    return true;
}

bool KXProcess::removeAXNotification(const QString& eventName) {
    if (!m_axWatch || !m_axWatch->remove(eventName)) return false;
    if (m_axWatch->events().isEmpty()) delete m_axWatch.data();  // nothing left to watch
    return true;
}
