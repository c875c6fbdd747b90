// Where the magnifier goes beside a cell: above and centred, flipped below at the screen's
// top, kept on the screen with its arrow on the cell.
#include "table/core/RbxPopupPlacement.h"

#include <gtest/gtest.h>

using Edge = RbxPopupPlacement::ArrowEdge;

TEST(PopupPlacement, AboveTheCellCentredWithTheArrowOnIt) {
    const QRect screen(0, 0, 1280, 800);
    const RbxPopupPlacement p = placePopup(QRect(600, 400, 40, 40), QSize(260, 300), screen);
    EXPECT_EQ(p.arrowEdge, Edge::Bottom);
    EXPECT_EQ(p.topLeft, QPoint(620 - 130, 400 - 300));
    EXPECT_EQ(p.arrowX, 130);
}

TEST(PopupPlacement, FlippedBelowAtTheTopAndClampedAtEveryEdge) {
    const QRect screen(0, 0, 1280, 800);
    const QSize size(260, 300);
    // No room above: below the cell, arrow up.
    RbxPopupPlacement p = placePopup(QRect(600, 100, 40, 40), size, screen);
    EXPECT_EQ(p.arrowEdge, Edge::Top);
    EXPECT_EQ(p.topLeft.y(), 140);
    // Exactly room above: stays above.
    p = placePopup(QRect(600, 300, 40, 40), size, screen);
    EXPECT_EQ(p.arrowEdge, Edge::Bottom);
    EXPECT_EQ(p.topLeft.y(), 0);
    // Left edge: the popup starts at the screen's edge, the arrow still on the cell's centre.
    p = placePopup(QRect(0, 400, 40, 40), size, screen);
    EXPECT_EQ(p.topLeft.x(), 0);
    EXPECT_EQ(p.arrowX, 20);
    // Right edge.
    p = placePopup(QRect(1230, 400, 30, 30), size, screen);
    EXPECT_EQ(p.topLeft.x(), 1280 - 260);
    EXPECT_EQ(p.arrowX, 1245 - (1280 - 260));
    // At the very edge the arrow keeps its distance from the rounded corner.
    p = placePopup(QRect(1276, 400, 4, 4), size, screen, 16);
    EXPECT_EQ(p.arrowX, 260 - 16);
    // A cell at the very corner: the arrow keeps its distance from the rounded corner.
    p = placePopup(QRect(0, 400, 4, 4), size, screen, 16);
    EXPECT_EQ(p.arrowX, 16);
    // No room above nor below (a short screen): kept on the screen.
    p = placePopup(QRect(600, 100, 40, 40), size, QRect(0, 0, 1280, 350));
    EXPECT_EQ(p.arrowEdge, Edge::Top);
    EXPECT_EQ(p.topLeft.y(), 50);
    // A screen that does not start at 0 (a second monitor).
    p = placePopup(QRect(1290, 900, 40, 40), size, QRect(1280, 800, 1024, 768));
    EXPECT_EQ(p.topLeft, QPoint(1280, 940));
    EXPECT_EQ(p.arrowEdge, Edge::Top);
}
