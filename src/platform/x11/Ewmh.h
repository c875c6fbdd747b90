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

} // namespace ewmh
