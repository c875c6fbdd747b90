// The menus of a cell as the table makes them: the context menu's items and what each
// does, the picture menus of an emoji and the posting of a chosen picture.
#include "SelectionFixture.h"

#include "common/ScopedInstance.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXGraphicalMenu.h"
#include "model/RbxCharGroup.h"
#include "table/core/RbxPictureStrings.h"
#include "table/widgets/RbxCharMenus.h"
#include "table/widgets/RbxGroupButton.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>

namespace {

struct Texts : RbxCharacterTexts {
    QString htmlStringForCharacter(char32_t c) const override {
        return c == U'C' ? QStringLiteral("&Cfr;") : QStringLiteral("&#%1;").arg(uint(c));
    }
    QString fullNameOfCharacter(char32_t c) const override {
        return c == U'C' ? QStringLiteral("LATIN CAPITAL LETTER C") : QString();
    }
};

class CharMenus : public Selection {
protected:
    rbxtest::ScopedInstance<RbxCharacterTexts> texts{std::make_shared<Texts>()};

    QAction* action(QMenu& menu, const QString& prefix) {
        for (QAction* a : menu.actions())
            if (a->text().startsWith(prefix)) return a;
        return nullptr;
    }
    std::unique_ptr<QMenu> contextMenuOf(char32_t c) {
        return RbxCharMenus::makeMenu(*view, buildContextMenu(RbxCharMenus::tableState(*view, c)), c);
    }
};

} // namespace

TEST_F(CharMenus, TheCopyItemsPublishTheirFormsAndCarryTheCharacter) {
    make({});
    auto menu = contextMenuOf(U'C');
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->title(), QStringLiteral("Runebox"));
    // An ampersand in a title is shown, not taken as a mnemonic; the key equivalent
    // follows a tab.
    QAction* html = action(*menu, QStringLiteral("Copy as HTML"));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->text(), QStringLiteral("Copy as HTML (&&Cfr;)\tCtrl+H"));
    EXPECT_EQ(html->data().toUInt(), uint(U'C'));
    EXPECT_TRUE(html->shortcut().isEmpty()) << "the table's keys handle the shortcuts";

    for (const char* prefix : {"Copy Character C", "Copy as HTML", "Copy as Unicode Decimal", "Copy as Unicode Hex",
                               "Copy as Swift", "Copy Character Name", "Copy Character Description"}) {
        QAction* a = action(*menu, QLatin1String(prefix));
        ASSERT_TRUE(a) << prefix;
        EXPECT_TRUE(a->isEnabled()) << prefix;
        a->trigger();
    }
    EXPECT_EQ(clipboard->strings, (QStringList{QStringLiteral("C"), QStringLiteral("&Cfr;"), QStringLiteral("67"),
                                               QStringLiteral("U+0043"), QStringLiteral("\\u{0043}"),
                                               QStringLiteral("LATIN CAPITAL LETTER C"),
                                               QStringLiteral("\"C\" (67; U+0043; &Cfr;) LATIN CAPITAL LETTER C")}));
    // Copying is no insertion.
    EXPECT_TRUE(posting->posted.isEmpty());
    EXPECT_EQ(controller->recentUpdates, 0);
}

TEST_F(CharMenus, ThePalettesItemsAreEnabledWhereItOffersThemAndGoThroughIt) {
    make({});
    controller->marks = U'Z';
    auto menu = contextMenuOf(U'C');
    for (const char* prefix : {"Character Info", "Mark Fonts Containing C", "Reset Marks", "Add to Favorites",
                               "Find Similar Shape"}) {
        QAction* a = action(*menu, QLatin1String(prefix));
        ASSERT_TRUE(a) << prefix;
        EXPECT_FALSE(a->isEnabled()) << prefix;
    }
    controller->offered = {RbxMenuCommand::ShowInfo, RbxMenuCommand::MarkFonts, RbxMenuCommand::ResetMarks,
                           RbxMenuCommand::AddToFavorites};
    menu = contextMenuOf(U'C');
    action(*menu, QStringLiteral("Character Info"))->trigger();
    action(*menu, QStringLiteral("Mark Fonts"))->trigger();
    action(*menu, QStringLiteral("Reset Marks"))->trigger();
    action(*menu, QStringLiteral("Add to Favorites"))->trigger();
    EXPECT_EQ(controller->info, QList<char32_t>{U'C'});
    EXPECT_EQ(controller->markSelected, 1);
    EXPECT_EQ(controller->resets, 1);
    EXPECT_EQ(controller->commands, (QList<QPair<RbxMenuCommand, char32_t>>{{RbxMenuCommand::AddToFavorites, U'C'}}));
    EXPECT_FALSE(action(*menu, QStringLiteral("Find Similar Shape"))->isEnabled());
    EXPECT_FALSE(action(*menu, QStringLiteral("Reset Marks"))->data().isValid());
}

TEST_F(CharMenus, TheTableTellsTheFavouritesTheGroupAndTheMarks) {
    sources->favorites = kx::CharSet();
    sources->favorites->addCharacter(U'B');
    const rbx::Font f = font();
    auto recent = group(QStringLiteral("Recent"), {U'B', U'C'}, f);
    recent->setGroupKind(RbxRecentGroupKind);
    make({recent, group(QStringLiteral("Letters"), letters(U'D', U'Z'), f)});
    controller->marks = U'Q';
    view->selectCharacterAtIndex(0);
    RbxContextMenuState s = RbxCharMenus::tableState(*view, U'B');
    EXPECT_TRUE(s.inFavorites);
    EXPECT_EQ(s.groupKind, RbxRecentGroupKind);
    EXPECT_EQ(s.markedCharacter, U'Q');
    EXPECT_FALSE(s.showingRecentLayout);
    view->selectCharacterAtIndex(5);
    s = RbxCharMenus::tableState(*view, view->selectedCharacter());
    EXPECT_FALSE(s.inFavorites);
    EXPECT_EQ(s.groupKind, RbxLayoutGroupKind);
    // The table with nothing to offer shows no menu; the palette then shows none.
    controller->marks = 0;
    EXPECT_EQ(RbxCharMenus::makeMenu(*view, buildContextMenu(RbxCharMenus::tableState(*view, 0)), 0), nullptr);
}

