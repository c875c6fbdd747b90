#include "model/RbxPopUpModel.h"

#include <gtest/gtest.h>

TEST(PopUpModel, TitlesAreUniqueAndTheSelectionFollowsItsItem) {
    RbxPopUpModel p;
    p.addItem(QStringLiteral("a"));
    p.addItem(QStringLiteral("b"));
    p.addSeparator();
    p.addSeparator();  // separators may repeat
    p.addItem(QStringLiteral("c"));
    EXPECT_EQ(p.titles(), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("-"), QStringLiteral("-"),
                                       QStringLiteral("c")}));
    p.selectItemAt(1);
    EXPECT_EQ(p.titleOfSelectedItem(), QStringLiteral("b"));

    // Inserting a present title moves it; the selection stays on "b".
    p.insertItem(QStringLiteral("c"), 0);
    EXPECT_EQ(p.titles(), QStringList({QStringLiteral("c"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("-"),
                                       QStringLiteral("-")}));
    EXPECT_EQ(p.titleOfSelectedItem(), QStringLiteral("b"));
    p.addItem(QStringLiteral("a"));
    EXPECT_EQ(p.indexOfItemWithTitle(QStringLiteral("a")), 4);
    EXPECT_EQ(p.count(), 5);
    EXPECT_EQ(p.titleOfSelectedItem(), QStringLiteral("b"));
    EXPECT_EQ(p.indexOfItemWithTitle(QStringLiteral("-")), -1);

    // Out-of-range indexes are clamped or ignored.
    p.insertItem(QStringLiteral("z"), 99);
    EXPECT_EQ(p.titles().last(), QStringLiteral("z"));
    p.insertSeparator(-5);
    EXPECT_TRUE(p.itemAt(0).separator);
    p.removeItemAt(99);
    p.setImage(99, QStringLiteral("x"));
    EXPECT_EQ(p.count(), 7);

    // Removing the selected item leaves nothing selected.
    const int b = p.indexOfItemWithTitle(QStringLiteral("b"));
    p.setImage(b, QStringLiteral("check"));
    EXPECT_EQ(p.itemAt(b).image, QStringLiteral("check"));
    p.removeItemAt(b);
    EXPECT_EQ(p.indexOfSelectedItem(), -1);
    EXPECT_EQ(p.titleOfSelectedItem(), QString());
    p.selectItemAt(42);
    EXPECT_EQ(p.indexOfSelectedItem(), -1);
    p.removeAllItems();
    EXPECT_EQ(p.count(), 0);
}
