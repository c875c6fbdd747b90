// The palette's search field, font list and character actions as the window controller
// wires them: commands, templates, the focus rule, the font list's marks, collections,
// filter, copy and choice, and the actions of the character menu.
#include "PaletteFixture.h"

#include "app/FontListModel.h"
#include "app/PaletteFontList.h"
#include "model/FontExtensions.h"
#include "table/widgets/RbxCharSelection.h"
#include "app/FontListTableView.h"
#include "app/PaletteCharacterActions.h"
#include "app/PaletteContent.h"
#include "app/PaletteFontTable.h"
#include "app/PaletteSearch.h"
#include "app/PaletteTable.h"
#include "app/PaletteTiming.h"
#include "app/RbxCharWindow.h"
#include "insertion/RbxClipboardCopies.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontList.h"
#include "table/widgets/RbxCharMenus.h"
#include "table/widgets/RbxCharView.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStandardItemModel>
#include <QRegularExpression>
#include <cmath>

namespace {

class RecordingClipboard : public RbxTableClipboard {
public:
    void publishString(const QString& s) override { strings << s; }
    QStringList strings;
};

class PaletteSearchTest : public Palette {
protected:
    void search(const QString& text) {
        c->searchField()->setText(text);
        c->performSearch();
    }
    void showPalette() {
        c->showWindow(c);
        ASSERT_TRUE(rbxtest::waitFor([&] { return c->fontTable().isAttached(); }, 5000));
    }
    QStringList rows() {
        QStringList out;
        const FontListModel& m = c->fontTable().model();
        for (int r = 0; r < m.rowCount(); ++r) out << m.list()->fontNameAtIndex(r);
        return out;
    }
    int popUpIndexOf(const QString& title) { return c->fontTable().collectionsPopUp()->findText(title); }
    bool popUpItemEnabled(int index) {
        auto* model = qobject_cast<QStandardItemModel*>(c->fontTable().collectionsPopUp()->model());
        return model->item(index)->isEnabled();
    }
};

TEST_F(PaletteSearchTest, ACommandIsCarriedOutAndLeavesTheTablesFilterAlone) {
    search(QStringLiteral("arrow"));
    ASSERT_EQ(c->table().shownSearch(), QStringLiteral("arrow"));
    search(QStringLiteral("+HEXHTML"));
    EXPECT_TRUE(store->boolForKey(QStringLiteral("hexHtml")));
    EXPECT_EQ(c->searchField()->text(), QStringLiteral("hex HTML ON"));
    EXPECT_EQ(c->table().shownSearch(), QStringLiteral("arrow"));
    search(QStringLiteral("-hexhtml"));
    EXPECT_FALSE(store->boolForKey(QStringLiteral("hexHtml")));
    EXPECT_EQ(c->searchField()->text(), QStringLiteral("hex HTML OFF"));
    // The version label is switched by a command; a text that is no command is searched.
    search(QStringLiteral("-version"));
    EXPECT_TRUE(c->content().versionLabel()->isHidden());
    search(QStringLiteral("+tooltips"));
    EXPECT_EQ(c->table().shownSearch(), QStringLiteral("+tooltips"));
    EXPECT_EQ(c->searchField()->text(), QStringLiteral("+tooltips"));
}

TEST_F(PaletteSearchTest, ATemplateIsSearchedAndATemplateMenuIsInFrontOfTheField) {
    QMenu* menu = c->search().templateMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(c->searchField()->templateMenu(), menu);
    QAction* arrows = nullptr;
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("Arrows")) arrows = a;
    ASSERT_TRUE(arrows);
    EXPECT_TRUE(menu->actions().size() > 10);
    arrows->trigger();
    EXPECT_EQ(c->searchField()->text(), QStringLiteral("arrow"));
    EXPECT_EQ(c->table().shownSearch(), QStringLiteral("arrow"));
    EXPECT_NE(c->charView()->indexOfCharacter(U'→'), kx::NotFound);
    EXPECT_EQ(c->charView()->indexOfCharacter(U'A'), kx::NotFound);
}

TEST_F(PaletteSearchTest, EmptiedByTheProgramTheKeyboardGoesToTheTableTabGoesToTheFontFilter) {
    showPalette();
    c->searchField()->setFocus();
    search(QStringLiteral("heart"));
    EXPECT_EQ(c->window()->focusWidget(), c->searchField());
    search(QString());
    EXPECT_EQ(c->window()->focusWidget(), c->charView());
    c->searchField()->setFocus();
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(c->searchField(), &tab);
    EXPECT_EQ(c->window()->focusWidget(), c->fontTable().fontFilterField());
}

