// The table's selection, mouse, keys and tracking on the offscreen platform: where the
// mouse is comes from the test (the view's mouse locator), the window controller is a
// recording one.
#include "TableFixture.h"

#include "table/core/RbxGeometry.h"
#include "table/widgets/RbxFontTableView.h"
#include "table/widgets/RbxGroupButton.h"
#include "table/widgets/RbxMenuWatch.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QVBoxLayout>

namespace {

struct RecordingController : RbxCharViewController {
    bool sheet = false;
    bool key = false;
    int activations = 0, deactivations = 0, fadeStops = 0, recentUpdates = 0;
    QList<QPair<double, double>> fades;
    QList<char32_t> marked, info, menusAskedFor;
    QList<int> views;
    int resets = 0, markSelected = 0;
    QPointer<QWidget> search, fonts;
    bool giveMenus = true;

    bool hasAttachedSheet() const override { return sheet; }
    bool isKeyWindow() const override { return key; }
    void activateApplication() override { ++activations; }
    void deactivateApplication() override { ++deactivations; }
    void fadeOut(double d, double delay) override { fades.append({d, delay}); }
    void stopMouseOutsideFading() override { ++fadeStops; }
    QWidget* searchField() const override { return search; }
    QWidget* fontListView() const override { return fonts; }
    void markFontsContainingCharacter(char32_t c) override { marked << c; }
    void markFontsContainingSelectedCharacter() override { ++markSelected; }
    void resetMarkedFonts() override { ++resets; }
    void showInfoForCharacter(char32_t c) override { info << c; }
    void changeViewTo(int v) override { views << v; }
    void updateRecentGroup() override { ++recentUpdates; }
    std::unique_ptr<QMenu> menu(const QString& title, char32_t c) {
        menusAskedFor << c;
        if (!giveMenus) return nullptr;
        auto m = std::make_unique<QMenu>(title);
        m->addAction(title);
        return m;
    }
    std::unique_ptr<QMenu> contextMenu(char32_t c) override { return menu(QStringLiteral("Runebox"), c); }
    std::unique_ptr<QMenu> skinsMenu(char32_t c) override { return menu(QStringLiteral("skins"), c); }
    std::unique_ptr<QMenu> emojiTextMenu(char32_t c) override { return menu(QStringLiteral("text"), c); }
};

struct RecordingPopover : RbxMagnifierPopover {
    bool shown = false;
    char32_t character = 0;
    QRect cell;
    void show(char32_t c, const rbx::Font&, const QRect& r) override {
        shown = true;
        character = c;
        cell = r;
    }
    void close() override { shown = false; }
    bool isShown() const override { return shown; }
};

class Selection : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        controller = std::make_shared<RecordingController>();
        posting = std::make_shared<RecordingPosting>();
        popover = std::make_shared<RecordingPopover>();
        RbxDefaults::userDefaults().setBool(false, QStringLiteral("magnify"));
    }
    void TearDown() override {
        closePopups();
        TableTest::TearDown();
    }

    RbxCharView& make(std::vector<std::shared_ptr<RbxCharGroup>> groups, int w = 400, int h = 300) {
        const rbx::Font f = font();
        if (groups.empty()) groups = {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)};
        makeView(w, h, f, groups);
        view->setController(controller);
        view->setPosting(posting);
        view->setMagnifierPopover(popover);
        view->setMouseLocator([this] { return cursor; });
        view->setModifierSource([this] { return modifiers; });
        return *view;
    }
    QPoint centre(std::size_t i) const {
        return view->viewportRectFromTable(view->rectForCharacterAtIndex(i)).center().toPoint();
    }
    // Moves the mouse (the view reads the location outside the events, as on screen).
    void moveTo(const QPoint& p, Qt::MouseButtons held = Qt::NoButton) {
        cursor = view->viewport()->mapToGlobal(p);
        QMouseEvent e(QEvent::MouseMove, QPointF(p), QPointF(cursor), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &e);
    }
    void send(QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::KeyboardModifiers m = {}) {
        cursor = view->viewport()->mapToGlobal(p);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent e(type, QPointF(p), QPointF(cursor), button, held, m);
        QApplication::sendEvent(view->viewport(), &e);
    }
    void press(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        send(QEvent::MouseButtonPress, p, b, m);
    }
    void release(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        send(QEvent::MouseButtonRelease, p, b, m);
    }
    void click(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        press(p, b, m);
        release(p, b, m);
    }
    bool key(int k, Qt::KeyboardModifiers m = {}, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, k, m, text);
        return view->handleKey(&e);
    }
    QString postedText() const {
        QString s;
        for (const auto& [c, str] : posting->posted) s += QString::fromUcs4(&c, 1);
        return s;
    }
    static void closePopups() {
        while (QWidget* p = QApplication::activePopupWidget()) p->close();
        QApplication::processEvents();
    }

    std::shared_ptr<RecordingController> controller;
    std::shared_ptr<RecordingPosting> posting;
    std::shared_ptr<RecordingPopover> popover;
    QPoint cursor{-1000, -1000};
    std::uint32_t modifiers = 0;
};

} // namespace

