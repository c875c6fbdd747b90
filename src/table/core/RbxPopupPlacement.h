#pragma once
// Where a popover beside a cell goes on the screen: above the cell and centred on it,
// its arrow pointing down at the cell; flipped below the cell, arrow up, when there is no
// room above; always kept on the screen, the arrow still pointing at the cell where it
// can. Screen coordinates, y down.

#include <QPoint>
#include <QRect>
#include <QSize>

struct RbxPopupPlacement {
    // The edge of the popup that carries the arrow.
    enum class ArrowEdge { Bottom, Top };

    QPoint topLeft;
    ArrowEdge arrowEdge = ArrowEdge::Bottom;
    // The arrow's tip, from the popup's left edge.
    int arrowX = 0;
};

// `size` is the whole popup, arrow included; `margin` is the room kept between the arrow
// and the popup's corners.
RbxPopupPlacement placePopup(const QRect& cell, const QSize& size, const QRect& screen, int margin = 16);
