#include "kxlib/gui/MenuExtensions.h"

#include <QMenu>
#include <QWidget>

namespace kx::menu {

QPoint pullDownPosition(const QRect& view, const QPointF& offset) {
    return QPoint(view.left() + qRound(offset.x()), view.top() + view.height() + qRound(offset.y()));
}

void pullDownBelow(QMenu& menu, QWidget& view, double offset) { pullDownBelow(menu, view, QPointF(0, offset)); }

void pullDownBelow(QMenu& menu, QWidget& view, const QPointF& offset) {
    menu.popup(pullDownPosition(QRect(view.mapToGlobal(QPoint(0, 0)), view.size()), offset));
}

QPoint popUpPosition(const QRect& view) { return view.topLeft() - QPoint(0, 15); }

void popUpAt(QMenu& menu, const QPointF&, QWidget& view, int) {
    menu.popup(popUpPosition(QRect(view.mapToGlobal(QPoint(0, 0)), view.size())));
}

} // namespace kx::menu