TEST_F(Selection, HoverFollowsTheMouseOnlyWhileItIsInsideTheWindowWithoutMenusOrSheets) {
    make({});
    moveTo(centre(3));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound) << "the mouse has not entered the window";
    view->windowEntered();
    EXPECT_EQ(controller->activations, 1);
    EXPECT_GE(controller->fadeStops, 1);
    EXPECT_EQ(view->selectedCharIndex(), 3u);
    moveTo(centre(5));
    EXPECT_EQ(view->selectedCharacter(), U'F');

    // A menu anywhere freezes the table's hover: the selection goes; closing it restores
    // the state that matches the mouse.
    view->menuOpened();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    moveTo(centre(6));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    view->menuClosed();
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
    view->viewExited();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
}

TEST_F(Selection, ThePressedCellIsInsertedOnceAtRelease) {
    make({});
    view->windowEntered();
    // Press in one cell, drag to another, release: the second is inserted.
    press(centre(2));
    EXPECT_EQ(view->clickButton(), RbxCharView::LeftClick);
    EXPECT_TRUE(view->isAutoScrolling());
    moveTo(centre(4), Qt::LeftButton);
    release(centre(4));
    EXPECT_EQ(postedText(), QStringLiteral("E"));
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);
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
    view->windowEntered();
    // Middle click and Command-click (Ctrl) mark the fonts holding the character.
    click(centre(2), Qt::MiddleButton);
    click(centre(3), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(controller->marked, (QList<char32_t>{U'C', U'D'}));
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);

    // Right click and Control-click (Super) open the context menu; the release that follows
    // leaves no press behind, and the next left click inserts as usual.
    press(centre(4), Qt::RightButton);
    EXPECT_TRUE(view->contextMenuOpen());
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);
    release(centre(4), Qt::RightButton);
    closePopups();
    EXPECT_FALSE(view->contextMenuOpen());
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
    EXPECT_EQ(view->clickButton(), RbxCharView::OtherClick);
    release(empty, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);
    EXPECT_EQ(postedText(), QStringLiteral("G"));
    EXPECT_EQ(controller->marked.size(), 2);
}

TEST_F(Selection, TheHotCornerOfAnEmojiCellOpensItsPictureMenu) {
    RbxDefaults::userDefaults().setDouble(90, QStringLiteral("relativeFontSize"));
    sources->modifiable = kx::CharSet();
    sources->modifiable->addCharacter(U'B');
    sources->textOrEmoji = kx::CharSet();
    sources->textOrEmoji->addCharacter(U'C');
    make({}, 600, 400);
    view->windowEntered();
    const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(1));
    ASSERT_GE(std::min(cell.width(), cell.height()), 45);
    const QPoint corner(int(cell.right()) - 4, int(cell.bottom()) - 4);
    moveTo(corner);
    ASSERT_EQ(view->selectedCharacter(), U'B');
    press(corner);
    EXPECT_EQ(controller->menusAskedFor, QList<char32_t>{U'B'});
    EXPECT_TRUE(view->contextMenuOpen());
    ASSERT_TRUE(QApplication::activePopupWidget());
    EXPECT_EQ(static_cast<QMenu*>(QApplication::activePopupWidget())->title(), QStringLiteral("Skins"));
    release(corner);
    EXPECT_TRUE(posting->posted.isEmpty());
    closePopups();
    EXPECT_FALSE(view->contextMenuOpen());
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);

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
    view->windowEntered();
    moveTo(centre(2));
    EXPECT_FALSE(popover->shown);
    modifiers = 0x20000;
    view->selectionRectChanged();
    EXPECT_TRUE(popover->shown);
    EXPECT_EQ(popover->character, U'C');
    EXPECT_LE((popover->cell.center() - view->viewport()->mapToGlobal(centre(2))).manhattanLength(), 2);
    // Moving from cell to cell keeps the popover and shows the new character.
    moveTo(centre(3));
    EXPECT_TRUE(popover->shown);
    EXPECT_EQ(popover->character, U'D');

    RbxDefaults::userDefaults().setBool(true, QStringLiteral("magnify"));
    view->selectionRectChanged();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !popover->shown; }, 1000));
    modifiers = 0;
    view->selectionRectChanged();
    EXPECT_TRUE(popover->shown);
    // No selection, no magnifier.
    view->menuOpened();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !popover->shown; }, 1000));
}

