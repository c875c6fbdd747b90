#pragma once
// What a user does on the test desktop, done through the X server as a user's devices
// would (xdotool without --window: XTest input that goes where the pointer and the
// keyboard focus are), and what the tests look at: windows of a process and their frames.
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QPoint>
#include <QRect>

namespace x11test {

// The last-mapped top-level window of a process (waits up to 10 s); 0 when none came.
X11Session::Window windowOfPid(int pid);
// A window's inside (without the window manager's frame) in screen coordinates.
QRect frameOf(X11Session::Window window);
// The process of the active window; 0 for none.
int activePid();

// The pointer moves to a point of the screen.
void pointTo(const QPoint& p);
// Presses and releases the left button where the pointer is.
void click();
// Types text, or presses a key by its X name ("Escape", "ctrl+2"), on the keyboard.
void type(const QString& text);
void key(const QString& name);

// A point of the screen outside `frame`, away from the screen's corners.
QPoint pointOutside(const QRect& frame);

// Switches the desktop's own accessibility service (AT-SPI, started by the session bus)
// on: applications started from now on serve their accessible objects. Answers the
// error, empty on success.
QString switchAccessibilityOn();

} // namespace x11test
