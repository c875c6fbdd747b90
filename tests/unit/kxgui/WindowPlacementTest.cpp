#include "kxlib/gui/KXWindowPlacement.h"

#include <gtest/gtest.h>

using namespace kx::placement;

TEST(WindowPlacement, CentringAndMovingOntoAScreen) {
    EXPECT_EQ(centeredInFrame(QRectF(5, 5, 200, 100), QRectF(0, 0, 1000, 800)), QRectF(400, 350, 200, 100));
    EXPECT_EQ(centeredInFrame(QRectF(5, 5, 200, 100), QRectF(1000, 0, 1000, 800)), QRectF(1400, 350, 200, 100));

    const QRectF visible(0, 30, 1000, 770); // a panel at the top
    const QRectF inside(100, 100, 300, 200);
    EXPECT_EQ(movedToVisibleFrame(inside, visible), inside);
    // Entirely beyond the right edge: back on, right edge at the visible right edge.
    EXPECT_EQ(movedToVisibleFrame(QRectF(1500, 100, 300, 200), visible), QRectF(700, 100, 300, 200));
    // Under the panel: moved down onto the visible part.
    EXPECT_EQ(movedToVisibleFrame(QRectF(100, 0, 300, 200), visible), QRectF(100, 30, 300, 200));
    // Wider and taller than the screen: cut to the visible size.
    EXPECT_EQ(movedToVisibleFrame(QRectF(-50, -50, 2000, 2000), visible), visible);
    // Beyond the left and bottom edges.
    EXPECT_EQ(movedToVisibleFrame(QRectF(-400, 700, 300, 200), visible), QRectF(0, 600, 300, 200));
}

TEST(WindowPlacement, CompletelyVisibleChoosesTheScreenOfLargestOverlapElseTheNearest) {
    const QList<QRectF> screens = {QRectF(0, 0, 1000, 800), QRectF(1000, 0, 1000, 800)};
    // Shown whole by one screen: nothing to do.
    EXPECT_FALSE(screenForCompletelyVisible(QRectF(1100, 100, 300, 300), screens, 0).has_value());
    EXPECT_FALSE(completelyVisibleFrame(QRectF(1100, 100, 300, 300), screens, 0).has_value());
    // Straddling: more of it on the right screen.
    EXPECT_EQ(screenForCompletelyVisible(QRectF(900, 100, 300, 300), screens, 0), 1);
    EXPECT_EQ(completelyVisibleFrame(QRectF(900, 100, 300, 300), screens, 0), QRectF(1000, 100, 300, 300));
    EXPECT_EQ(screenForCompletelyVisible(QRectF(800, 100, 300, 300), screens, 1), 0);
    // Off every screen: the nearest by its gap; apart on both axes the smaller gap counts.
    EXPECT_EQ(screenForCompletelyVisible(QRectF(2100, 100, 100, 100), screens, 0), 1);
    EXPECT_EQ(screenForCompletelyVisible(QRectF(-300, 900, 100, 100), screens, 1), 0);
    const QList<QRectF> stacked = {QRectF(0, 0, 1000, 800), QRectF(3000, 900, 500, 500)};
    // Apart from screen 0 on both axes (gaps 1000 and 200): its smaller gap, 200, beats
    // screen 1's single gap of 900.
    EXPECT_EQ(screenForCompletelyVisible(QRectF(2000, 1000, 100, 100), stacked, 1), 0);
    // Equal gaps: the first screen found.
    const QList<QRectF> twins = {QRectF(0, 0, 100, 100), QRectF(300, 0, 100, 100)};
    EXPECT_EQ(screenForCompletelyVisible(QRectF(150, 0, 100, 100), twins, 1), 0);
    // A window wider than every screen is cut to the target's width.
    EXPECT_EQ(completelyVisibleFrame(QRectF(-100, 10, 3000, 200), screens, 0), QRectF(0, 10, 1000, 200));
    // No screens at all: the main screen's index.
    EXPECT_EQ(screenForCompletelyVisible(QRectF(0, 0, 10, 10), {}, 3), 3);
}

