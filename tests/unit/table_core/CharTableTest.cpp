#include "table/core/RbxCharTable.h"

#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"

#include <QSet>
#include <gtest/gtest.h>
#include <numeric>

namespace {

std::shared_ptr<RbxCharGroup> group(char32_t first, std::size_t n, const QString& name = QString()) {
    std::vector<char32_t> v(n);
    std::iota(v.begin(), v.end(), first);
    auto g = RbxCharGroup::groupWithCharacters(std::move(v));
    if (!name.isEmpty()) g->setName(name);
    return g;
}

RbxTableEnvironment env(double W, double H) {
    RbxTableEnvironment e;
    e.visibleSize = QSizeF(W, H);
    return e;
}

class TestLayout : public RbxLayoutAnchor {
public:
    std::size_t anchorIndexInCharacters(const std::vector<char32_t>& chars) const override {
        if (anchorCharacter() == GroupStart) return 0;
        return std::size_t(std::lower_bound(chars.begin(), chars.end(), anchorCharacter()) - chars.begin());
    }
};

// Three groups in a 400-wide view of 40 × 40 cells: 25, 7 and 12 characters; the second
// also holds 0x42, which the first holds too.
struct ThreeGroups {
    RbxCharTable table;
    ThreeGroups(double visibleHeight = 100) {
        auto second = RbxCharGroup::groupWithCharacters({0x42, 0x300, 0x301, 0x302, 0x303, 0x304, 0x305});
        table.setGroups({group(0x41, 25, QStringLiteral("First")), second, group(0x1000, 12)});
        table.layout(QSizeF(40, 40), 400, env(400, visibleHeight));
    }
};

} // namespace

TEST(CharTable, GroupsStackUpwardsAndShortTablesHugTheTop) {
    ThreeGroups t;
    const auto& g = t.table.groups();
    // Bottom-up: 12 characters = 2 rows (110), 7 = 1 row (70), 25 = 3 rows (150).
    EXPECT_EQ(g[2].bounds(), QRectF(0, 0, 400, 110));
    EXPECT_EQ(g[1].bounds(), QRectF(0, 110, 400, 70));
    EXPECT_EQ(g[0].bounds(), QRectF(0, 180, 400, 150));
    EXPECT_EQ(t.table.tableHeight(), 330);

    ThreeGroups tall(1000);
    EXPECT_EQ(tall.table.tableHeight(), 1000);
    EXPECT_EQ(tall.table.groups()[0].top(), 1000);
    EXPECT_EQ(tall.table.groups()[2].bounds(), QRectF(0, 670, 400, 110));
}

TEST(CharTable, CellsStretchToFillTheRowAndNarrowViewsStillWork) {
    RbxCharTable table;
    table.setGroups({group(0x41, 30)});
    table.layout(QSizeF(48, 48), 500, env(500, 300));
    EXPECT_EQ(table.charactersPerRow(), 10);
    EXPECT_DOUBLE_EQ(table.charSize().width(), 50);
    EXPECT_EQ(table.groups()[0].bounds().width(), 500);

    // Narrower than one cell: one cell per row, as wide as the view.
    table.layout(QSizeF(48, 48), 30, env(30, 300));
    EXPECT_EQ(table.charactersPerRow(), 1);
    EXPECT_DOUBLE_EQ(table.charSize().width(), 30);
    EXPECT_EQ(table.groups()[0].nRows(), 30);
    // An unsized view and a zero cell width divide nothing by zero.
    table.layout(QSizeF(48, 48), 0, env(0, 0));
    EXPECT_EQ(table.charactersPerRow(), 1);
    EXPECT_DOUBLE_EQ(table.charSize().width(), 48);
    table.layout(QSizeF(0, 0), 400, env(400, 300));
    EXPECT_EQ(table.charactersPerRow(), 1);
    EXPECT_EQ(table.indexOfCharacterAtPoint(QPointF(1, 1)), kx::NotFound);
    EXPECT_EQ(table.tableHeight(), 300);
}