TEST_F(PaletteSearchTest, MarkingACharacterMarksTheFamiliesThatHaveItAndEnablesMarkedFonts) {
    showPalette();
    PaletteFontTable& fonts = c->fontTable();
    const int marked = popUpIndexOf(QStringLiteral("Marked Fonts"));
    ASSERT_GE(marked, 0);
    EXPECT_FALSE(popUpItemEnabled(marked));
    auto menu = fonts.fontTableContextMenu();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copy Font List"));

    fonts.markFontsContainingCharacter(U'\u0416');
    EXPECT_EQ(c->charView()->controller().markedCharacter(), U'\u0416');
    QStringList expected;
    for (const auto& f : c->fonts().list().fontFamiliesContainingCharacter(U'\u0416')) expected << f->name();
    ASSERT_FALSE(expected.isEmpty());
    QStringList bullets;
    const FontListModel& m = fonts.model();
    for (int r = 0; r < m.rowCount(); ++r) {
        const QString mark = m.data(m.index(r, FontListModel::MarkColumn), Qt::DisplayRole).toString();
        if (!mark.isEmpty()) {
            EXPECT_EQ(mark, QStringLiteral("\u2022"));
            bullets << m.list()->fontNameAtIndex(r);
        }
    }
    std::sort(expected.begin(), expected.end());
    std::sort(bullets.begin(), bullets.end());
    EXPECT_EQ(bullets, expected);
    EXPECT_TRUE(popUpItemEnabled(popUpIndexOf(QStringLiteral("Marked Fonts"))));
    menu = fonts.fontTableContextMenu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[2]->text(), QStringLiteral("Reset Marks"));

    // The collection of the marked fonts shows exactly them; the choice is stored.
    fonts.collectionsPopUp()->setCurrentIndex(popUpIndexOf(QStringLiteral("Marked Fonts")));
    fonts.changeFontCollection(fonts.collectionsPopUp()->currentIndex());
    QStringList shown = rows();
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(store->stringForKey(QStringLiteral("selectedCollection")), QStringLiteral("MARKED_FONTS"));

    menu->actions()[2]->trigger();
    EXPECT_EQ(fonts.markedCharacter(), 0u);
    EXPECT_FALSE(popUpItemEnabled(popUpIndexOf(QStringLiteral("Marked Fonts"))));
}

TEST_F(PaletteSearchTest, TheFilterNarrowsTheListCopyWritesItAndChoosingARowSelectsTheFont) {
    showPalette();
    PaletteFontTable& fonts = c->fontTable();
    const int all = fonts.model().rowCount();
    ASSERT_GT(all, 2);
    fonts.fontFilterField()->setText(QStringLiteral("dejavu sans"));
    fonts.updateFontList();
    const QStringList filtered = rows();
    ASSERT_FALSE(filtered.isEmpty());
    EXPECT_LT(filtered.size(), all);
    for (const QString& name : filtered) EXPECT_TRUE(name.contains(QStringLiteral("DejaVu Sans"))) << name.toStdString();

    rbxtest::ScopedInstance<RbxTableClipboard> clipboard(std::make_shared<RecordingClipboard>());
    fonts.copyFontList();
    EXPECT_EQ(static_cast<RecordingClipboard&>(clipboard.get()).strings,
              QStringList{filtered.join(u'\n') + u'\n'});

    store->setApplicationFontDectection(true);
    const int row = int(filtered.size()) - 1;
    fonts.fontTableView()->selectRow(row);
    EXPECT_EQ(c->selectedFont().familyName(), filtered[row]);
    EXPECT_EQ(fonts.fontTableView()->selectedRow(), row);
    EXPECT_FALSE(store->applicationFontDectection());
    // Another font selected elsewhere moves the table's selection without choosing again.
    c->selectFont(rbx::font::tryFindingFontWithName(QStringLiteral("DejaVuSans"), 12));
    EXPECT_EQ(filtered[fonts.fontTableView()->selectedRow()], QStringLiteral("DejaVu Sans"));
}

TEST_F(PaletteSearchTest, TypeSelectFindsTheFamilyByItsFirstLetters) {
    showPalette();
    FontListTableView* view = c->fontTable().fontTableView();
    view->keyboardSearch(QStringLiteral("d"));
    view->keyboardSearch(QStringLiteral("e"));
    view->keyboardSearch(QStringLiteral("j"));
    EXPECT_EQ(view->typeSelectText(), QStringLiteral("dej"));
    EXPECT_TRUE(c->selectedFont().familyName().startsWith(QStringLiteral("DejaVu")));
}

