// The palette's controls as the window controller drives them: the insert-mode control
// with its size and types menus, the font pop-ups and the layout link, and the switching
// of views and layouts with its fallbacks.
#include "PaletteFixture.h"

#include "app/InsertModeButtons.h"
#include "app/PaletteContent.h"
#include "app/PaletteFontControls.h"
#include "app/PaletteFontList.h"
#include "app/PaletteInsertModes.h"
#include "app/PaletteTable.h"
#include "app/PaletteViews.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "kxlib/gui/SegmentedControl.h"
#include "model/FontExtensions.h"
#include "model/RbxFontInfo.h"
#include "table/widgets/RbxCharView.h"
#include "model/RbxFontList.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutPopUp.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QToolButton>

namespace {

TEST(InsertModeLabels, TheSizeIsRightAlignedInTwoDigitsAndOnlySpecialFormsAreTypes) {
    EXPECT_EQ(PaletteInsertModes::sizeLabel(9), QStringLiteral(" 9 \u25BE"));
    EXPECT_EQ(PaletteInsertModes::sizeLabel(72), QStringLiteral("72 \u25BE"));
    // HTML and the notations; not plain, formatted, picture, the unused 4 or beyond 9.
    QList<int> special;
    for (int tag = -1; tag <= 11; ++tag)
        if (PaletteInsertModes::isSpecialInsertType(tag)) special << tag;
    EXPECT_EQ(special, (QList<int>{2, 5, 6, 7, 8, 9}));
}

TEST_F(Palette, TheInsertModeControlChoosesTheApplicationsModeAndItsMenus) {
    PaletteInsertModes& modes = c->insertModes();
    PaletteContent& content = c->content();
    SegmentedControl& segments = *content.insertModeSegments();
    ASSERT_EQ(segments.segmentCount(), 3);

    // The types menu lists HTML and the notations; the size menu the sizes.
    QStringList types;
    for (QAction* a : content.insertTypesButton()->typesMenu()->actions()) types << a->text();
    EXPECT_EQ(types, (QStringList{QStringLiteral("HTML"), QStringLiteral("Swift"), QStringLiteral("Decimal"),
                                  QStringLiteral("Hex"), QStringLiteral("Name"), QStringLiteral("Description")}));
    EXPECT_EQ(content.formattedSizeButton()->sizeMenu()->actions().size(), 12);

    // Formatted text at a size chosen from the menu; only its button is shown.
    modes.selectSegment(1);
    modes.changeInsertMode();
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Formatted);
    modes.changeFormattedSize(QStringLiteral("9"));
    EXPECT_EQ(store->floatForKey(rbx::key::formattedSize), 9.0f);
    EXPECT_EQ(segments.label(1), QStringLiteral(" 9 \u25BE"));
    EXPECT_FALSE(content.formattedSizeButton()->isHidden());
    EXPECT_TRUE(content.insertTypesButton()->isHidden());

    // The decimal notation chosen in the types menu is what segment 2 applies later.
    modes.selectSegment(2);
    modes.changeInsertType(6);
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Decimal);
    EXPECT_EQ(segments.label(2), QStringLiteral("Decimal \u25BE"));
    EXPECT_TRUE(content.formattedSizeButton()->isHidden());
    EXPECT_FALSE(content.insertTypesButton()->isHidden());
    modes.selectSegment(0);
    modes.changeInsertMode();
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Plain);
    modes.selectSegment(2);
    modes.changeInsertMode();
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Decimal);

    // A picture (3), the unused 4 and numbers beyond the modes change nothing.
    for (int tag : {3, 4, 10, -1}) {
        modes.changeInsertType(tag);
        EXPECT_EQ(store->applicationInsertMode(), InsertMode::Decimal) << tag;
        EXPECT_EQ(store->latestSpecialInsertMode(), InsertMode::Decimal) << tag;
    }
}

