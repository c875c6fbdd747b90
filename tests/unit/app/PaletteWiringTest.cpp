// The palette as the assembly connects it: it follows the application in front, reads the
// installed fonts again when they change, marks the recent characters of its font in the
// table, records its font as used after an insertion, and takes the desktop's accent
// colour.
#include "PaletteFixture.h"

#include "app/DesktopAccent.h"
#include "common/ScopedInstance.h"
#include "app/PaletteContent.h"
#include "app/PaletteFontList.h"
#include "app/PaletteTable.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "model/RbxFontList.h"
#include "model/RbxRecentLayout.h"
#include "platform/fonts/FontBackend.h"
#include "table/widgets/RbxCharView.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPalette>
#include <QLabel>

namespace {

bool marksAsRecent(const RbxCharView& view, char32_t c) {
    for (const RbxTableGroup& g : view.groups())
        if (!g.group().isRecentCharacterToHilite(c)) return false;
    return !view.groups().empty();
}

TEST_F(Palette, FollowsTheFrontApplicationOnceABurstOfChangesIsOver) {
    // gedit chose the hexadecimal notation in the types menu: its special form and its
    // insert mode.
    store->setObject(QVariantMap{{QStringLiteral("gedit"), QVariantMap{{QStringLiteral("insert mode"), 7},
                                                                       {QStringLiteral("latestInsert"), 7}}}},
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

namespace {

QString nameOf(const QColor& c) { return KXDynamicColor::accentColorNameOfIndex(DesktopAccent::accentIndexOfColor(c)); }

TEST(DesktopAccent, NamesTheAccentNearestToTheDesktopsColour) {
    EXPECT_EQ(nameOf(QColor(220, 50, 60)), QStringLiteral("Red"));
    EXPECT_EQ(nameOf(QColor(250, 150, 70)), QStringLiteral("Orange"));
    EXPECT_EQ(nameOf(QColor(250, 205, 80)), QStringLiteral("Yellow"));
    EXPECT_EQ(nameOf(QColor(90, 190, 90)), QStringLiteral("Green"));
    EXPECT_EQ(nameOf(QColor(40, 120, 230)), QStringLiteral("Blue"));
    EXPECT_FALSE(DesktopAccent::accentIndexOfColor(QColor(40, 120, 230)).isValid());
    EXPECT_EQ(nameOf(QColor(160, 90, 170)), QStringLiteral("Purple"));
    EXPECT_EQ(nameOf(QColor(240, 110, 170)), QStringLiteral("Pink"));
    EXPECT_EQ(nameOf(QColor(128, 128, 135)), QStringLiteral("Graphite"));
}

TEST(DesktopAccent, WithoutAPortalTheApplicationsHighlightIsTheAccent) {
    const QPalette saved = QGuiApplication::palette();
    QPalette red = saved;
    red.setColor(QPalette::Active, QPalette::Highlight, QColor(200, 40, 40));
    QGuiApplication::setPalette(red);
    {
        rbxtest::ScopedInstance<KXAccentColorSource> accent(std::make_shared<DesktopAccent>());
        EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Red"));
        red.setColor(QPalette::Active, QPalette::Highlight, QColor(80, 180, 80));
        QGuiApplication::setPalette(red);
        EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Green"));
    }
    // Without the desktop's accent no index is known.
    EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Blue"));
    QGuiApplication::setPalette(saved);
}

} // namespace
