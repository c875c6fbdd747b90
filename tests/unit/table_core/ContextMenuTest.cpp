// The context menu of a cell as a list of entries, for every state that changes it.
#include "common/ScopedInstance.h"
#include "model/CharacterText.h"
#include "model/RbxCharGroup.h"
#include "table/core/RbxContextMenu.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using C = RbxMenuCommand;

// U+B0000 is the ligature "ffi"; names for a few characters.
struct Virtuals : RbxVirtualCharacters {
    bool isVirtualCharacter(char32_t c) const override { return c == 0xB0000; }
    QString stringWithUTF32Character(char32_t c) const override {
        return c == 0xB0000 ? QStringLiteral("ffi") : RbxVirtualCharacters::stringWithUTF32Character(c);
    }
};
struct Texts : RbxCharacterTexts {
    QString htmlStringForCharacter(char32_t c) const override {
        return c == 0xE9 ? QStringLiteral("&eacute;") : QStringLiteral("&#%1;").arg(uint(c));
    }
    QString fullNameOfCharacter(char32_t c) const override {
        switch (c) {
        case 0xE9: return QStringLiteral("LATIN SMALL LETTER E WITH ACUTE");  // 31 units
        case 0x41: return QStringLiteral("LATIN CAPITAL LETTE");              // 19 units
        case 0x42: return QStringLiteral("ABCDEFGHIJKLMNOPQRST");             // 20 units
        case 0x43: return QStringLiteral("ABCDEFGHIJKLMNOPQRSTU");            // 21 units
        case 0x301: return QStringLiteral("COMBINING ACUTE ACCENT");
        default: return QString();
        }
    }
};

class ContextMenu : public ::testing::Test {
protected:
    rbxtest::ScopedInstance<RbxVirtualCharacters> virtuals{std::make_shared<Virtuals>()};
    rbxtest::ScopedInstance<RbxCharacterTexts> texts{std::make_shared<Texts>()};

    static RbxContextMenuState state(char32_t c) {
        RbxContextMenuState s;
        s.character = c;
        s.groupKind = RbxLayoutGroupKind;
        s.unicodeBlocksLayout = true;
        return s;
    }
    // The menu as text: titles with their shortcuts, "-" for separators.
    static QStringList lines(const std::vector<RbxMenuEntry>& menu) {
        QStringList out;
        for (const RbxMenuEntry& e : menu) out << (e.separator ? QStringLiteral("-") : menuItemText(e));
        return out;
    }
    static QStringList titles(const std::vector<RbxMenuEntry>& menu) {
        QStringList out;
        for (const RbxMenuEntry& e : menu) out << (e.separator ? QStringLiteral("-") : e.title);
        return out;
    }
    static std::string text(const QStringList& lines) { return lines.join(u'\n').toStdString(); }
    static const RbxMenuEntry* find(const std::vector<RbxMenuEntry>& menu, C command) {
        for (const RbxMenuEntry& e : menu)
            if (e.command == command) return &e;
        return nullptr;
    }
};

} // namespace

TEST_F(ContextMenu, AnOrdinaryCharacterHasInfoCopiesMarksAndTheContextItems) {
    const auto menu = buildContextMenu(state(0xE9));
    EXPECT_EQ(text(lines(menu)), text(QStringList{
                               QStringLiteral("Character Info...\tCtrl+I"),
                               QStringLiteral("-"),
                               QStringLiteral("Copy Character é\tCtrl+C"),
                               QStringLiteral("Copy as HTML (&eacute;)\tCtrl+H"),
                               QStringLiteral("Copy as Unicode Decimal (233)\tCtrl+D"),
                               QStringLiteral("Copy as Unicode Hex (U+00E9)\tCtrl+X"),
                               QStringLiteral("Copy as Swift (\\u{00e9})\tCtrl+Shift+S"),
                               QStringLiteral("Copy Character Name (LATIN SMALL LET...)\tCtrl+N"),
                               QStringLiteral("Copy Character Description\tCtrl+Shift+D"),
                               QStringLiteral("-"),
                               QStringLiteral("Mark Fonts Containing é\tCtrl+K"),
                               QStringLiteral("-"),
                               QStringLiteral("Add to Favorites"),
                               QStringLiteral("Find Similar Shape..."),
                           }));
    // The view copies and shows the information; the palette does the rest. Every entry
    // carries the character.
    EXPECT_EQ(find(menu, C::CopyHTML)->target, RbxMenuTarget::View);
    EXPECT_EQ(find(menu, C::ShowInfo)->target, RbxMenuTarget::View);
    EXPECT_EQ(find(menu, C::MarkFonts)->target, RbxMenuTarget::WindowController);
    EXPECT_EQ(find(menu, C::AddToFavorites)->target, RbxMenuTarget::WindowController);
    for (const RbxMenuEntry& e : menu) EXPECT_EQ(e.carriesCharacter, !e.separator) << e.title.toStdString();
}

TEST_F(ContextMenu, NamesAreShortenedFromTwentyOneUnitsAndAMissingNameHasNoItem) {
    auto nameItem = [](char32_t c) {
        const auto menu = buildContextMenu(state(c));
        const RbxMenuEntry* e = find(menu, C::CopyName);
        return (e ? e->title : QStringLiteral("(none)")).toStdString();
    };
    EXPECT_EQ(nameItem(0x41), "Copy Character Name (LATIN CAPITAL LETTE)");
    EXPECT_EQ(nameItem(0x42), "Copy Character Name (ABCDEFGHIJKLMNOPQRST)");
    EXPECT_EQ(nameItem(0x43), "Copy Character Name (ABCDEFGHIJKLMNO...)");
    EXPECT_EQ(nameItem(0x44), "(none)");
    // A combining mark stands on a space in every title that shows it.
    const auto combining = titles(buildContextMenu(state(0x301)));
    EXPECT_TRUE(combining.contains(QStringLiteral("Copy Character  \u0301")));
    EXPECT_TRUE(combining.contains(QStringLiteral("Mark Fonts Containing  \u0301")));
}