TEST_F(Palette, EachApplicationInFrontHasItsInsertModeSegment) {
    store->setObject(QVariantMap{{QStringLiteral("gedit"), QVariantMap{{QStringLiteral("insert mode"), 1}}},
                                 {QStringLiteral("kate"), QVariantMap{{QStringLiteral("insert mode"), 8},
                                                                      {QStringLiteral("latestInsert"), 8}}}},
                     QStringLiteral("applications"));
    front.name = QStringLiteral("gedit");
    c->updateToFrontApplication(true);
    EXPECT_EQ(c->selectedInsertModeSegment(), 1);
    front.name = QStringLiteral("kate");
    c->updateToFrontApplication(true);
    EXPECT_EQ(c->selectedInsertModeSegment(), 2);
    EXPECT_EQ(store->applicationInsertMode(), InsertMode::Name);
    EXPECT_EQ(c->content().insertModeSegments()->label(2), QStringLiteral("Name \u25BE"));
    front.name = QStringLiteral("xterm");
    c->updateToFrontApplication(true);
    EXPECT_EQ(c->selectedInsertModeSegment(), 0);
}

rbx::Font fontNamed(const char* name) { return rbx::font::tryFindingFontWithName(QString::fromLatin1(name), 12); }

TEST_F(Palette, TheFontPopUpsShowTheFontAndChoosingAFaceMakesItTheApplicationsFont) {
    const rbx::Font sans = fontNamed("DejaVuSans");
    if (!sans || !fontNamed("DejaVuSans-Bold")) GTEST_SKIP() << "DejaVu Sans is not installed";
    front.name = QStringLiteral("gedit");
    c->updateToFrontApplication(true);
    c->selectFont(sans);
    PaletteContent& content = c->content();
    EXPECT_EQ(content.fontFamilyPopUp()->currentText(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(content.currentFontLabel()->text(),
              QStringLiteral("DejaVu Sans (%1)").arg(sans->coveredCharacters().numberOfCharacters()));

    // Reaching for a pop-up makes the list: every family, every face of the shown one.
    content.facePopUp()->showPopup();
    content.facePopUp()->hidePopup();
    RbxFontList& list = c->fonts().list();
    EXPECT_EQ(content.fontFamilyPopUp()->count(), list.count());
    const int bold = content.facePopUp()->findText(QStringLiteral("Bold"));
    ASSERT_GE(bold, 0);
    EXPECT_EQ(content.facePopUp()->count(), list.selectedFamily()->typefaces().size());

    store->setApplicationFontDectection(true);
    c->fontControls().changeFontFace(bold);
    EXPECT_EQ(c->selectedFont().postScriptName(), QStringLiteral("DejaVuSans-Bold"));
    EXPECT_EQ(c->charView()->font().postScriptName(), QStringLiteral("DejaVuSans-Bold"));
    EXPECT_EQ(store->applicationFont(), QStringLiteral("DejaVuSans-Bold"));
    EXPECT_FALSE(store->applicationFontDectection());
    EXPECT_TRUE(content.currentFontLabel()->text().startsWith(QStringLiteral("DejaVu Sans Bold (")));
    // The recent-fonts pop-up starts with the font shown and ends with the switch.
    EXPECT_EQ(c->fontControls().recentFonts().itemAt(0).title, QStringLiteral("DejaVuSans-Bold"));
    EXPECT_EQ(content.recentFontsPopUp()->itemText(content.recentFontsPopUp()->count() - 1),
              PaletteFontControls::toggleDetectionTitle());

    // Another family from the family pop-up.
    const int serif = content.fontFamilyPopUp()->findText(QStringLiteral("DejaVu Serif"));
    if (serif >= 0) {
        c->fontControls().changeFontFamily(serif);
        EXPECT_EQ(c->selectedFont().familyName(), QStringLiteral("DejaVu Serif"));
        EXPECT_EQ(content.fontFamilyPopUp()->currentIndex(), serif);
        EXPECT_EQ(store->applicationFont(), c->selectedFont().postScriptName());
    }
}

TEST_F(Palette, TheRecentFontsPopUpsTitleDoesNothingAndItsLastItemSwitchesDetection) {
    c->fontControls().updateRecentFontsPopUp();
    c->content().recentFontsPopUp()->showPopup();
    c->content().recentFontsPopUp()->hidePopup();
    const RbxPopUpModel& recent = c->fontControls().recentFonts();
    ASSERT_GE(recent.count(), 3);
    const rbx::Font shown = c->selectedFont();
    c->fontControls().selectRecentFont(0);
    EXPECT_EQ(c->selectedFont(), shown);
    const bool detection = store->isFontDetectionEnabled();
    c->fontControls().selectRecentFont(recent.count() - 1);
    EXPECT_EQ(store->isFontDetectionEnabled(), !detection);
}

TEST_F(Palette, ALinkedFamilyChoosesItsLayoutInTheCharacterViews) {
    const rbx::Font sans = fontNamed("DejaVuSans");
    const rbx::Font serif = fontNamed("DejaVuSerif");
    if (!sans || !serif) GTEST_SKIP() << "DejaVu Sans and Serif are not installed";
    QToolButton& link = *c->content().layoutLinkButton();
    c->selectFont(sans);
    EXPECT_FALSE(link.isChecked());
    EXPECT_EQ(link.toolTip(), QStringLiteral("Link the current Font (DejaVu Sans) to layout: Unicode Blocks"));

    // Sans is linked with "Scripts and Symbols".
    RbxLayout::switchToLayoutNamed(QStringLiteral("Scripts and Symbols"));
    c->changeLayout();
    c->fontControls().toggleLayoutLink(true);
    EXPECT_EQ(store->layoutForFontFamily(QStringLiteral("DejaVu Sans")), QStringLiteral("Scripts and Symbols"));
    EXPECT_TRUE(link.isChecked());
    EXPECT_EQ(link.toolTip(), QStringLiteral("Current Font (DejaVu Sans) is linked to layout: Scripts and Symbols"));

    // Serif has no link: the layout setting; Sans again: its own.
    store->setString(QStringLiteral("Unicode Blocks"), QStringLiteral("layout"));
    c->selectFont(serif);
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Unicode Blocks"));
    EXPECT_FALSE(link.isChecked());
    c->selectFont(sans);
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Scripts and Symbols"));

    // In the preview the button is hidden and the sample is kept.
    c->changeViewTo(10);
    c->selectFont(serif);
    c->selectFont(sans);
    EXPECT_TRUE(link.isHidden());
    EXPECT_EQ(store->layoutForFontFamily(QStringLiteral("DejaVu Sans")), QStringLiteral("Scripts and Symbols"));

    c->changeViewTo(1);
    c->fontControls().toggleLayoutLink(false);
    EXPECT_TRUE(store->layoutForFontFamily(QStringLiteral("DejaVu Sans")).isEmpty());
}

TEST_F(Palette, ViewsSwitchPagesAndControlsAndUnknownViewsFallBack) {
    PaletteContent& content = c->content();
    c->changeViewTo(3);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 3);
    EXPECT_EQ(content.contentTabView()->currentWidget(), content.pageForView(1));
    EXPECT_FALSE(content.viewPopUp()->isHidden());

    c->changeViewTo(10);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 10);
    EXPECT_EQ(content.contentTabView()->currentWidget(), content.pageForView(10));
    EXPECT_TRUE(content.viewPopUp()->isHidden());
    EXPECT_TRUE(content.recentFontsPopUp()->isHidden());
    EXPECT_FALSE(content.layoutPopUp()->isHidden());

    // The table's segment brings back the view chosen in the pop-up.
    c->changeViewTo(1);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 3);
    // A view 1 stored from outside is the pop-up's first item.
    store->setInteger(1, QStringLiteral("view"));
    c->views().viewSettingChanged();
    EXPECT_EQ(c->views().shownView(), 1);
    EXPECT_EQ(content.viewPopUp()->currentData().toInt(), 1);

    // A stored view without a page falls back to view 1.
    kx::LogCapture log;
    store->setInteger(13, QStringLiteral("view"));
    c->views().adoptStoredView();
    EXPECT_TRUE(log.contains(QStringLiteral("unknown view tag 13")));
    EXPECT_EQ(store->integerForKey(rbx::key::view), 1);
    EXPECT_EQ(content.contentTabView()->currentWidget(), content.pageForView(1));
}