TEST(CharTable, GlobalIndexesAddTheCountsOfEarlierGroups) {
    ThreeGroups t;
    RbxCharTable& table = t.table;
    EXPECT_EQ(table.totalCount(), 44u);
    EXPECT_EQ(table.firstIndexOfGroup(2), 32u);
    // Second group, second cell (top row at 110 + 70 - 30 = 150 down to 110).
    EXPECT_EQ(table.indexOfCharacterAtPoint(QPointF(45, 120)), 26u);
    EXPECT_EQ(table.indexOfCharacterAtPoint(QPointF(45, 160)), kx::NotFound); // its header
    EXPECT_EQ(table.indexOfCharacterAtPoint(QPointF(45, 5)), 32u + 11u);
    EXPECT_EQ(table.indexOfCharacterAtPoint(QPointF(45, 400)), kx::NotFound);
    EXPECT_EQ(table.characterAtIndex(26), 0x300u);
    EXPECT_EQ(table.rectForCharacterAtIndex(26), QRectF(40, 110, 40, 40));
    EXPECT_EQ(table.groupAtIndex(26), &table.groups()[1]);
    EXPECT_EQ(table.characterAtIndex(44), 0u);
    EXPECT_TRUE(table.rectForCharacterAtIndex(44).isNull());
    EXPECT_EQ(table.groupAtIndex(44), nullptr);
    EXPECT_EQ(table.groupAtIndex(kx::NotFound), nullptr);

    // A character in two groups: the lower group wins.
    EXPECT_EQ(table.indexOfCharacter(0x42), 25u);
    EXPECT_EQ(table.indexOfCharacter(0x43), 2u);
    EXPECT_EQ(table.indexOfCharacter(0x1005), 37u);
    EXPECT_EQ(table.indexOfCharacter(0), kx::NotFound);
    EXPECT_EQ(table.indexOfCharacter(0x5000), kx::NotFound);

    const QRectF visible(0, 100, 400, 100);
    EXPECT_EQ(table.groupAtPoint(QPointF(45, 150), visible), &table.groups()[1]);
    EXPECT_EQ(table.groupAtPoint(QPointF(45, 50), visible), nullptr); // not visible
    EXPECT_TRUE(RbxCharTable::isGroupVisible(table.groups()[0], visible));
    EXPECT_FALSE(RbxCharTable::isGroupVisible(table.groups()[0], QRectF(0, 80, 400, 100)));
    EXPECT_EQ(table.indexOfFirstVisibleGroup(330), 0u);
    EXPECT_EQ(table.indexOfFirstVisibleGroup(183), 1u);
    EXPECT_EQ(table.indexOfFirstVisibleGroup(184), 0u);
    EXPECT_EQ(table.indexOfFirstVisibleGroup(50), 2u);
    EXPECT_EQ(table.indexOfFirstVisibleGroup(2), 0u);
}

TEST(CharTable, ScrollingToCharactersAndKeepingTheAnchor) {
    auto layout = std::make_shared<TestLayout>();
    RbxCharTable table;
    auto a = group(0x41, 25), b = group(0x100, 40), c = group(0x200, 30);
    a->setLayout(layout, 2);
    b->setLayout(layout, 3);
    c->setLayout(layout, 4);
    table.setGroups({a, b, c});
    table.layout(QSizeF(40, 40), 400, env(400, 200));
    // c: 3 rows (0-150), b: 4 rows (150-340), a: 3 rows (340-490).
    EXPECT_EQ(table.tableHeight(), 490);
    EXPECT_EQ(table.yForCharacter(0x100 + 25), 340 - 30 - 2 * 40);
    EXPECT_EQ(table.yForCharacter(0x5000), 490);
    EXPECT_EQ(table.yForCharacter(0), 490);
    EXPECT_EQ(RbxCharTable::scrollOriginForY(230, 200), 30);
    EXPECT_EQ(RbxCharTable::scrollOriginForY(150, 200), 0);

    // The user scrolled so that the visible top is at 234: in b, row 2.
    table.saveAnchorCharacter(234);
    EXPECT_EQ(layout->anchorGroup(), 3);
    EXPECT_EQ(layout->anchorCharacter(), char32_t(0x100 + 20));
    EXPECT_EQ(table.anchorTop(), 230);

    // Narrower view: 5 per row; the anchor character stays at the visible top.
    table.layout(QSizeF(40, 40), 200, env(200, 200));
    const double top = table.anchorTop();
    const std::size_t index = table.indexOfCharacter(0x100 + 20);
    EXPECT_EQ(top, table.rectForCharacterAtIndex(index).y() + 40);

    // Anchor at the start of the first group: its top, the table's top.
    layout->saveAnchorAtStartOfGroup(2);
    EXPECT_EQ(table.anchorTop(), table.tableHeight());
    // No group qualifies below the visible top: nothing saved.
    layout->saveAnchorCharacter(0x41, 2);
    table.saveAnchorCharacter(3);
    EXPECT_EQ(layout->anchorCharacter(), char32_t(0x41));

    EXPECT_EQ(table.topKeepingDistance(490, 400), table.tableHeight() - 90);
}