TEST_F(CharMenus, SkinTonePicturesPostTheChosenToneAfterTheMenuClosed) {
    make({});
    const QString hand = QStringLiteral("\U0001F44B");
    std::unique_ptr<KXGraphicalMenu> menu = RbxCharMenus::skinsMenu(*view, U'\U0001F44B');
    EXPECT_EQ(menu->title(), QStringLiteral("Skins"));
    const auto& items = menu->canvas().items();
    ASSERT_EQ(items.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const KXGraphicalItem& item = items[std::size_t(i)];
        EXPECT_EQ(item.argument.toString(), rbx::pictures::skinToneString(hand, i));
        EXPECT_EQ(item.rect.topLeft(), QPoint(i * items[0].rect.width(), 0));
        EXPECT_EQ(item.action, QByteArray("delayedPostSkinnedString"));
        EXPECT_EQ(item.target, view.get());
        // The tone's bar runs under the emoji, 5 points above the bottom.
        const QImage& picture = item.image;
        const double s = picture.devicePixelRatio();
        const auto [r, g, b] = rbx::pictures::skinToneColor(i);
        const QColor bar = picture.pixelColor(int(6 * s), int((item.rect.height() - 6) * s));
        EXPECT_NEAR(bar.red(), r, 3) << i;
        EXPECT_NEAR(bar.green(), g, 3) << i;
        EXPECT_NEAR(bar.blue(), b, 3) << i;
        EXPECT_EQ(picture.pixelColor(int(6 * s), int((item.rect.height() - 2) * s)).alpha(), 0) << i;
    }

    // Released over the third picture: the menu closes, and a moment later its text goes
    // down the insertion road as after a click.
    menu->popup(QPoint(50, 50));
    ASSERT_TRUE(rbxtest::waitFor([&] { return menu->isVisible(); }, 2000));
    const QPoint third = items[2].rect.center();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(third), QPointF(menu->canvas().mapToGlobal(third)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QElapsedTimer clock;
    clock.start();
    QApplication::sendEvent(&menu->canvas(), &release);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_TRUE(posting->posted.isEmpty());
    ASSERT_TRUE(rbxtest::waitFor([&] { return !posting->posted.isEmpty(); }, 2000));
    EXPECT_GE(clock.elapsed(), 95);
    EXPECT_EQ(posting->posted.first(), qMakePair(U'\U0001F44B', QStringLiteral("\U0001F44B\U0001F3FD")));
    EXPECT_EQ(controller->recentUpdates, 1);
}

TEST_F(CharMenus, TextAndEmojiPicturesCarryTheirSelectorAndLabel) {
    make({});
    std::unique_ptr<KXGraphicalMenu> menu = RbxCharMenus::emojiTextMenu(*view, U'1');
    const auto& items = menu->canvas().items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].argument.toString(), QStringLiteral("1\uFE0E"));
    EXPECT_EQ(items[1].argument.toString(), QStringLiteral("1\uFE0F"));
    EXPECT_EQ(items[1].rect.left(), items[0].rect.width());
    // The label band along the bottom, light or dark.
    for (const bool dark : {false, true}) {
        KXAppearance::DrawingScope scope(dark);
        const QFont f = RbxCharMenus::pictureFont(*view);
        EXPECT_GE(f.pixelSize() > 0 ? double(f.pixelSize()) : f.pointSizeF(), 36);
        const QImage picture = RbxCharMenus::presentationPicture(QStringLiteral("1\uFE0E"), QStringLiteral("Text"), f, 1);
        const QColor band = picture.pixelColor(1, picture.height() - 11);
        EXPECT_EQ(band.rgb(), dark ? QColor::fromRgbF(0.15f, 0.15f, 0.15f).rgb() : QColor::fromRgbF(0.925f, 0.925f, 0.925f).rgb());
        // The label is written in the band.
        EXPECT_GT(countPixels(picture, QRect(0, picture.height() - 12, picture.width(), 12),
                              [&](const QColor& c) { return c.rgb() != band.rgb() && c.alpha() > 0; }), 5);
    }
    // A chosen string's first code point goes with it; nothing chosen, nothing posted
    // but the string.
    view->postSkinnedString(QStringLiteral("1\uFE0E"));
    view->postSkinnedString(QString());
    EXPECT_EQ(posting->posted, (QList<QPair<char32_t, QString>>{{U'1', QStringLiteral("1\uFE0E")}, {0, QString()}}));
}

TEST_F(CharMenus, TheGroupButtonPullsItsMenuDownBelowItself) {
    make({});
    RbxGroupButton button(view.get());
    button.setAttribute(Qt::WA_DontShowOnScreen);
    button.setGeometry(20, 20, 80, 24);
    button.show();
    button.pullDown();
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    EXPECT_TRUE(button.isDown());
    EXPECT_EQ(menu->pos(), button.mapToGlobal(QPoint(0, 24 - 2)));
    menu->close();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !button.isDown(); }, 1000));
}
