#include "table/core/RbxTableGroup.h"
#include "model/CharacterText.h"
#include "common/ScopedInstance.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <numeric>

namespace {

std::vector<char32_t> run(char32_t first, std::size_t n) {
    std::vector<char32_t> v(n);
    std::iota(v.begin(), v.end(), first);
    return v;
}

RbxTableGroup makeGroup(std::vector<char32_t> chars, std::int32_t kind = RbxLayoutGroupKind) {
    auto g = RbxCharGroup::groupWithCharacters(std::move(chars));
    g->setGroupKind(kind);
    if (kind == RbxBasicGroupKind || kind == RbxRecentLayoutGroupKind) g->setShowsHeader(false);
    return RbxTableGroup(g);
}

RbxTableEnvironment env(double W = 400, double H = 300) {
    RbxTableEnvironment e;
    e.visibleSize = QSizeF(W, H);
    return e;
}

// The reference group: 25 characters, 40 × 40 cells, 10 per row, bottom at 100.
RbxTableGroup reference() {
    RbxTableGroup g = makeGroup(run(0x41, 25));
    g.setCharSize(QSizeF(40, 40), 100, 10, env());
    return g;
}

// Keeps the anchor and finds the anchor character in a list as the first position at or
// above it.
class TestLayout : public RbxLayoutAnchor {
public:
    std::size_t anchorIndexInCharacters(const std::vector<char32_t>& chars) const override {
        if (anchorCharacter() == GroupStart) return 0;
        return std::size_t(std::lower_bound(chars.begin(), chars.end(), anchorCharacter()) - chars.begin());
    }
};

} // namespace

TEST(TableGroup, ReferenceGroupGeometry) {
    const RbxTableGroup g = reference();
    EXPECT_EQ(g.bounds(), QRectF(0, 100, 400, 150));
    EXPECT_EQ(g.nRows(), 3);
    EXPECT_EQ(g.count(), 25u);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(45, 220)), 1u);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(45, 221)), kx::NotFound);
    EXPECT_EQ(g.rectForCharacterAtIndex(24), QRectF(160, 100, 40, 40));
    EXPECT_EQ(g.rectForCharacterAtIndex(0), QRectF(0, 180, 40, 40));
    EXPECT_EQ(g.bestTopOfCharacterAtIndex(5), 250);
    EXPECT_EQ(g.bestTopOfCharacterAtIndex(15), 180);
    EXPECT_EQ(g.bestTopOfCharacterAtIndex(25), 100);
    EXPECT_EQ(g.bestTopOfCharacterAtIndex(kx::NotFound), 100);

    EXPECT_EQ(g.headerArea(), QRectF(0, 221, 400, 29));
    EXPECT_EQ(g.disclosureArea(), QRectF(4, 222, 30, 29));
    EXPECT_EQ(g.headerTitleArea(), QRectF(34, 227, 366, 17));
    EXPECT_EQ(g.gridArea(), QRectF(0, 100, 400, 120));
    EXPECT_TRUE(g.headerContainsPoint(QPointF(45, 221)));
    EXPECT_TRUE(g.headerContainsPoint(QPointF(45, 249.5)));
    EXPECT_FALSE(g.headerContainsPoint(QPointF(45, 250)));
    EXPECT_FALSE(g.headerContainsPoint(QPointF(45, 219)));

    // The empty cells after the last character hit nothing, although inside the bounds.
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(205, 105)), kx::NotFound);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(165, 105)), 24u);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(0, 100.5)), 20u);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(400, 150)), kx::NotFound);
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(10, 99.9)), kx::NotFound);
    EXPECT_EQ(g.characterAtIndex(24), U'Y');
    EXPECT_EQ(g.characterAtIndex(25), 0u);
    EXPECT_EQ(g.characterAtIndex(kx::NotFound), 0u);
    EXPECT_TRUE(g.rectForCharacterAtIndex(25).isNull());
    EXPECT_TRUE(g.rectForCharacterAtIndex(kx::NotFound).isNull());
}

