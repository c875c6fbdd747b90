#pragma once
// What the window manager must know of the palette, as X11 window properties on the
// palette's native window: shown on every desktop (_NET_WM_DESKTOP 0xFFFFFFFF and
// _NET_WM_STATE_STICKY), and whether the window takes the focus (WM_HINTS input and
// WM_TAKE_FOCUS). Nothing happens on other platforms.

#include "platform/x11/Ewmh.h"

#include <optional>

class QWidget;

namespace panelhints {

// The window's native window on Qt's own connection, once Qt has made it on X11.
std::optional<ewmh::OwnWindow> ownWindow(QWidget* window);

// Before mapping: the desktop and the sticky state (merged with the states already set).
void prepareForMapping(QWidget* window, bool allDesktops);
// After mapping: asks the window manager to make the window sticky on all desktops or
// to put it on the current desktop only.
void setStickyMapped(QWidget* window, bool sticky);
// A window that does not take the focus offers neither the input hint nor
// WM_TAKE_FOCUS, so no window manager hands it the focus.
void setTakesFocus(QWidget* window, bool takesFocus);

} // namespace panelhints