TEST_F(Selection, FixedShortcutsCopyMarkAndSwitchViews) {
    make({});
    view->windowEntered();
    // Without a selection the commands take the key and do nothing; reset needs none.
    EXPECT_TRUE(key(Qt::Key_C, Qt::ControlModifier));
    EXPECT_TRUE(clipboard->strings.isEmpty());
    EXPECT_TRUE(key(Qt::Key_R, Qt::ControlModifier));
    EXPECT_EQ(controller->resets, 1);

    moveTo(centre(4));   // "E"
    EXPECT_TRUE(key(Qt::Key_C, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_D, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_X, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(clipboard->strings, (QStringList{QStringLiteral("E"), QStringLiteral("69"), QStringLiteral("U+0045"),
                                               QStringLiteral("\\u{0045}")}));
    EXPECT_TRUE(key(Qt::Key_I, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_K, Qt::ControlModifier));
    EXPECT_EQ(controller->info, QList<char32_t>{U'E'});
    EXPECT_EQ(controller->markSelected, 1);
    // Other combinations are no shortcuts.
    QKeyEvent altC(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(view->handleHardWiredShortcut(&altC));
    // The copied cell blinks and ends selected.
    rbxtest::spinEventLoop(600);
    EXPECT_EQ(view->selectedCharIndex(), 4u);

    // Command-1 ... Command-4 switch the view; not with a sheet attached.
    EXPECT_TRUE(key(Qt::Key_1, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_2, Qt::ControlModifier));
    controller->sheet = true;
    QKeyEvent c3(QEvent::KeyPress, Qt::Key_3, Qt::ControlModifier);
    EXPECT_FALSE(view->viewSelectionKeyEvent(&c3));
    EXPECT_FALSE(view->handleHardWiredShortcut(&c3));
    EXPECT_EQ(controller->views, (QList<int>{3, 10}));
}

TEST_F(Selection, ALetterTypedInTheTableLandsInTheSearchField) {
    QWidget page;
    page.setAttribute(Qt::WA_DontShowOnScreen);
    auto* layout = new QVBoxLayout(&page);
    auto* field = new QLineEdit;
    layout->addWidget(field);
    make({});
    view->setParent(&page);
    layout->addWidget(view.get());
    page.resize(400, 340);
    page.show();
    controller->search = field;
    view->setFocus();
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(view.get(), &a);
    EXPECT_TRUE(a.isAccepted());
    ASSERT_TRUE(rbxtest::waitFor([&] { return field->text() == QStringLiteral("a"); }, 2000)) << field->text().toStdString();
    EXPECT_EQ(page.focusWidget(), field);
    // Escape is not taken by the table; with "view" 4 or more no key is.
    EXPECT_FALSE(key(Qt::Key_Escape));
    RbxDefaults::userDefaults().setInteger(4, QStringLiteral("view"));
    EXPECT_FALSE(key(Qt::Key_B, {}, QStringLiteral("b")));
    view->setParent(nullptr);
}

TEST_F(Selection, ArrowsAndPageKeysJumpBetweenGroups) {
    const rbx::Font f = font();
    std::vector<std::shared_ptr<RbxCharGroup>> groups;
    for (int i = 0; i < 4; ++i)
        groups.push_back(group(QStringLiteral("G%1").arg(i), letters(char32_t(0x100 + i * 200), char32_t(0x100 + i * 200 + 150)), f));
    make(groups, 400, 300);
    using rbx::geom::maxY;
    auto visibleTop = [&] { return maxY(view->scrollArea()); };
    ASSERT_NEAR(visibleTop(), view->groups()[0].top(), 1);
    // Page Up at the top of the first group does nothing.
    key(Qt::Key_PageUp);
    EXPECT_NEAR(visibleTop(), view->groups()[0].top(), 1);
    key(Qt::Key_Down);
    EXPECT_NEAR(visibleTop(), view->groups()[1].top(), 1);
    key(Qt::Key_PageDown);
    EXPECT_NEAR(visibleTop(), view->groups()[2].top(), 1);
    // Scrolled into a group, Up goes to that group's start, then to the one before.
    view->scrollToY(view->groups()[2].top() - 60);
    key(Qt::Key_Up);
    EXPECT_NEAR(visibleTop(), view->groups()[2].top(), 1);
    key(Qt::Key_Up);
    EXPECT_NEAR(visibleTop(), view->groups()[1].top(), 1);
    key(Qt::Key_End);
    EXPECT_NEAR(view->scrollArea().y(), 0, 1);
    const double bottomTop = visibleTop();
    key(Qt::Key_PageDown);
    EXPECT_NEAR(visibleTop(), bottomTop, 1) << "Page Down on the last group does nothing";
    key(Qt::Key_Home);
    EXPECT_NEAR(visibleTop(), view->tableHeight(), 1);
    view->navigate(Qt::Key_Space);
    EXPECT_NEAR(visibleTop(), view->tableHeight() - view->viewport()->height(), 1);
}

TEST_F(Selection, LeavingThePaletteHandsTheKeysBackAndMayCloseIt) {
    make({});
    controller->key = true;
    view->windowEntered();
    view->windowExited();
    EXPECT_EQ(controller->deactivations, 1);
    EXPECT_TRUE(controller->fades.isEmpty()) << "\"mouse outside closes\" is off";

    RbxDefaults::userDefaults().setBool(true, QStringLiteral("mouse outside closes"));
    view->windowEntered();
    view->windowExited();
    EXPECT_EQ(controller->fades, (QList<QPair<double, double>>{{0.3, 0.5}}));

    // From the table into the font list: still inside, no fade; leaving both fades.
    view->windowEntered();
    view->fontsEntered();
    view->windowExited();
    EXPECT_EQ(controller->fades.size(), 1);
    view->fontsExited();
    EXPECT_EQ(controller->fades.size(), 2);

    // With the magnifier shown, leaving changes nothing.
    view->windowEntered();
    popover->shown = true;
    const int deactivations = controller->deactivations;
    view->windowExited();
    EXPECT_EQ(controller->deactivations, deactivations);
    EXPECT_EQ(controller->fades.size(), 2);
    popover->shown = false;

    // A miniaturised palette has no tracking and does not fade.
    EXPECT_TRUE(view->isTracking(RbxCharView::WindowArea));
    view->windowEntered();
    view->setMiniaturized(true);
    EXPECT_FALSE(view->isTracking(RbxCharView::WindowArea));
    EXPECT_FALSE(view->isTracking(RbxCharView::ViewArea));
    EXPECT_EQ(controller->fades.size(), 2);
    view->setupViewTracking();
    EXPECT_FALSE(view->isTracking(RbxCharView::WindowArea));
    view->setMiniaturized(false);
    EXPECT_TRUE(view->isTracking(RbxCharView::WindowArea));
}

TEST_F(Selection, ClosingASheetUnderTheMouseCountsAsEnteringTheWindow) {
    make({});
    QWidget sheet;
    view->windowEntered();
    const int before = controller->activations;
    view->setSheetTracking(&sheet, true);
    EXPECT_TRUE(view->mouseInSheet());
    EXPECT_TRUE(view->isTracking(RbxCharView::SheetArea));
    moveTo(centre(1));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    view->setSheetTracking(&sheet, false);
    EXPECT_FALSE(view->mouseInSheet());
    EXPECT_FALSE(view->isTracking(RbxCharView::SheetArea));
    EXPECT_GT(controller->activations, before);
    EXPECT_EQ(view->selectedCharIndex(), 1u);
    // While a sheet is attached the palette neither takes nor gives the keys.
    controller->sheet = true;
    controller->key = true;
    const int a = controller->activations, d = controller->deactivations;
    view->activateWindow(true);
    view->activateWindow(false);
    EXPECT_EQ(controller->activations, a);
    EXPECT_EQ(controller->deactivations, d);
}

TEST_F(Selection, EnterAndLeaveEventsDriveTheTracking) {
    make({});
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(view->window(), &enter);
    EXPECT_TRUE(view->mouseInWindow());
    QApplication::sendEvent(view.get(), &enter);
    EXPECT_TRUE(view->mouseInView());
    QApplication::sendEvent(view.get(), &leave);
    EXPECT_FALSE(view->mouseInView());
    QApplication::sendEvent(view->window(), &leave);
    // Leaving the window is handled on the next turn of the event loop.
    EXPECT_TRUE(rbxtest::waitFor([&] { return !view->mouseInWindow(); }, 1000));

    // The menu watch reports this application's pop-up menus.
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    menu.popup(QPoint(10, 10));
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->menuOpen(); }, 1000));
    EXPECT_TRUE(RbxMenuWatch::shared().isMenuOpen());
    menu.close();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !view->menuOpen(); }, 1000));
}