TEST(TableGroup, CollapsedAndHeaderlessGroups) {
    RbxTableGroup g = makeGroup(run(0x41, 25));
    g.group().setExpanded(false);
    g.setCharSize(QSizeF(40, 40), 100, 10, env());
    EXPECT_EQ(g.bounds(), QRectF(0, 100, 400, 30));
    EXPECT_EQ(g.indexOfCharacterAtPoint(QPointF(45, 105)), kx::NotFound);
    EXPECT_TRUE(g.rectForCharacterAtIndex(3).isNull());
    EXPECT_EQ(g.bestTopOfCharacterAtIndex(15), 130);

    RbxTableGroup basic = makeGroup(run(0x41, 25), RbxBasicGroupKind);
    basic.setCharSize(QSizeF(40, 40), 0, 10, env());
    EXPECT_EQ(basic.headerHeight(), 0);
    EXPECT_EQ(basic.bounds(), QRectF(0, 0, 400, 120));
    EXPECT_TRUE(basic.headerArea().isNull());
    EXPECT_TRUE(basic.disclosureArea().isNull());
    EXPECT_FALSE(basic.headerContainsPoint(QPointF(5, 119)));
    EXPECT_EQ(basic.indexOfCharacterAtPoint(QPointF(5, 119)), 0u);
    // Collapsing every group leaves a group without a header open.
    basic.group().setExpanded(false);
    EXPECT_TRUE(basic.isExpanded());
    basic.setCharSize(QSizeF(40, 40), 0, 10, env());
    EXPECT_EQ(basic.bounds(), QRectF(0, 0, 400, 120));

    // An empty ordinary group is only its header.
    RbxTableGroup empty = makeGroup({});
    empty.setCharSize(QSizeF(40, 40), 0, 10, env());
    EXPECT_EQ(empty.bounds(), QRectF(0, 0, 400, 30));
    EXPECT_EQ(empty.nRows(), 0);
    EXPECT_EQ(empty.bestTopOfCharacterAtIndex(0), 30);

    // A group without a character list counts 0 and answers nothing.
    RbxTableGroup none{std::make_shared<RbxCharGroup>()};
    none.setCharSize(QSizeF(40, 40), 0, 10, env());
    EXPECT_EQ(none.count(), 0u);
    EXPECT_EQ(none.characterAtIndex(0), 0u);
    EXPECT_EQ(none.indexOfCharacter(U'A', false), 0u);
    EXPECT_EQ(none.indexOfCharacter(U'A', true), kx::NotFound);
}

TEST(TableGroup, RecentGroupsAreCutToTheirRows) {
    RbxTableGroup recent = makeGroup(run(0x100, 50), RbxRecentGroupKind);
    RbxTableEnvironment e = env();
    e.recentLines = 0;
    recent.setCharSize(QSizeF(40, 40), 0, 8, e);
    EXPECT_EQ(recent.count(), 8u);
    EXPECT_EQ(recent.nRows(), 1);
    e.recentLines = 3;
    recent.setCharSize(QSizeF(40, 40), 0, 8, e);
    EXPECT_EQ(recent.count(), 24u);
    EXPECT_EQ(recent.bounds().height(), 30 + 3 * 40);
    // A character beyond the rows shown is not found.
    EXPECT_EQ(recent.indexOfCharacter(0x100 + 30, true), kx::NotFound);
    EXPECT_EQ(recent.indexOfCharacter(0x100 + 3, false), 3u);

    RbxTableGroup shortList = makeGroup(run(0x100, 5), RbxRecentGroupKind);
    shortList.setCharSize(QSizeF(40, 40), 0, 8, e);
    EXPECT_EQ(shortList.count(), 5u);

    // The recent layout's group: as many full rows as the visible height holds.
    RbxTableGroup recentLayout = makeGroup(run(0x100, 300), RbxRecentLayoutGroupKind);
    recentLayout.setCharSize(QSizeF(37, 37), 0, 6, env(222, 400));
    EXPECT_EQ(recentLayout.count(), 60u);
    EXPECT_EQ(recentLayout.nRows(), 10);
    // With no room for one row, or no cell height, nothing is cut and nothing fails.
    recentLayout.setCharSize(QSizeF(37, 0), 0, 6, env(222, 400));
    EXPECT_EQ(recentLayout.truncationCount(), 0);
    EXPECT_EQ(recentLayout.count(), 300u);
    EXPECT_EQ(recentLayout.indexOfCharacterAtPoint(QPointF(1, 0)), kx::NotFound);
}

