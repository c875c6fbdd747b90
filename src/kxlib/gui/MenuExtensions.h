#pragma once
// Menus shown from a view without a menu bar: pulled down below it, or popped up over it.
// Both return at once; the menu tracks the mouse until it closes. Main thread only.

#include <QPoint>
#include <QPointF>
#include <QRect>

class QMenu;
class QWidget;

namespace kx::menu {

// Where a menu pulled down from a view (its rectangle on the screen) appears: at the
// view's bottom-left corner moved by `offset` (x to the right, y downwards).
QPoint pullDownPosition(const QRect& viewOnScreen, const QPointF& offset);
// Pulls the menu down below the view, `offset` points lower (a negative offset overlaps
// the view's bottom edge).
void pullDownBelow(QMenu& menu, QWidget& view, double offset);
void pullDownBelow(QMenu& menu, QWidget& view, const QPointF& offset);

// Where a menu popped up over a view appears: its first item over the view's top edge,
// the menu's top 15 points above it.
QPoint popUpPosition(const QRect& viewOnScreen);
// Pops the menu up over the view. The point and the item number have no effect.
void popUpAt(QMenu& menu, const QPointF& point, QWidget& view, int select);

} // namespace kx::menu
