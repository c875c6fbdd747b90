// The palette as the assembly connects it: it follows the application in front, reads the
// installed fonts again when they change, marks the recent characters of its font in the
// table, and records its font as used after an insertion.
#include "PaletteFixture.h"

#include "app/PaletteContent.h"
#include "app/PaletteFontList.h"
#include "app/PaletteTable.h"
#include "model/RbxFontList.h"
#include "model/RbxRecentLayout.h"
#include "platform/fonts/FontBackend.h"
#include "table/widgets/RbxCharView.h"

#include <QFontDatabase>
#include <QLabel>

namespace {

bool marksAsRecent(const RbxCharView& view, char32_t c) {
    for (const RbxTableGroup& g : view.groups())
        if (!g.group().isRecentCharacterToHilite(c)) return false;
    return !view.groups().empty();
}

TEST_F(Palette, FollowsTheFrontApplicationOnceABurstOfChangesIsOver) {
    store->setObject(QVariantMap{{QStringLiteral("gedit"), QVariantMap{{QStringLiteral("insert mode"), 7}}}},
                     QStringLiteral("applications"));
    front.name = QStringLiteral("gedit");
    const int before = front.reads;
    for (int i = 0; i < 3; ++i) {
        c->frontProcessChanged();
        rbxtest::spinEventLoop(100);
    }
    EXPECT_EQ(front.reads, before);
    ASSERT_TRUE(rbxtest::waitFor([&] { return front.reads > before; }, 3000));
    rbxtest::spinEventLoop(600);
    EXPECT_EQ(front.reads, before + 1);
    EXPECT_EQ(c->frontApplicationName(), QStringLiteral("gedit"));
    // The per-application settings in force are gedit's.
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Hex);

    // The same application again changes nothing; another one is followed.
    c->checkFrontProcessAndFonts();
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Hex);
    front.name = QStringLiteral("xterm");
    c->checkFrontProcessAndFonts();
    EXPECT_EQ(c->frontApplicationName(), QStringLiteral("xterm"));
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Plain);
}

TEST_F(Palette, AFontAddedWhileRunningJoinsTheFontListAndThePaletteKeepsItsFont) {
    const QString shown = c->selectedFont().postScriptName();
    ASSERT_FALSE(shown.isEmpty());
    RbxFontList& list = c->fonts().list();
    auto hasAlpha = [&list] {
        for (const auto& f : list.allFontFamilies())
            if (f->name() == QStringLiteral("Rbx Alpha")) return true;
        return false;
    };
    ASSERT_FALSE(hasAlpha());
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    const int container = backend.activateFile(QStringLiteral(RUNEBOX_TEST_DATA "/fonts/RbxAlpha-Regular.ttf"));
    ASSERT_GT(container, 0);
    EXPECT_TRUE(rbxtest::waitFor(hasAlpha, 5000));
    EXPECT_EQ(c->selectedFont().postScriptName(), shown);
    EXPECT_TRUE(c->content().currentFontLabel()->text().startsWith(c->selectedFont().displayName()));

    backend.deactivate(container);
    EXPECT_TRUE(rbxtest::waitFor([&] { return !hasAlpha(); }, 5000));
}

TEST_F(Palette, AFontFileActivatedForTheProcessIsKnownToQt) {
    ASSERT_FALSE(QFontDatabase::families().contains(QStringLiteral("Rbx Beta")));
    const int container =
        rbx::FontBackend::shared().activateFile(QStringLiteral(RUNEBOX_TEST_DATA "/fonts/RbxBeta-Regular.ttf"));
    ASSERT_GT(container, 0);
    EXPECT_TRUE(QFontDatabase::families().contains(QStringLiteral("Rbx Beta")));
    rbx::FontBackend::shared().deactivate(container);
}

TEST_F(Palette, TheTableMarksTheRecentCharactersOfItsFont) {
    RbxCharView& view = *c->charView();
    const char32_t ch = view.characterAtIndex(3);
    ASSERT_NE(ch, 0u);
    EXPECT_FALSE(marksAsRecent(view, ch));
    RbxRecentLayout::recentLayout()->addRecentCharacter(ch, c->table().repertoire());
    view.afterPosting();
    EXPECT_TRUE(marksAsRecent(view, ch));
    // The marks stay when the table is built again.
    c->table().reload();
    EXPECT_TRUE(marksAsRecent(view, ch));
}

TEST_F(Palette, AnInsertionRecordsThePalettesFontAsUsed) {
    const QString family = c->selectedFont().familyName();
    ASSERT_FALSE(family.isEmpty());
    c->fonts().markSelectedFontAsUsed();
    EXPECT_EQ(c->fonts().list().recentFonts().value(0), family);
    EXPECT_EQ(store->objectForKey(QStringLiteral("recentFontsV2")).toList().value(0).toString(), family);
}

} // namespace