TEST(TableGroup, FavouritesHintMessagesAndFittedBasicRows) {
    auto fav = RbxCharGroup::groupWithCharacters({});
    fav->setGroupKind(RbxFavoritesGroupKind);
    RbxTableGroup favorites(fav);
    RbxTableEnvironment e = env(500, 300);
    struct Hint : RbxFavoritesHint {
        mutable double measuredWidth = 0;
        double height(double width) const override {
            measuredWidth = width;
            return 17.0;
        }
    } hint;
    const double& measuredWidth = hint.measuredWidth;
    e.favoritesHint = &hint;
    favorites.setCharSize(QSizeF(40, 40), 20, 12, e);
    EXPECT_EQ(favorites.bounds(), QRectF(0, 20, 500, 57));
    EXPECT_EQ(measuredWidth, 500);
    fav->setExpanded(false);
    favorites.setCharSize(QSizeF(40, 40), 20, 12, e);
    EXPECT_EQ(favorites.bounds(), QRectF(0, 20, 500, 30));

    RbxTableGroup message(RbxCharGroup::groupWithMessage(4));
    message.setCharSize(QSizeF(40, 40), 0, 12, e);
    EXPECT_EQ(message.bounds(), QRectF(0, 0, 500, 300));
    EXPECT_EQ(message.headerHeight(), 0);

    // 95 characters, 16 per row (6 rows of 40): within 80 % of a visible height of 260
    // the rows stretch to fill it.
    RbxTableGroup basic = makeGroup(run(0x20, 95), RbxBasicGroupKind);
    RbxTableEnvironment fit = env(640, 260);
    fit.fitAscii = true;
    basic.setCharSize(QSizeF(40, 40), 0, 16, fit);
    EXPECT_DOUBLE_EQ(basic.charSize().height(), 260.0 / 6);
    EXPECT_DOUBLE_EQ(basic.bounds().height(), 260);
    fit.visibleSize = QSizeF(640, 320);
    basic.setCharSize(QSizeF(40, 40), 0, 16, fit);
    EXPECT_DOUBLE_EQ(basic.charSize().height(), 40);
    fit.fitAscii = false;
    fit.visibleSize = QSizeF(640, 260);
    basic.setCharSize(QSizeF(40, 40), 0, 16, fit);
    EXPECT_DOUBLE_EQ(basic.charSize().height(), 40);
    RbxTableGroup twoRows = makeGroup(run(0x20, 20), RbxBasicGroupKind);
    fit.fitAscii = true;
    fit.visibleSize = QSizeF(640, 85);
    twoRows.setCharSize(QSizeF(40, 40), 0, 16, fit);
    EXPECT_DOUBLE_EQ(twoRows.charSize().height(), 40);
    // The grid is always a whole number of pixels high.
    RbxTableGroup odd = makeGroup(run(0x20, 30));
    odd.setCharSize(QSizeF(40, 13.3), 0, 10, env());
    EXPECT_DOUBLE_EQ(odd.charSize().height(), 40.0 / 3);
    EXPECT_DOUBLE_EQ(odd.bounds().height(), 70);
}

TEST(TableGroup, SearchInAscendingRecentAndWrittenOrder) {
    RbxTableGroup sorted = makeGroup({0x41, 0x43, 0x45, 0x1F600});
    EXPECT_EQ(sorted.indexOfCharacter(0x43, true), 1u);
    EXPECT_EQ(sorted.indexOfCharacter(0x44, true), kx::NotFound);
    EXPECT_EQ(sorted.indexOfCharacter(0x44, false), 2u);
    EXPECT_EQ(sorted.indexOfCharacter(0x20000, false), 4u);
    EXPECT_EQ(sorted.indexOfCharacter(0x20, false), 0u);

    RbxTableGroup recent = makeGroup({0x45, 0x41, 0x43}, RbxRecentGroupKind);
    EXPECT_EQ(recent.indexOfCharacter(0x43, true), 2u);
    EXPECT_EQ(recent.indexOfCharacter(0x42, false), kx::NotFound);

    // A user layout keeps the written order: characters after larger ones are found.
    RbxTableGroup written = makeGroup({0x7A, 0x61, 0x2192, 0x41, 0x62});
    EXPECT_FALSE(written.group().isAscending());
    EXPECT_EQ(written.indexOfCharacter(0x41, true), 3u);
    EXPECT_EQ(written.indexOfCharacter(0x62, true), 4u);
    EXPECT_EQ(written.indexOfCharacter(0x63, true), kx::NotFound);
    // Not exact: the position of the smallest larger character, else the count.
    EXPECT_EQ(written.indexOfCharacter(0x63, false), 0u);
    EXPECT_EQ(written.indexOfCharacter(0x42, false), 1u);
    EXPECT_EQ(written.indexOfCharacter(0x3000, false), 5u);
}

