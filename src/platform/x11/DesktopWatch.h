#pragma once
// The window manager's desktop as it changes: the list of managed windows and the active
// window (properties of the root window), and other programs' menus (override-redirect
// windows whose window type is a menu) from their mapping to their unmapping. Nothing is
// announced when the session has no display.

#include "platform/x11/X11Session.h"

#include <QList>
#include <QObject>
#include <QPointer>

class DesktopWatch : public QObject {
    Q_OBJECT
public:
    explicit DesktopWatch(X11Session& session, QObject* parent = nullptr);
    ~DesktopWatch() override;

signals:
    void clientListChanged();
    void activeWindowChanged();

private:
    QPointer<X11Session> m_session;
    QList<X11Session::ListenerId> m_listeners;
};

class MenuWindowWatch : public QObject {
    Q_OBJECT
public:
    explicit MenuWindowWatch(X11Session& session, QObject* parent = nullptr);
    ~MenuWindowWatch() override;

signals:
    void menuShown(unsigned long window);
    // Any window unmapped or destroyed: a menu among them has gone.
    void windowGone(unsigned long window);

private:
    QPointer<X11Session> m_session;
    QList<X11Session::ListenerId> m_listeners;
};
