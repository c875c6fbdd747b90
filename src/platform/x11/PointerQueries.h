#pragma once
// What the pointer is doing on the display: whether a button is held down, and which
// client's window lies under a point. Neutral answers (false, 0) without a display.
#include "platform/x11/X11Session.h"

#include <QPoint>

namespace pointer {

// Some mouse button is held down now (the pointer's button state).
bool anyButtonDown(X11Session& session);
// The process (_NET_WM_PID) of the topmost managed window whose frame holds the point;
// 0 when none does or it names no process.
int pidOfWindowAt(X11Session& session, const QPoint& screenPoint);

} // namespace pointer