TEST_F(Selection, SuppressedAndPostponedUpdatesKeepTheSelectionForAWhile) {
    make({});
    view->windowEntered();
    moveTo(centre(2));
    view->suppressSelectionUpdate(0.3f);
    EXPECT_TRUE(view->updateSuppressed());
    moveTo(centre(3));
    EXPECT_EQ(view->selectedCharIndex(), 2u);
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == 3u; }, 2000));
    EXPECT_FALSE(view->updateSuppressed());

    view->reselectAfterScrolling();
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == 3u; }, 2000));

    // A programmatic selection scrolls the cell near the middle and blinks it.
    std::vector<char32_t> many = letters(0x100, 0x8FF);
    view->setGroups({group(QStringLiteral("Many"), many, font())});
    view->menuOpened();
    view->selectAndShowCharacterAtIndex(1500);
    EXPECT_EQ(view->selectedCharIndex(), 1500u);
    const QRectF cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(1500));
    EXPECT_TRUE(QRectF(view->viewport()->rect()).contains(cell));
    EXPECT_EQ(view->clickButton(), RbxCharView::NoClick);
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == kx::NotFound; }, 1000));
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->selectedCharIndex() == 1500u; }, 1000));
}

TEST_F(Selection, GroupButtonListsTheGroupsAndScrollsToOne) {
    const rbx::Font f = font();
    auto favourites = group(QStringLiteral("Favorites"), letters(U'a', U'e'), f);
    favourites->setGroupKind(RbxFavoritesGroupKind);
    std::vector<std::shared_ptr<RbxCharGroup>> groups{favourites};
    for (int i = 0; i < 3; ++i)
        groups.push_back(group(QStringLiteral("G%1").arg(i), letters(char32_t(0x100 + i * 300), char32_t(0x100 + i * 300 + 199)), f));
    make(groups);
    RbxGroupButton button(view.get());
    auto menu = button.groupsMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 1 + 4 + 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("Groups"));
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_EQ(items[2]->text(), view->groups()[1].displayName());
    EXPECT_TRUE(items[5]->isSeparator());
    EXPECT_EQ(items[6]->text(), QStringLiteral("Total: 600 characters")) << "favourites are not counted";
    items[4]->trigger();
    EXPECT_NEAR(rbx::geom::maxY(view->scrollArea()), view->groups()[3].top(), 1);
}

TEST_F(Selection, TheFontListOffersItsKeysToTheTableFirst) {
    make({});
    view->windowEntered();
    moveTo(centre(7));
    QStandardItemModel model(3, 1);
    RbxFontTableView fonts;
    fonts.setModel(&model);
    fonts.setCharView(view.get());
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&fonts, &copy);
    EXPECT_EQ(clipboard->strings, QStringList{QStringLiteral("H")});
}