TEST_F(PaletteSearchTest, ShowingACharacterInContextLeavesTheSearchAndSelectsItInItsGroup) {
    showPalette();
    search(QStringLiteral("arrow"));
    PaletteCharacterActions& actions = c->characterActions();
    actions.showSelectedCharacterInContext(U'→');
    EXPECT_EQ(c->searchField()->text(), QString());
    EXPECT_EQ(c->table().shownSearch(), QString());
    EXPECT_NE(c->charView()->indexOfCharacter(U'A'), kx::NotFound);
    EXPECT_TRUE(rbxtest::waitFor([&] { return c->charView()->selectedCharacter() == U'→'; }, 2000));
    EXPECT_TRUE(c->charView()->selection().updateSuppressed());
}

TEST_F(PaletteSearchTest, AFavouriteAddedOrRemovedRebuildsTheTable) {
    showPalette();
    PaletteCharacterActions& actions = c->characterActions();
    auto favorites = [&] {
        const kx::CharSet* set = c->charView()->sources().favoriteCharacters(c->charView()->font());
        return set && set->contains(U'Ж');
    };
    actions.addSelectedCharacterToFavorites(U'Ж');
    EXPECT_TRUE(favorites());
    EXPECT_TRUE(RbxCharMenus::tableState(*c->charView(), U'Ж').inFavorites);
    actions.removeSelectedCharacterFromFavorites(U'Ж');
    EXPECT_FALSE(favorites());
}

// The palette's timing table with one of the timed names standing for an installed font;
// notes what the table was like while each font was drawn.
class OneFontTimed : public rbx::listings::TimedTable {
public:
    OneFontTimed(RbxCharWindowController& c, RbxDefaults& store) : c_(c), store_(store), real_(store, c.table(), c.search(), c.window()) {}
    void prepare() override {
        real_.prepare();
        searchWhileTimed = c_.table().shownSearch();
        sizeWhileTimed = store_.doubleForKey(rbx::key::relativeFontSize);
        windowWhileTimed = c_.window()->size();
    }
    bool showFont(const QString& name) override {
        if (name != QLatin1String("Verdana")) return real_.showFont(name);
        if (!real_.showFont(QStringLiteral("DejaVuSans"))) return false;
        RbxCharView& v = real_.view();
        fontShown = v.fontName();
        screensExpected = int(std::ceil(v.tableHeight() / v.scrollArea().height() - 1e-9));
        return true;
    }
    RbxCharView& view() override { return real_.view(); }
    void restore() override { real_.restore(); }

    QString searchWhileTimed, fontShown;
    double sizeWhileTimed = 0;
    QSize windowWhileTimed;
    int screensExpected = 0;

private:
    RbxCharWindowController& c_;
    RbxDefaults& store_;
    PaletteTiming real_;
};

TEST_F(PaletteSearchTest, TheTimingDrawsEachFontScreenByScreenAndPutsThePaletteBack) {
    showPalette();
    store->setDouble(48, rbx::key::relativeFontSize.qname());
    search(QStringLiteral("arrow"));
    c->window()->resize(420, 380);
    QCoreApplication::processEvents();
    const QRect frame = c->window()->geometry();
    const QString font = c->charView()->fontName();

    OneFontTimed timed(*c, *store);
    rbx::listings::Context context;
    context.timedTable = &timed;
    const QString listing = rbx::listings::listTimingResults(context);
    // Ready for timing: everything shown, size 30, 600 by 600.
    EXPECT_EQ(timed.searchWhileTimed, QString());
    EXPECT_EQ(timed.sizeWhileTimed, 30);
    EXPECT_EQ(timed.windowWhileTimed, QSize(600, 600));
    EXPECT_EQ(timed.fontShown, QStringLiteral("DejaVuSans"));
    ASSERT_GT(timed.screensExpected, 1);
    EXPECT_TRUE(listing.startsWith(QStringLiteral("Timing on 20"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral(" +0000\n\nAppleGothic: NOT FOUND\nAppleMyungjo: NOT FOUND\n")));
    EXPECT_TRUE(listing.contains(QStringLiteral("\nVerdana: %1\n").arg(timed.screensExpected))) << listing.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("\n\\d+\\.\\d\\d sec$")).match(listing).hasMatch()) << listing.toStdString();
    // Afterwards as before (the search stays emptied).
    EXPECT_EQ(store->doubleForKey(rbx::key::relativeFontSize), 48);
    EXPECT_EQ(c->window()->geometry(), frame);
    EXPECT_EQ(c->charView()->fontName(), font);
    EXPECT_EQ(c->table().shownSearch(), QString());
}

} // namespace
