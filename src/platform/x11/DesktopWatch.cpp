#include "platform/x11/DesktopWatch.h"

#include "platform/x11/Ewmh.h"

#include <X11/Xlib.h>

namespace {
void removeListeners(X11Session* session, const QList<X11Session::ListenerId>& ids) {
    if (!session) return;
    for (X11Session::ListenerId id : ids) session->removeEventListener(id);
}
} // namespace

DesktopWatch::DesktopWatch(X11Session& s, QObject* parent) : QObject(parent), m_session(&s) {
    if (!s.isAvailable()) return;
    const X11Session::Atom clientList = s.atom("_NET_CLIENT_LIST");
    const X11Session::Atom active = s.atom("_NET_ACTIVE_WINDOW");
    s.addInputMask(s.rootWindow(), PropertyChangeMask);
    m_listeners.append(
        s.addEventListener(PropertyNotify, s.rootWindow(), [this, clientList, active](const XEvent& e) {
            if (e.xproperty.atom == clientList) emit clientListChanged();
            else if (e.xproperty.atom == active) emit activeWindowChanged();
        }));
}

DesktopWatch::~DesktopWatch() { removeListeners(m_session, m_listeners); }

MenuWindowWatch::MenuWindowWatch(X11Session& s, QObject* parent) : QObject(parent), m_session(&s) {
    if (!s.isAvailable()) return;
    const X11Session::Window root = s.rootWindow();
    s.addInputMask(root, SubstructureNotifyMask);
    m_listeners.append(s.addEventListener(MapNotify, root, [this, &s](const XEvent& e) {
        if (e.xmap.override_redirect && ewmh::isMenuWindow(s, e.xmap.window)) emit menuShown(e.xmap.window);
    }));
    m_listeners.append(
        s.addEventListener(UnmapNotify, root, [this](const XEvent& e) { emit windowGone(e.xunmap.window); }));
    m_listeners.append(s.addEventListener(DestroyNotify, root,
                                          [this](const XEvent& e) { emit windowGone(e.xdestroywindow.window); }));
}

MenuWindowWatch::~MenuWindowWatch() { removeListeners(m_session, m_listeners); }
