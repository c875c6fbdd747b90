// The table's keys and tracking: shortcuts, navigation, search-field typing, leaving the
// palette, sheets, menus, the group button and the font list's keys.
#include "SelectionFixture.h"

#include "table/widgets/RbxFontTableView.h"
#include "table/widgets/RbxGroupButton.h"
#include "table/widgets/RbxMenuWatch.h"

#include <QComboBox>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QVBoxLayout>

TEST_F(Selection, FixedShortcutsCopyMarkAndSwitchViews) {
    make({});
    view->tracking().windowEntered();
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
    EXPECT_FALSE(view->keys().handleHardWiredShortcut(&altC));
    // The copied cell blinks and ends selected.
    rbxtest::spinEventLoop(600);
    EXPECT_EQ(view->selectedCharIndex(), 4u);

    // Command-1 ... Command-4 switch the view; not with a sheet attached.
    EXPECT_TRUE(key(Qt::Key_1, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_2, Qt::ControlModifier));
    controller->sheet = true;
    QKeyEvent c3(QEvent::KeyPress, Qt::Key_3, Qt::ControlModifier);
    EXPECT_FALSE(view->keys().viewSelectionKeyEvent(&c3));
    EXPECT_FALSE(view->keys().handleHardWiredShortcut(&c3));
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
    view->keys().navigate(Qt::Key_Space);
    EXPECT_NEAR(visibleTop(), view->tableHeight() - view->viewport()->height(), 1);
}

TEST_F(Selection, LeavingThePaletteHandsTheKeysBackAndMayCloseIt) {
    make({});
    controller->key = true;
    view->tracking().windowEntered();
    view->tracking().windowExited();
    EXPECT_EQ(controller->deactivations, 1);
    EXPECT_TRUE(controller->fades.isEmpty()) << "\"mouse outside closes\" is off";

    RbxDefaults::userDefaults().setBool(true, QStringLiteral("mouse outside closes"));
    view->tracking().windowEntered();
    view->tracking().windowExited();
    EXPECT_EQ(controller->fades, (QList<QPair<double, double>>{{0.3, 0.5}}));

    // From the table into the font list: still inside, no fade; leaving both fades.
    view->tracking().windowEntered();
    view->tracking().fontsEntered();
    view->tracking().windowExited();
    EXPECT_EQ(controller->fades.size(), 1);
    view->tracking().fontsExited();
    EXPECT_EQ(controller->fades.size(), 2);

    // With the magnifier shown, leaving changes nothing.
    view->tracking().windowEntered();
    popover->shown = true;
    const int deactivations = controller->deactivations;
    view->tracking().windowExited();
    EXPECT_EQ(controller->deactivations, deactivations);
    EXPECT_EQ(controller->fades.size(), 2);
    popover->shown = false;

    // A miniaturised palette has no tracking and does not fade.
    EXPECT_TRUE(view->tracking().isTracking(RbxCharTracking::WindowArea));
    view->tracking().windowEntered();
    view->setMiniaturized(true);
    EXPECT_FALSE(view->tracking().isTracking(RbxCharTracking::WindowArea));
    EXPECT_FALSE(view->tracking().isTracking(RbxCharTracking::ViewArea));
    EXPECT_EQ(controller->fades.size(), 2);
    view->setupViewTracking();
    EXPECT_FALSE(view->tracking().isTracking(RbxCharTracking::WindowArea));
    view->setMiniaturized(false);
    EXPECT_TRUE(view->tracking().isTracking(RbxCharTracking::WindowArea));
}

TEST_F(Selection, ClosingASheetUnderTheMouseCountsAsEnteringTheWindow) {
    make({});
    QWidget sheet;
    view->tracking().windowEntered();
    const int before = controller->activations;
    view->setSheetTracking(&sheet, true);
    EXPECT_TRUE(view->tracking().mouseInSheet());
    EXPECT_TRUE(view->tracking().isTracking(RbxCharTracking::SheetArea));
    moveTo(centre(1));
    EXPECT_EQ(view->selectedCharIndex(), kx::NotFound);
    view->setSheetTracking(&sheet, false);
    EXPECT_FALSE(view->tracking().mouseInSheet());
    EXPECT_FALSE(view->tracking().isTracking(RbxCharTracking::SheetArea));
    EXPECT_GT(controller->activations, before);
    EXPECT_EQ(view->selectedCharIndex(), 1u);
    // While a sheet is attached the palette neither takes nor gives the keys.
    controller->sheet = true;
    controller->key = true;
    const int a = controller->activations, d = controller->deactivations;
    view->tracking().activateWindow(true);
    view->tracking().activateWindow(false);
    EXPECT_EQ(controller->activations, a);
    EXPECT_EQ(controller->deactivations, d);
}

TEST_F(Selection, EnterAndLeaveEventsDriveTheTracking) {
    make({});
    QEvent enter(QEvent::Enter), leave(QEvent::Leave);
    QApplication::sendEvent(view->window(), &enter);
    EXPECT_TRUE(view->tracking().mouseInWindow());
    QApplication::sendEvent(view.get(), &enter);
    EXPECT_TRUE(view->tracking().mouseInView());
    QApplication::sendEvent(view.get(), &leave);
    EXPECT_FALSE(view->tracking().mouseInView());
    QApplication::sendEvent(view->window(), &leave);
    // Leaving the window is handled on the next turn of the event loop.
    EXPECT_TRUE(rbxtest::waitFor([&] { return !view->tracking().mouseInWindow(); }, 1000));

    // The menu watch reports this application's pop-up menus.
    QMenu menu;
    menu.addAction(QStringLiteral("x"));
    menu.popup(QPoint(10, 10));
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->tracking().menuOpen(); }, 1000));
    EXPECT_TRUE(RbxMenuWatch::shared().isMenuOpen());
    menu.close();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !view->tracking().menuOpen(); }, 1000));

    // So is a pop-up button's list, which covers the window as a menu does: the mouse
    // over it has not left the palette.
    QComboBox popUp(view->window());
    popUp.addItems({QStringLiteral("a"), QStringLiteral("b")});
    view->window()->show();
    popUp.showPopup();
    EXPECT_TRUE(rbxtest::waitFor([&] { return view->tracking().menuOpen(); }, 1000));
    popUp.hidePopup();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !view->tracking().menuOpen(); }, 1000));
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
    view->tracking().windowEntered();
    moveTo(centre(7));
    QStandardItemModel model(3, 1);
    RbxFontTableView fonts;
    fonts.setModel(&model);
    fonts.setCharView(view.get());
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(&fonts, &copy);
    EXPECT_EQ(clipboard->strings, QStringList{QStringLiteral("H")});
}
