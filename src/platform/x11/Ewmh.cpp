#include "platform/x11/Ewmh.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace ewmh {

namespace {
QList<Window> rootWindows(X11Session& s, const char* name) {
    if (!s.isAvailable()) return {};
    return s.longsProperty(s.rootWindow(), s.atom(name), XA_WINDOW);
}
} // namespace

bool isSupported(X11Session& s) {
    if (!s.isAvailable()) return false;
    const auto check = s.longProperty(s.rootWindow(), s.atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
    if (!check || !*check) return false;
    // The check window names itself; a stale property of a dead manager does not.
    const auto self = s.longProperty(*check, s.atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
    return self && *self == *check;
}

Window activeWindow(X11Session& s) {
    const QList<Window> w = rootWindows(s, "_NET_ACTIVE_WINDOW");
    return w.isEmpty() ? 0 : w.first();
}

QList<Window> clientList(X11Session& s) { return rootWindows(s, "_NET_CLIENT_LIST"); }

QList<Window> clientListStacking(X11Session& s) { return rootWindows(s, "_NET_CLIENT_LIST_STACKING"); }

int windowPid(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return 0;
    const auto pid = s.longProperty(window, s.atom("_NET_WM_PID"), XA_CARDINAL);
    if (!pid || *pid == 0 || *pid > 0x7fffffffUL) return 0;
    return int(*pid);
}

QList<Window> windowsOfPid(X11Session& s, int pid) {
    QList<Window> out;
    if (pid <= 0) return out;
    QList<Window> all = clientListStacking(s);
    if (all.isEmpty()) all = clientList(s);
    for (Window w : std::as_const(all))
        if (windowPid(s, w) == pid) out.append(w);
    return out;
}

bool isFullscreen(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return false;
    const X11Session::Atom full = s.atom("_NET_WM_STATE_FULLSCREEN");
    const QList<unsigned long> states = s.longsProperty(window, s.atom("_NET_WM_STATE"), XA_ATOM);
    return states.contains(full);
}

bool activeWindowIsFullscreen(X11Session& s) { return isFullscreen(s, activeWindow(s)); }

WindowClass windowClass(X11Session& s, Window window) {
    WindowClass wc;
    if (!s.isAvailable() || !window) return wc;
    const auto p = s.property(window, XA_WM_CLASS, XA_STRING, 1024);
    if (!p || p->format != 8) return wc;
    const QList<QByteArray> parts = p->data.split('\0');
    if (!parts.isEmpty()) wc.instance = QString::fromLocal8Bit(parts.value(0));
    if (parts.size() > 1) wc.className = QString::fromLocal8Bit(parts.value(1));
    return wc;
}

QString windowTitle(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return {};
    QString t = s.textProperty(window, s.atom("_NET_WM_NAME"));
    if (t.isEmpty()) t = s.textProperty(window, XA_WM_NAME);
    return t;
}

bool activateWindow(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return false;
    // Source 2 (pager): the request comes from the user's tool, so focus-stealing
    // prevention does not apply. The time stamp is a real server time for the same
    // reason.
    const long data[5] = {2, long(s.serverTime()), long(activeWindow(s)), 0, 0};
    const bool ok = s.sendClientMessage(s.rootWindow(), window, s.atom("_NET_ACTIVE_WINDOW"), data,
                                        SubstructureRedirectMask | SubstructureNotifyMask);
    s.flush();
    return ok;
}

bool iconifyWindow(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return false;
    const long data[5] = {IconicState, 0, 0, 0, 0};
    const bool ok = s.sendClientMessage(s.rootWindow(), window, s.atom("WM_CHANGE_STATE"), data,
                                        SubstructureRedirectMask | SubstructureNotifyMask);
    s.flush();
    return ok;
}

bool isMenuWindow(X11Session& s, Window window) {
    if (!s.isAvailable() || !window) return false;
    static const char* const menuTypes[] = {"_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                                            "_NET_WM_WINDOW_TYPE_MENU"};
    const QList<unsigned long> types = s.longsProperty(window, s.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM);
    for (const char* name : menuTypes)
        if (types.contains(s.atom(name))) return true;
    return false;
}

} // namespace ewmh