TEST_F(ContextMenu, ALigatureIsCopiedWholeOrDescribed) {
    const auto menu = buildContextMenu(state(0xB0000));
    EXPECT_EQ(text(lines(menu)), text(QStringList{
                               QStringLiteral("Copy Ligature ffi\tCtrl+C"),
                               QStringLiteral("Copy Ligature Description\tCtrl+Shift+D"),
                               QStringLiteral("-"),
                               QStringLiteral("Add to Favorites"),
                               QStringLiteral("Find Similar Shape..."),
                           }));
    RbxContextMenuState marked = state(0xB0000);
    marked.markedCharacter = U'x';
    EXPECT_EQ(text(titles(buildContextMenu(marked)).mid(2, 3)),
              text(QStringList{QStringLiteral("-"), QStringLiteral("Reset Marks"), QStringLiteral("-")}));
}

TEST_F(ContextMenu, MarksDecideTheMarkAndResetItemsAndAnEmptyMenuIsNone) {
    EXPECT_TRUE(buildContextMenu(state(0)).empty());

    RbxContextMenuState none = state(0);
    none.markedCharacter = 0xE9;
    const auto reset = buildContextMenu(none);
    EXPECT_EQ(text(lines(reset)), text(QStringList{QStringLiteral("-"), QStringLiteral("Reset Marks\tCtrl+R")}));
    EXPECT_FALSE(reset[1].carriesCharacter);
    EXPECT_EQ(reset[1].target, RbxMenuTarget::WindowController);

    // The marked character itself offers no second marking, only the reset.
    RbxContextMenuState same = state(0xE9);
    same.markedCharacter = 0xE9;
    const QStringList sameTitles = titles(buildContextMenu(same));
    EXPECT_FALSE(sameTitles.contains(QStringLiteral("Mark Fonts Containing é")));
    const qsizetype at = sameTitles.indexOf(QStringLiteral("Reset Marks"));
    ASSERT_GT(at, 0);
    EXPECT_EQ(sameTitles[at - 1], QStringLiteral("-"));
    EXPECT_EQ(sameTitles[at + 1], QStringLiteral("-"));
    RbxContextMenuState other = state(0xE9);
    other.markedCharacter = U'A';
    const QStringList otherTitles = titles(buildContextMenu(other));
    EXPECT_EQ(otherTitles.indexOf(QStringLiteral("Reset Marks")), otherTitles.indexOf(QStringLiteral("Mark Fonts Containing é")) + 1);
}

TEST_F(ContextMenu, FavouritesRecentsAndTheUnicodeContextFollowWhereTheCellIs) {
    auto has = [](const RbxContextMenuState& s, C command) { return find(buildContextMenu(s), command) != nullptr; };
    RbxContextMenuState s = state(0xE9);
    s.inFavorites = true;
    EXPECT_TRUE(has(s, C::RemoveFromFavorites));
    EXPECT_FALSE(has(s, C::AddToFavorites));

    EXPECT_FALSE(has(state(0xE9), C::RemoveFromRecent));
    s = state(0xE9);
    s.groupKind = RbxRecentGroupKind;
    EXPECT_TRUE(has(s, C::RemoveFromRecent));
    s = state(0xE9);
    s.showingRecentLayout = true;
    EXPECT_TRUE(has(s, C::RemoveFromRecent));

    // Unicode blocks with an empty search: an ordinary cell is in its context already, a
    // favourite or recent one is shown there.
    s = state(0xE9);
    s.unicodeBlocksLayout = true;
    EXPECT_FALSE(has(s, C::ShowInContext));
    EXPECT_FALSE(has(s, C::ShowInUnicodeBlocksContext));
    s.groupKind = RbxFavoritesGroupKind;
    EXPECT_TRUE(has(s, C::ShowInContext));
    // Another layout sends an ordinary cell to the Unicode blocks.
    s = state(0xE9);
    s.unicodeBlocksLayout = false;
    EXPECT_TRUE(has(s, C::ShowInUnicodeBlocksContext));
    EXPECT_EQ(find(buildContextMenu(s), C::ShowInUnicodeBlocksContext)->title.toStdString(), "Show é in the Unicode Context");
    // A search shows any cell in its context; without a group there is no context.
    s.unicodeBlocksLayout = true;
    s.searchFieldEmpty = false;
    EXPECT_TRUE(has(s, C::ShowInContext));
    s.searchFieldEmpty = true;
    s.groupKind = -1;
    EXPECT_FALSE(has(s, C::ShowInContext));
    EXPECT_FALSE(has(s, C::ShowInUnicodeBlocksContext));

    // The shape tools close the menu when the shape finder has a saved shape.
    s = state(0xE9);
    s.shapeTools = true;
    const auto menu = buildContextMenu(s);
    EXPECT_EQ(text(titles(menu).mid(qsizetype(menu.size()) - 3)),
              text(QStringList{QStringLiteral("-"), QStringLiteral("Best Shape Match"), QStringLiteral("Shape Mismatch")}));
    EXPECT_EQ(menu.back().target, RbxMenuTarget::ShapeView);
}
