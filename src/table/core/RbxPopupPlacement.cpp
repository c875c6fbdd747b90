#include "table/core/RbxPopupPlacement.h"

#include <algorithm>

RbxPopupPlacement placePopup(const QRect& cell, const QSize& size, const QRect& screen, int margin) {
    RbxPopupPlacement p;
    const int w = size.width(), h = size.height();
    // QRect's right and bottom are the last pixels inside; the edges are one further.
    const int cellBottom = cell.top() + cell.height();
    const int screenRight = screen.left() + screen.width(), screenBottom = screen.top() + screen.height();
    const int centre = cell.left() + cell.width() / 2;

    int x = centre - w / 2;
    x = std::max(screen.left(), std::min(x, screenRight - w));
    int y = cell.top() - h;
    if (y < screen.top()) {
        y = cellBottom;
        p.arrowEdge = RbxPopupPlacement::ArrowEdge::Top;
    }
    y = std::max(screen.top(), std::min(y, screenBottom - h));
    p.topLeft = QPoint(x, y);
    const int lowest = std::min(margin, w / 2), highest = std::max(lowest, w - margin);
    p.arrowX = std::clamp(centre - x, lowest, highest);
    return p;
}