TEST_F(Palette, AViewStoredWhenThePaletteStartsHasItsSegmentAndItsControls) {
    PaletteContent* content = &c->content();
    for (const int view : {10, 11, 12}) {
        store->setInteger(view, QStringLiteral("view"));
        make();
        content = &c->content();
        c->openWindow(nullptr);
        EXPECT_EQ(content->contentTabView()->currentWidget(), content->pageForView(view)) << view;
        EXPECT_EQ(content->windowModeSegmentedControl()->selectedTag(), view);
        EXPECT_TRUE(content->viewPopUp()->isHidden()) << view;
        EXPECT_TRUE(content->recentFontsPopUp()->isHidden()) << view;
        EXPECT_TRUE(content->shapeFinderButton()->isHidden()) << view;
        EXPECT_EQ(content->searchField()->isHidden(), view == 12) << view;
    }
    store->setInteger(3, QStringLiteral("view"));
    make();
    content = &c->content();
    c->openWindow(nullptr);
    EXPECT_EQ(content->windowModeSegmentedControl()->selectedTag(), 1);
    EXPECT_EQ(content->viewPopUp()->currentData().toInt(), 3);
    EXPECT_FALSE(content->viewPopUp()->isHidden());
    EXPECT_FALSE(content->searchField()->isHidden());
}

