#pragma once
// Placing top-level windows on the screens (see KXWindowPlacement for the rules).

class QScreen;
class QWidget;

namespace kx::window {

// Centres the window in the screen's full geometry (not its available part) and shows it.
void centerOnScreen(QWidget* window, QScreen* screen);
void centerOnMainScreen(QWidget* window);

// Moves the window onto the screen's available geometry (nullptr: the primary screen)
// when it is not inside it, cutting it to that size first.
void moveToScreen(QWidget* window, QScreen* screen);

// After screens changed: a minimised window is left alone; while a mouse button is held
// the operation is tried again 0.1 s later; a window that some screen shows whole stays;
// else it moves onto the screen it overlaps most (or the nearest one).
void makeCompletelyVisible(QWidget* window);

} // namespace kx::window
