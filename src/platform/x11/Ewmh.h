#pragma once
// The window manager's view of the desktop (Extended Window Manager Hints): the active
// window, the managed windows, their processes and states, and the requests a pager
// makes (activate, iconify). Every function answers neutrally (0, empty, false) when
// the session has no display or the window manager does not publish the hint.

#include "platform/x11/X11Session.h"

#include <QList>
#include <QString>

namespace ewmh {

using Window = X11Session::Window;

// A window manager that speaks EWMH is running (_NET_SUPPORTING_WM_CHECK).
bool isSupported(X11Session& session);

Window activeWindow(X11Session& session);
// Managed windows in mapping order / in stacking order, bottom to top.
QList<Window> clientList(X11Session& session);
QList<Window> clientListStacking(X11Session& session);

// _NET_WM_PID of a window, 0 when not set.
int windowPid(X11Session& session, Window window);
// The windows of a process in stacking order, bottom to top.
QList<Window> windowsOfPid(X11Session& session, int pid);

// _NET_WM_STATE contains _NET_WM_STATE_FULLSCREEN.
bool isFullscreen(X11Session& session, Window window);
// The active window is a full-screen window (another application occupies the screen).
bool activeWindowIsFullscreen(X11Session& session);

struct WindowClass {
    QString instance;  // first part of WM_CLASS
    QString className; // second part
};
WindowClass windowClass(X11Session& session, Window window);
// _NET_WM_NAME, else WM_NAME.
QString windowTitle(X11Session& session, Window window);

// Asks the window manager to activate (raise and focus) a window, as a pager does.
bool activateWindow(X11Session& session, Window window);
// Asks the window manager to iconify a window (ICCCM WM_CHANGE_STATE).
bool iconifyWindow(X11Session& session, Window window);

// _NET_WM_WINDOW_TYPE names a menu (drop-down, pop-up or torn-off).
bool isMenuWindow(X11Session& session, Window window);

// Our own top-level windows. Qt makes them on its own connection; their hints are written
// on that connection, so that they keep their order with Qt's own requests. The atoms
// come from the session's table. Nothing happens without a session display.
struct OwnWindow {
    xcb_connection_t* connection = nullptr;  // the connection that made the window
    Window window = 0;
};
// Before mapping: on every desktop (_NET_WM_DESKTOP 0xFFFFFFFF and _NET_WM_STATE_STICKY,
// merged with the states already set) or where the window manager puts it.
void prepareForMapping(X11Session& session, const OwnWindow& window, bool allDesktops);
// After mapping: asks the window manager to make the window sticky on all desktops or to
// put it on the current desktop only.
void setStickyMapped(X11Session& session, const OwnWindow& window, bool sticky);
// A window that does not take the focus offers neither the input hint nor WM_TAKE_FOCUS,
// so no window manager hands it the focus.
void setTakesFocus(X11Session& session, const OwnWindow& window, bool takesFocus);

} // namespace ewmh