TEST_F(Palette, SwipingMovesAmongTheTablesViewsAndStopsAtTheEnds) {
    c->changeViewTo(1);
    c->swipeView(-1);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 1);
    c->swipeView(1);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 2);
    c->swipeView(1);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 3);
    c->swipeView(1);  // no view 4 in the pop-up
    EXPECT_EQ(store->integerForKey(rbx::key::view), 3);
    c->swipeView(3);  // beyond 5
    EXPECT_EQ(store->integerForKey(rbx::key::view), 3);
    c->swipeView(-2);
    EXPECT_EQ(store->integerForKey(rbx::key::view), 1);
}

TEST_F(Palette, TheLayoutPopUpShowsTheLayoutsOrTheSamplesAndItsChoiceIsKept) {
    KXPopUpButton& popUp = *c->content().layoutPopUp();
    c->changeViewTo(1);
    const int scripts = popUp.findText(QStringLiteral("Scripts and Symbols"));
    ASSERT_GE(scripts, 0);
    EXPECT_GE(popUp.findData(RbxLayoutPopUp::customLayoutsFolderItem()), 0);
    EXPECT_GE(popUp.findData(RbxLayoutPopUp::moreLayoutsItem()), 0);
    c->table().layoutPopUp()->selectItemAtIndex(scripts);
    c->changeLayout();
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Scripts and Symbols"));
    EXPECT_EQ(store->stringForKey(rbx::key::layout), QStringLiteral("Scripts and Symbols"));

    // The text views offer the sample texts; a choice is the setting "sample".
    c->changeViewTo(11);
    EXPECT_LT(popUp.findText(QStringLiteral("Scripts and Symbols")), 0);
    const int lorem = popUp.findText(QStringLiteral("Lorem ipsum"));
    ASSERT_GE(lorem, 0);
    c->table().layoutPopUp()->selectItemAtIndex(lorem);
    c->changeLayout();
    EXPECT_EQ(store->stringForKey(rbx::key::sample), popUp.itemData(lorem).toString());
    // A layout file added meanwhile is found, and the text view keeps its sample titles.
    QFile added(KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts")) + QStringLiteral("/Added Layout.txt"));
    ASSERT_TRUE(added.open(QIODevice::WriteOnly));
    added.write("Added group\n$0041\n");
    added.close();
    EXPECT_NE(RbxLayout::layoutNamed(QStringLiteral("Added Layout")), nullptr);
    EXPECT_GE(popUp.findText(QStringLiteral("Lorem ipsum")), 0);
    EXPECT_LT(popUp.findText(QStringLiteral("Added Layout")), 0);
    c->changeViewTo(1);
    EXPECT_GE(popUp.findText(QStringLiteral("Added Layout")), 0);
    added.remove();
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Scripts and Symbols"));
}

// The controls of the palette that show, outside its scrolled views (the table, the
// font list and the text views).
QList<QWidget*> shownControls(QWidget& window) {
    QList<QWidget*> controls;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisible() || !(qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
                                 qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSlider*>(w)))
            continue;
        // (A field's own buttons are the field's.)
        bool scrolled = qobject_cast<QLineEdit*>(w->parentWidget());
        for (QWidget* p = w->parentWidget(); p && p != &window; p = p->parentWidget())
            scrolled = scrolled || qobject_cast<QAbstractScrollArea*>(p);
        if (!scrolled) controls << w;
    }
    return controls;
}

