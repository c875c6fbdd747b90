// The table's selection and mouse: hover, presses and releases, other buttons, hot
// corners, the magnifier, postponed updates.
#include "SelectionFixture.h"

#include <algorithm>

TEST_F(Selection, HoverFollowsTheMouseOnlyWhileItIsInsideTheWindowWithoutMenusOrSheets) {
    make({});
    moveTo(centre(3));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound) << "the mouse has not entered the window";
    view->tracking().windowEntered();
    EXPECT_EQ(controller->activations, 1);
    EXPECT_GE(controller->fadeStops, 1);
    EXPECT_EQ(view->selectedCharIndex(), 3u);
    moveTo(centre(5));
    EXPECT_EQ(view->selectedCharacter(), U'F');

    // A menu anywhere freezes the table's hover: the selection goes; closing it restores
    // the state that matches the mouse.
    view->tracking().menuOpened();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    moveTo(centre(6));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    view->tracking().menuClosed();
    EXPECT_EQ(view->selectedCharIndex(), 6u);

    // An attached sheet, or the mouse in a sheet: no hover selection.
    controller->sheet = true;
    moveTo(centre(7));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    controller->sheet = false;
    moveTo(centre(8));
    EXPECT_EQ(view->selectedCharIndex(), 8u);

    // Leaving the view deselects.
    cursor = QPoint(-500, -500);
    view->tracking().viewExited();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
}

TEST_F(Selection, ThePressedCellIsInsertedOnceAtRelease) {
    make({});
    view->tracking().windowEntered();
    // Press in one cell, drag to another, release: the second is inserted.
    press(centre(2));
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::LeftClick);
    EXPECT_TRUE(view->isAutoScrolling());
    moveTo(centre(4), Qt::LeftButton);
    release(centre(4));
    EXPECT_EQ(postedText(), QStringLiteral("E"));
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);
    EXPECT_FALSE(view->isAutoScrolling());
    EXPECT_EQ(controller->recentUpdates, 1) << "after posting";

    // A double click inserts once.
    press(centre(1));
    release(centre(1));
    send(QEvent::MouseButtonDblClick, centre(1), Qt::LeftButton);
    release(centre(1));
    EXPECT_EQ(postedText(), QStringLiteral("EB"));

    // Released outside the table (dragged out): nothing; on a header: nothing.
    press(centre(2));
    moveTo(QPoint(200, 400), Qt::LeftButton);
    release(QPoint(200, 400));
    click(QPoint(200, 10));
    EXPECT_EQ(postedText(), QStringLiteral("EB"));

    // "insertion closes": the palette fades out at once after an insertion.
    RbxDefaults::userDefaults().setBool(true, QStringLiteral("insertion closes"));
    click(centre(0));
    EXPECT_EQ(postedText(), QStringLiteral("EBA"));
    ASSERT_FALSE(controller->fades.isEmpty());
    EXPECT_EQ(controller->fades.last(), qMakePair(0.0, 0.0));
}

TEST_F(Selection, OtherButtonsMarkFontsOrOpenTheMenuAndNeverInsert) {
    make({});
    view->tracking().windowEntered();
    // Middle click and Command-click (Ctrl) mark the fonts holding the character.
    click(centre(2), Qt::MiddleButton);
    click(centre(3), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(controller->marked, (QList<char32_t>{U'C', U'D'}));
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);

    // Right click and Control-click (Super) open the context menu; the release that follows
    // leaves no press behind, and the next left click inserts as usual.
    press(centre(4), Qt::RightButton);
    EXPECT_TRUE(view->tracking().contextMenuOpen());
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);
    release(centre(4), Qt::RightButton);
    closePopups();
    EXPECT_FALSE(view->tracking().contextMenuOpen());
    press(centre(5), Qt::LeftButton, Qt::MetaModifier);
    closePopups();
    EXPECT_EQ(controller->menusAskedFor, (QList<char32_t>{U'E', U'F'}));
    EXPECT_TRUE(posting->posted.isEmpty());
    click(centre(6));
    EXPECT_EQ(postedText(), QStringLiteral("G"));

    // Command-click on empty space is a press that inserts nothing.
    const QPoint empty = centre(25) + QPoint(int(view->charSize().width()), 0);
    ASSERT_EQ(view->indexOfCharacterAtViewportPoint(empty), kx::NotFound);
    press(empty, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::OtherClick);
    release(empty, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);
    EXPECT_EQ(postedText(), QStringLiteral("G"));
    EXPECT_EQ(controller->marked.size(), 2);
}