TEST(WindowPlacement, BorderMasksOfPointsAndTheirStrips) {
    const QRectF r(100, 100, 200, 150);
    EXPECT_EQ(borderForPoint(QPointF(99, 120), r), NoBorder);
    EXPECT_EQ(borderForPoint(QPointF(200, 170), r), NoBorder);
    // Single edges count within 3 of the edge only.
    EXPECT_EQ(borderForPoint(QPointF(101, 170), r), LeftBorder);
    EXPECT_EQ(borderForPoint(QPointF(105, 170), r), NoBorder);
    EXPECT_EQ(borderForPoint(QPointF(298, 170), r), RightBorder);
    EXPECT_EQ(borderForPoint(QPointF(200, 101), r), TopBorder);
    EXPECT_EQ(borderForPoint(QPointF(200, 248), r), BottomBorder);
    EXPECT_EQ(borderForPoint(QPointF(200, 244), r), NoBorder);
    // Corners count within the 9 × 9 square.
    EXPECT_EQ(borderForPoint(QPointF(107, 107), r), LeftBorder | TopBorder);
    EXPECT_EQ(borderForPoint(QPointF(293, 243), r), RightBorder | BottomBorder);
    EXPECT_EQ(borderForPoint(QPointF(107, 243), r), LeftBorder | BottomBorder);

    EXPECT_TRUE(borderRect(NoBorder, r).isEmpty());
    EXPECT_EQ(borderRect(LeftBorder, r), QRectF(100, 100, 9, 150));
    EXPECT_EQ(borderRect(BottomBorder, r), QRectF(100, 241, 200, 9));
    EXPECT_EQ(borderRect(RightBorder | TopBorder, r), QRectF(291, 100, 9, 9));

    EXPECT_EQ(addFrameBorder(QRectF(0, 100, 50, 50)), QRectF(0, 78, 50, 72));
    EXPECT_EQ(removeFrameBorder(addFrameBorder(QRectF(0, 100, 50, 50))), QRectF(0, 100, 50, 50));
}

TEST(WindowPlacement, ResizingKeepsLimitsAndTheOppositeEdge) {
    const QRectF visible(0, 30, 1000, 770);
    const QRectF start(200, 200, 300, 200);
    const QSizeF min(150, 100), max(600, 500);
    // Dragging the left border beyond the minimum width: minimum width, right edge fixed.
    EXPECT_EQ(resizedFrame(start, LeftBorder, QPointF(250, 0), visible, min, max), QRectF(350, 200, 150, 200));
    EXPECT_EQ(resizedFrame(start, LeftBorder, QPointF(-50, 40), visible, min, max), QRectF(150, 200, 350, 200));
    // The maximum holds as well.
    EXPECT_EQ(resizedFrame(start, RightBorder, QPointF(900, 0), visible, min, max), QRectF(200, 200, 600, 200));
    // The left edge stays 20 left of the visible right edge (and then the minimum applies).
    const QRectF wide(100, 200, 1800, 200);
    EXPECT_EQ(resizedFrame(wide, LeftBorder, QPointF(1500, 0), visible, QSizeF(10, 10), QSizeF()),
              QRectF(980, 200, 920, 200));
    // The right edge keeps the window's right at least 20 right of the visible left edge.
    EXPECT_EQ(resizedFrame(QRectF(-500, 200, 600, 200), RightBorder, QPointF(-200, 0), visible, QSizeF(10, 10),
                           QSizeF()),
              QRectF(-500, 200, 520, 200));
    // The bottom edge stays within the visible frame.
    EXPECT_EQ(resizedFrame(start, BottomBorder, QPointF(0, 900), visible, min, QSizeF()),
              QRectF(200, 200, 300, 600));
    // The top edge: never above the visible top, never within 30 of the visible bottom.
    EXPECT_EQ(resizedFrame(start, TopBorder, QPointF(0, -500), visible, min, QSizeF()), QRectF(200, 30, 300, 370));
    EXPECT_EQ(resizedFrame(QRectF(200, 600, 300, 300), TopBorder, QPointF(0, 250), visible, QSizeF(10, 10),
                           QSizeF()),
              QRectF(200, 770, 300, 130));
    // A corner moves both edges.
    EXPECT_EQ(resizedFrame(start, RightBorder | BottomBorder, QPointF(10, 20), visible, min, max),
              QRectF(200, 200, 310, 220));
}
