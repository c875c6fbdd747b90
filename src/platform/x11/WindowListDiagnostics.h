#pragma once
// A diagnosis for an activator that disappeared: the windows the window manager keeps,
// logged from bottom to top, with the full-screen ones marked.

#include "platform/x11/X11Session.h"

#include <QRect>

namespace ewmh {

// Logs "START", a line "w-info(n): …" for each managed window (title, class, process,
// frame), "FULL-SCREEN" after each one that is full screen (its state says so or its
// frame covers `screen`) and "END". True when a window's state says it is full screen: a
// window that just left that state may still cover the screen until the window manager
// has made it smaller again.
bool logWindowList(X11Session& session, const QRect& screen);

} // namespace ewmh