TEST(CharTable, ConversionToAScrollAreaWithYDown) {
    ThreeGroups t; // table height 330, viewport 400 × 100
    const QSizeF viewport(400, 100);
    EXPECT_EQ(t.table.visibleRectForScrollValue(0, viewport), QRectF(0, 230, 400, 100));
    EXPECT_EQ(t.table.visibleRectForScrollValue(230, viewport), QRectF(0, 0, 400, 100));
    EXPECT_EQ(t.table.scrollValueForY(330, viewport), 0);
    EXPECT_EQ(t.table.scrollValueForY(150, viewport), 180);
    EXPECT_EQ(t.table.scrollValueForY(20, viewport), 230); // clamped at the bottom
    EXPECT_EQ(t.table.scrollValueForY(5000, viewport), 0);
    // The first cell of the table in the viewport at the top.
    const QRectF cell = t.table.rectForCharacterAtIndex(0);
    EXPECT_EQ(t.table.viewportRectFromTable(cell, 0), QRectF(0, 30, 40, 40));
    EXPECT_EQ(t.table.tableRectFromViewport(QRectF(0, 30, 40, 40), 0), cell);
    const QPointF p = t.table.tablePointFromViewport(QPointF(5.5, 30.5), 0);
    EXPECT_EQ(t.table.indexOfCharacterAtPoint(p), 0u);
    EXPECT_EQ(t.table.indexOfCharacterAtPoint(t.table.tablePointFromViewport(QPointF(5.5, 29.5), 0)),
              kx::NotFound);
}

TEST(CharTable, ExpandingAllGroupsRecordsTheDefault) {
    rbxtest::ScopedInstance<RbxDefaults> store(RbxDefaults::open(QStringLiteral("test.chartable")));
    RbxDefaults& settings = *store;
    settings.setPrefersExpanded(false, QStringLiteral("Second"));
    RbxCharTable table;
    table.setGroups({group(0x41, 5, QStringLiteral("First")), group(0x61, 5, QStringLiteral("Second"))});
    EXPECT_TRUE(table.groups()[0].isExpanded());
    EXPECT_FALSE(table.groups()[1].isExpanded());
    table.expandAllGroups(false);
    EXPECT_TRUE(settings.boolForKey(QStringLiteral("defaultBlocksCollapsed")));
    EXPECT_FALSE(table.groups()[0].isExpanded());
    EXPECT_FALSE(settings.isExpandedGroup(QStringLiteral("First")));
    EXPECT_FALSE(settings.isExpandedGroup(QStringLiteral("Elsewhere")));
    table.layout(QSizeF(40, 40), 400, env(400, 10));
    EXPECT_EQ(table.tableHeight(), 60);
    table.expandAllGroups(true);
    EXPECT_FALSE(settings.boolForKey(QStringLiteral("defaultBlocksCollapsed")));
    EXPECT_TRUE(settings.isExpandedGroup(QStringLiteral("Second")));
    EXPECT_TRUE(settings.isExpandedGroup(QStringLiteral("Elsewhere")));
}