TEST(TableGroup, ScrollAnchorIsKeptByTheLayout) {
    auto layout = std::make_shared<TestLayout>();
    auto data = RbxCharGroup::groupWithCharacters(run(0x41, 25));
    data->setLayout(layout, 3);
    RbxTableGroup g(data);
    g.setCharSize(QSizeF(40, 40), 100, 10, env());

    g.saveAnchorAtY(230); // on the header
    EXPECT_EQ(layout->anchorGroup(), 3);
    EXPECT_EQ(layout->anchorCharacter(), RbxLayoutAnchor::GroupStart);
    g.saveAnchorAtY(200); // first row
    EXPECT_EQ(layout->anchorCharacter(), RbxLayoutAnchor::GroupStart);
    g.saveAnchorAtY(150); // second row (d = 70): its first character
    EXPECT_EQ(layout->anchorCharacter(), char32_t(0x41 + 10));
    g.saveAnchorAtY(50); // below the rows: the last character
    EXPECT_EQ(layout->anchorCharacter(), char32_t(0x41 + 24));

    EXPECT_EQ(g.anchorY(), 140); // the anchor group: the best top of its character (index 24)
    layout->saveAnchorCharacter(0x41 + 12, 3);
    EXPECT_EQ(g.anchorY(), 180);
    layout->saveAnchorAtStartOfGroup(3);
    EXPECT_EQ(g.anchorY(), 250);
    layout->saveAnchorAtStartOfGroup(5);
    EXPECT_EQ(g.anchorY(), 0);      // before the anchor group
    layout->saveAnchorAtStartOfGroup(1);
    EXPECT_EQ(g.anchorY(), 250);    // after it: the group's top

    data->setExpanded(false);
    g.setCharSize(QSizeF(40, 40), 100, 10, env());
    g.saveAnchorAtY(105);
    EXPECT_EQ(layout->anchorCharacter(), RbxLayoutAnchor::GroupStart);
}

TEST(TableGroup, DirtyRangeCoversOnlyTouchedRowsAndColumns) {
    const RbxTableGroup g = reference(); // grid rows at y 180-220, 140-180, 100-140
    const auto all = g.dirtyRange(QRectF(0, 0, 1000, 1000));
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->firstIndex, 0u);
    EXPECT_EQ(all->endIndex, 25u);

    const auto part = g.dirtyRange(QRectF(85, 150, 50, 20)); // columns 2-3, row 1
    ASSERT_TRUE(part.has_value());
    EXPECT_EQ(part->firstRow, 1);
    EXPECT_EQ(part->lastRow, 1);
    EXPECT_EQ(part->firstColumn, 2);
    EXPECT_EQ(part->lastColumn, 3);
    EXPECT_EQ(part->firstIndex, 10u);
    EXPECT_EQ(part->endIndex, 20u);
    EXPECT_TRUE(part->isDrawn(12));
    EXPECT_TRUE(part->isDrawn(13));
    EXPECT_FALSE(part->isDrawn(14));
    EXPECT_FALSE(part->isDrawn(2));

    const auto lastRow = g.dirtyRange(QRectF(0, 100, 400, 10));
    ASSERT_TRUE(lastRow.has_value());
    EXPECT_EQ(lastRow->firstIndex, 20u);
    EXPECT_EQ(lastRow->endIndex, 25u);

    EXPECT_FALSE(g.dirtyRange(QRectF(0, 225, 400, 20)).has_value()); // the header only
    EXPECT_FALSE(g.dirtyRange(QRectF(0, 250, 400, 30)).has_value()); // touches the top
    EXPECT_FALSE(g.dirtyRange(QRectF(0, 0, 400, 100)).has_value());  // touches the bottom
    EXPECT_FALSE(g.meetsRect(QRectF(0, 250, 400, 0)));
}