TEST_F(Palette, AtItsSmallestSizeEveryControlHasItsRoomInsideTheWindow) {
    QWidget& window = *c->window();
    c->openWindow(nullptr);
    for (const int view : {1, 10, 11, 12}) {
        c->changeViewTo(view);
        QCoreApplication::processEvents();
        window.layout()->activate();
        for (const QSize size : {window.minimumSize(), QSize(PaletteContent::DefaultWidth, PaletteContent::DefaultHeight)}) {
            window.resize(size);
            window.layout()->activate();
            QCoreApplication::processEvents();
            const QList<QWidget*> controls = shownControls(window);
            EXPECT_GE(controls.size(), 10) << view;
            for (QWidget* w : controls) {
                const QRect inWindow(w->mapTo(&window, QPoint(0, 0)), w->size());
                const QString what = QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName() +
                                     QStringLiteral(" in view ") + QString::number(view) + QStringLiteral(" at ") +
                                     QString::number(size.width());
                // A button shows its whole title; other controls may shrink to their least.
                const int least = qobject_cast<QAbstractButton*>(w)
                                      ? w->sizeHint().width()
                                      : std::max(w->minimumWidth(), w->minimumSizeHint().width());
                EXPECT_GE(w->width(), least) << what.toStdString();
                EXPECT_TRUE(window.rect().contains(inWindow)) << what.toStdString();
            }
        }
    }
}

TEST_F(Palette, ALayoutChosenJustAsTheUsersLayoutFilesChangeIsKept) {
    KXPopUpButton& popUp = *c->content().layoutPopUp();
    c->changeViewTo(1);
    const int scripts = popUp.findText(QStringLiteral("Scripts and Symbols"));
    ASSERT_GE(scripts, 0);
    // A layout file comes in between the showing of the pop-up and the user's choice:
    // the layouts are read again while the choice is applied.
    QFile added(KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts")) + QStringLiteral("/Arrived Layout.txt"));
    ASSERT_TRUE(added.open(QIODevice::WriteOnly));
    added.write("Arrived group\n$0041\n");
    added.close();
    c->table().layoutPopUp()->selectItemAtIndex(scripts);
    c->changeLayout();
    EXPECT_EQ(c->table().layoutName(), QStringLiteral("Scripts and Symbols"));
    EXPECT_EQ(store->stringForKey(rbx::key::layout), QStringLiteral("Scripts and Symbols"));
    EXPECT_EQ(popUp.currentText(), QStringLiteral("Scripts and Symbols"));
    EXPECT_GE(popUp.findText(QStringLiteral("Arrived Layout")), 0);
    added.remove();
}

TEST(MoreLayouts, TheAddressIsTheSitesExtensionsPage) {
    EXPECT_TRUE(PaletteViews::moreLayoutsAddress().startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(PaletteViews::moreLayoutsAddress().endsWith(QStringLiteral("/runebox/extensions/")));
}

} // namespace
