// The character table's link to the palette: the window controller answers the table's
// questions, the table posts through the insertion road, the tracking closes the palette
// when the mouse leaves it, and an insertion brings the recent characters into the table.
#include "PaletteFixture.h"

#include "app/PaletteTable.h"
#include "insertion/RbxPoster.h"
#include "model/RbxRecentLayout.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxCharTracking.h"

#include <QDialog>
#include <QLineEdit>

namespace {

RbxCharView& viewOf(RbxCharWindowController& c) { return *c.table().view(); }

bool hasRecentGroupWith(const RbxCharView& view, char32_t ch) {
    for (const RbxTableGroup& g : view.groups()) {
        if (g.groupKind() != RbxRecentGroupKind) continue;
        for (std::size_t i = 0; i < g.count(); ++i)
            if (g.characterAtIndex(i) == ch) return true;
    }
    return false;
}

} // namespace

TEST_F(Palette, TheTableAsksTheWindowControllerAndPostsThroughTheInsertionRoad) {
    RbxCharView& view = viewOf(*c);
    EXPECT_NE(dynamic_cast<RbxPoster*>(&view.posting()), nullptr);
    EXPECT_EQ(view.controller().searchField(), static_cast<QWidget*>(c->searchField()));
    EXPECT_FALSE(view.controller().hasAttachedSheet());

    // Opening the palette installs the table's tracking; a sheet is tracked while it is on.
    c->openWindow(c);
    EXPECT_TRUE(view.tracking().isTracking(RbxCharTracking::WindowArea));
    EXPECT_TRUE(view.tracking().isTracking(RbxCharTracking::ViewArea));
    QDialog sheet;
    ASSERT_EQ(c->sheets().beginSheet(&sheet, QStringLiteral("test"), nullptr), SheetHost::Begin::Began);
    EXPECT_TRUE(view.tracking().isTracking(RbxCharTracking::SheetArea));
    EXPECT_TRUE(view.controller().hasAttachedSheet());
    c->closeSheet();
    EXPECT_FALSE(view.tracking().isTracking(RbxCharTracking::SheetArea));

    // "mouse outside closes": leaving the palette fades it out after a moment.
    store->setBool(true, QStringLiteral("mouse outside closes"));
    view.tracking().windowEntered();
    view.tracking().windowExited();
    EXPECT_TRUE(c->isWindowVisible());
    EXPECT_TRUE(waitClosed());

    // Coming back before the fade begins keeps it open.
    c->openWindow(c);
    view.tracking().windowEntered();
    view.tracking().windowExited();
    view.tracking().windowEntered();
    rbxtest::spinEventLoop(1200);
    EXPECT_TRUE(c->isWindowVisible());
}

TEST_F(Palette, AnInsertionBringsTheRecentCharactersIntoTheTable) {
    store->setInteger(2, QStringLiteral("recentLines"));
    RbxCharView& view = viewOf(*c);
    const char32_t ch = view.characterAtIndex(5);
    ASSERT_NE(ch, 0u);
    EXPECT_FALSE(hasRecentGroupWith(view, ch));
    RbxRecentLayout::recentLayout()->addRecentCharacter(ch, c->table().repertoire());
    view.controller().updateRecentGroup();
    EXPECT_TRUE(hasRecentGroupWith(view, ch));
    // A second one goes into the group that is there now.
    const char32_t other = view.characterAtIndex(view.table().totalCount() - 1);
    RbxRecentLayout::recentLayout()->addRecentCharacter(other, c->table().repertoire());
    view.controller().updateRecentGroup();
    EXPECT_TRUE(hasRecentGroupWith(view, other));
    EXPECT_TRUE(hasRecentGroupWith(view, ch));
}