TEST_F(Selection, TheHotCornerOfAnEmojiCellOpensItsPictureMenu) {
    RbxDefaults::userDefaults().setDouble(90, QStringLiteral("relativeFontSize"));
    // B is an emoji of the colour emoji font that takes a skin tone.
    sources->emoji = kx::CharSet();
    sources->emoji->addCharacter(U'B');
    sources->modifiable = kx::CharSet();
    sources->modifiable->addCharacter(U'B');
    sources->textOrEmoji = kx::CharSet();
    sources->textOrEmoji->addCharacter(U'C');
    make({}, 600, 400);
    view->tracking().windowEntered();
    const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(1));
    ASSERT_GE(std::min(cell.width(), cell.height()), 45);
    const QPoint corner(int(cell.right()) - 4, int(cell.bottom()) - 4);
    moveTo(corner);
    ASSERT_EQ(view->selectedCharacter(), U'B');
    press(corner);
    EXPECT_EQ(controller->menusAskedFor, QList<char32_t>{U'B'});
    EXPECT_TRUE(view->tracking().contextMenuOpen());
    ASSERT_TRUE(QApplication::activePopupWidget());
    EXPECT_EQ(static_cast<QMenu*>(QApplication::activePopupWidget())->title(), QStringLiteral("Skins"));
    release(corner);
    EXPECT_TRUE(posting->posted.isEmpty());
    closePopups();
    EXPECT_FALSE(view->tracking().contextMenuOpen());
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);

    // Just left of the corner square: an ordinary press, inserted at release.
    const double s = RbxCharView::hotCornerSize(cell.size());
    EXPECT_EQ(s, 16);
    const QPoint beside(int(std::floor(cell.left() + cell.width() - s)) - 2, int(cell.bottom()) - 4);
    click(beside);
    EXPECT_EQ(postedText(), QStringLiteral("B"));

    // The text-or-emoji set opens the other menu; small cells have a smaller corner.
    const QRectF c2 = view->viewportRectFromTable(view->rectForCharacterAtIndex(2));
    const QPoint corner2(int(c2.right()) - 3, int(c2.bottom()) - 3);
    moveTo(corner2);
    press(corner2);
    ASSERT_TRUE(QApplication::activePopupWidget());
    EXPECT_EQ(static_cast<QMenu*>(QApplication::activePopupWidget())->title(), QStringLiteral("EmojiText"));
    closePopups();
    EXPECT_DOUBLE_EQ(RbxCharView::hotCornerSize(QSizeF(30, 40)), 16.0 * 30 / 45);
}

TEST_F(Selection, ShiftInvertsTheMagnifierSetting) {
    make({});
    view->tracking().windowEntered();
    moveTo(centre(2));
    EXPECT_FALSE(popover->shown);
    // The palette sees no key events of its own: Shift is noticed while the mouse is in it.
    modifiers = 0x20000;
    EXPECT_TRUE(rbxtest::waitFor([&] { return popover->shown; }, 1000));
    EXPECT_EQ(popover->character, U'C');
    EXPECT_LE((popover->cell.center() - view->viewport()->mapToGlobal(centre(2))).manhattanLength(), 2);
    // Moving from cell to cell keeps the popover and shows the new character.
    moveTo(centre(3));
    EXPECT_TRUE(popover->shown);
    EXPECT_EQ(popover->character, U'D');

    RbxDefaults::userDefaults().setBool(true, QStringLiteral("magnify"));
    view->selection().selectionRectChanged();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !popover->shown; }, 1000));
    modifiers = 0;
    view->selection().selectionRectChanged();
    EXPECT_TRUE(popover->shown);
    // No selection, no magnifier.
    view->tracking().menuOpened();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !popover->shown; }, 1000));
}

namespace {

// The view's selection each time an event is delivered, without repeats.
class SelectionHistory : public QObject {
public:
    explicit SelectionHistory(const RbxCharView& view) : view_(view) {
        note();
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~SelectionHistory() override { QCoreApplication::instance()->removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent*) override {
        note();
        return false;
    }
    // Whether `later` was the selection at some time after `earlier` was.
    bool seenAfter(std::size_t earlier, std::size_t later) {
        note();
        const auto first = std::find(seen_.begin(), seen_.end(), earlier);
        return first != seen_.end() && std::find(first + 1, seen_.end(), later) != seen_.end();
    }

private:
    void note() {
        const std::size_t now = view_.selectedCharIndex();
        if (seen_.empty() || seen_.back() != now) seen_.push_back(now);
    }
    const RbxCharView& view_;
    std::vector<std::size_t> seen_;
};

} // namespace

TEST_F(Selection, SuppressedAndPostponedUpdatesKeepTheSelectionForAWhile) {
    make({});
    view->tracking().windowEntered();
    moveTo(centre(2));
    view->selection().suppressSelectionUpdate(0.3f);
    EXPECT_TRUE(view->selection().updateSuppressed());
    moveTo(centre(3));
    EXPECT_EQ(view->selectedCharIndex(), 2u);
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == 3u; }, 2000));
    EXPECT_FALSE(view->selection().updateSuppressed());

    view->selection().reselectAfterScrolling();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == 3u; }, 2000));

    // A programmatic selection scrolls the cell near the middle and blinks it.
    std::vector<char32_t> many = letters(0x100, 0x8FF);
    view->setGroups({group(QStringLiteral("Many"), many, font())});
    view->tracking().menuOpened();
    view->selection().selectAndShowCharacterAtIndex(1500);
    EXPECT_EQ(view->selectedCharIndex(), 1500u);
    const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(1500));
    EXPECT_TRUE(QRectF(view->viewport()->rect()).contains(cell));
    EXPECT_EQ(view->selection().clickButton(), RbxCharView::NoClick);
    // The blink's steps are a tenth of a second apart: they are read as events are
    // delivered, so that a slow machine firing two at once cannot hide one.
    SelectionHistory history(*view);
    EXPECT_TRUE(rbxtest::waitFor([&] { return history.seenAfter(1500u, kx::NotFound); }, 5000));
    EXPECT_TRUE(rbxtest::waitFor([&] { return history.seenAfter(kx::NotFound, 1500u); }, 5000));
}
