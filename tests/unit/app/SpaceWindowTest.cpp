// The spaces-fix window: invisible from its making until it is shown, then half
// transparent and frameless.
#include "app/KXSpaceWinController.h"

#include <gtest/gtest.h>

TEST(SpaceWindow, InvisibleUntilShownThenHalfTransparent) {
    KXSpaceWinController window;
    EXPECT_EQ(window.windowOpacity(), 0.0);
    EXPECT_FALSE(window.isVisible());
    window.showWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_NEAR(window.windowOpacity(), 0.5, 0.01);  // kept in eight bits
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("SpaceWindow"));
}