TEST(TableGroup, HeaderClicks) {
    const RbxTableGroup g = reference();
    const QPointF triangle(10, 235), title(100, 235);
    EXPECT_EQ(g.headerClickAction(triangle, 1, 1, 0), RbxHeaderAction::ToggleGroup);
    EXPECT_EQ(g.headerClickAction(triangle, 1, 1, 0x80000), RbxHeaderAction::ToggleAllGroups);
    EXPECT_EQ(g.headerClickAction(title, 2, 1, 0), RbxHeaderAction::ToggleGroup);
    EXPECT_EQ(g.headerClickAction(title, 1, 1, 0), RbxHeaderAction::None);
    EXPECT_EQ(g.headerClickAction(title, 1, 3, 0), RbxHeaderAction::ShowMenu);
    EXPECT_EQ(g.headerClickAction(title, 1, 1, 0x40000), RbxHeaderAction::ShowMenu);
    EXPECT_EQ(g.headerClickAction(title, 1, 1, 0x40000 | 0x20000), RbxHeaderAction::None);
    EXPECT_EQ(g.headerClickAction(title, 1, 1, 0x40000 | 0x1), RbxHeaderAction::ShowMenu);

    RbxTableGroup basic = makeGroup(run(0x41, 5), RbxBasicGroupKind);
    basic.setCharSize(QSizeF(40, 40), 0, 10, env());
    EXPECT_EQ(basic.headerClickAction(QPointF(10, 35), 2, 1, 0), RbxHeaderAction::None);

    // The triangle points down when expanded and right when collapsed.
    const auto down = g.disclosureTriangle();
    const QPointF centre(19, 236.5);
    EXPECT_NEAR(down[0].x(), centre.x(), 1e-9);
    EXPECT_NEAR(down[0].y(), centre.y() - 5.5, 1e-9);
    EXPECT_GT(down[1].y(), centre.y());
    EXPECT_GT(down[2].y(), centre.y());
    RbxTableGroup collapsed = reference();
    collapsed.group().setExpanded(false);
    collapsed.setCharSize(QSizeF(40, 40), 100, 10, env());
    const auto right = collapsed.disclosureTriangle();
    EXPECT_NEAR(right[0].x(), 19 + 5.5, 1e-9);
    EXPECT_NEAR(right[0].y(), 116.5, 1e-9);
}

namespace {
// Flags stand for two regional indicators; U+A0001 is the flag "AB".
class FlagCharacters : public RbxVirtualCharacters {
public:
    bool isVirtualCharacter(char32_t c) const override { return c >= 0xA0000 && c <= 0xA02A3; }
    QString stringWithUTF32Character(char32_t c) const override {
        if (c != 0xA0001) return RbxVirtualCharacters::stringWithUTF32Character(c);
        return QStringLiteral("\U0001F1E6\U0001F1E7");
    }
};
} // namespace

TEST(TableGroup, NamesAndTextsOfTheCharacters) {
    rbxtest::ScopedInstance<RbxVirtualCharacters> flags(std::make_shared<FlagCharacters>());
    auto data = RbxCharGroup::groupWithCharacters({0x41, 0xA0001, 0x1F600});
    RbxTableGroup g(data);
    EXPECT_EQ(g.displayName(), QStringLiteral("??? (3)"));
    data->setName(QStringLiteral("Latin"));
    EXPECT_EQ(g.displayName(), QStringLiteral("Latin (3)"));
    EXPECT_EQ(g.description(), QStringLiteral("Latin (3)"));
    EXPECT_EQ(g.charactersAsString(), QStringLiteral("A\U0001F600"));
    EXPECT_EQ(g.allCharactersText(), QStringLiteral("A\U0001F1E6\U0001F1E7\U0001F600"));
    const QStringList lines = g.characterDescriptions(true).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("A\t65\tU+0041\t")));
    EXPECT_TRUE(lines[3].isEmpty());
}
