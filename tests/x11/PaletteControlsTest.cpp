// The palette's controls used as a person uses them, with the pointer of the X server: a
// font chosen by its pop-ups changes the label and the table, also one chosen again from
// the recent fonts; a family linked to a layout brings it back; a special form chosen in
// the insert-mode control reaches the application in front, and each application keeps
// its insert mode; the size menu sets the size of formatted text and its label; the size
// slider sizes the characters of a family and the group button jumps to a group; Alt+Shift
// with a double click on a group header folds every group, as Alt does; the window
// mode, the view and the layout switch what the palette shows, and the layout pop-up's
// last items open the layouts folder and the page of more layouts; Tab reaches every
// control, and a pop-up is used with the keys.
#include "FakeOpener.h"
#include "FrontEditors.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/TestEnvironment.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>
#include <QDBusArgument>
#include <QElapsedTimer>
#include <QDir>
#include <QRect>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::url;

const QPoint awayFromThePalette(1100, 80);

using x11test::clickControl;
using x11test::controlRect;
using x11test::rectOf;


// The items of the menu or list open in the palette: title to place on the screen.
QList<std::pair<QString, QRect>> openItems() {
    QList<std::pair<QString, QRect>> items;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap item = qdbus_cast<QVariantMap>(v);
        items.append({item.value(QStringLiteral("title")).toString(), rectOf(item.value(QStringLiteral("rect")))});
    }
    return items;
}

using x11test::clickOpenItem;

bool stateHas(const QString& key, const QVariant& value) {
    return Copy::waitForState([&](const QVariantMap& s) { return s.value(key) == value; });
}

// Whether the family is installed (the palette's font list holds it).
bool installed(const QString& family) {
    return Copy::debugCall(QStringLiteral("FontFamilies")).toStringList().contains(family);
}

// A palette shown away from the pointer, its font list read and shown.
struct ShownPalette {
    explicit ShownPalette(const QProcessEnvironment& env = {}) : copy({}, env) {
        x11test::pointTo(awayFromThePalette);
        ok = Copy::waitForState([](const QVariantMap& s) {
            return Copy::shownAndPainted(s) && s.value(QStringLiteral("fontListLoaded")).toBool() &&
                   s.value(QStringLiteral("fontRows")).toInt() > 0;
        });
    }
    Copy copy;
    bool ok = false;
};

// The probe application in front and the palette shown beside it, following it.
struct PaletteBesideTheProbe {
    PaletteBesideTheProbe() {
        ok = probeStarted && palette.ok && stateHas(QStringLiteral("front"), QStringLiteral("runebox-probe"));
    }
    x11test::ProbeEditor probe;
    const bool probeStarted = probe.started();
    ShownPalette palette;
    bool ok = false;
};

TEST(PaletteControls, AFontChosenByItsPopUpsChangesTheLabelAndTheTable) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QVariantMap before = Copy::state();
    const QString family = before.value(QStringLiteral("fontFamily")).toString();
    ASSERT_TRUE(before.value(QStringLiteral("fontLabel")).toString().startsWith(family + QStringLiteral(" (")));

    // Another family from the family pop-up (DejaVu Serif when it is there).
    ASSERT_TRUE(clickControl(QStringLiteral("fontFamilyPopUp")));
    QString chosen;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        for (const auto& [title, place] : openItems())
            if (!place.isEmpty() && title != family && (chosen.isEmpty() || title == QStringLiteral("DejaVu Serif")))
                chosen = title;
        return !chosen.isEmpty();
    })) << palette.copy.output().toStdString();
    const qint64 painted = Copy::state().value(QStringLiteral("tablePaintedNs")).toLongLong();
    ASSERT_EQ(clickOpenItem(chosen), chosen) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("fontFamily")) == chosen &&
               s.value(QStringLiteral("fontLabel")).toString().startsWith(chosen) &&
               s.value(QStringLiteral("fontLabel")).toString().endsWith(QLatin1Char(')')) &&
               s.value(QStringLiteral("tablePaintedNs")).toLongLong() > painted;
    })) << chosen.toStdString() << palette.copy.output().toStdString();

    // DejaVu Sans and then its bold face from the face pop-up: the label and the table
    // follow, the table shows the bold font.
    if (!installed(QStringLiteral("DejaVu Sans"))) GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_TRUE(clickControl(QStringLiteral("fontFamilyPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("DejaVu Sans")), QStringLiteral("DejaVu Sans"));
    ASSERT_TRUE(stateHas(QStringLiteral("font"), QStringLiteral("DejaVuSans")));
    const QString label = Copy::state().value(QStringLiteral("fontLabel")).toString();
    ASSERT_TRUE(clickControl(QStringLiteral("facePopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Bold")), QStringLiteral("Bold"));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("font")) == QStringLiteral("DejaVuSans-Bold") &&
               s.value(QStringLiteral("face")) == QStringLiteral("Bold") &&
               s.value(QStringLiteral("fontLabel")).toString().startsWith(QStringLiteral("DejaVu Sans Bold (")) &&
               s.value(QStringLiteral("fontLabel")) != label;
    })) << Copy::state().value(QStringLiteral("fontLabel")).toString().toStdString();

    // The recent-fonts pop-up heads its list with the font shown and offers the switch of
    // font detection.
    ASSERT_TRUE(clickControl(QStringLiteral("recentFontsPopUp")));
    EXPECT_TRUE(rbxtest::waitFor([] {
        const auto items = openItems();
        return !items.isEmpty() && items.first().first == QStringLiteral("DejaVuSans-Bold") &&
               items.last().first == QStringLiteral("Toggle Font Detection");
    }));
    x11test::key(QStringLiteral("Escape"));
    x11test::pointTo(awayFromThePalette);
}

// Chooses the family from the family pop-up; whether the palette then shows it.
bool chooseFamily(const QString& family) {
    if (!clickControl(QStringLiteral("fontFamilyPopUp"))) return false;
    if (clickOpenItem(family) != family) {
        x11test::key(QStringLiteral("Escape"));
        return false;
    }
    return stateHas(QStringLiteral("fontFamily"), family);
}

// Chooses the layout from the layout pop-up; whether the table then shows it.
bool chooseLayout(const QString& layout) {
    return clickControl(QStringLiteral("layoutPopUp")) && clickOpenItem(layout) == layout &&
           stateHas(QStringLiteral("layout"), layout);
}

TEST(PaletteControls, AFontInsertedWithIsChosenAgainFromTheRecentFonts) {
    PaletteBesideTheProbe session;
    ASSERT_TRUE(session.ok) << session.palette.copy.output().toStdString();
    x11test::ProbeEditor& probe = session.probe;
    if (!installed(QStringLiteral("DejaVu Serif"))) GTEST_SKIP() << "DejaVu Serif is not installed";
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Serif")));
    // A character inserted in DejaVu Serif makes it a recent font.
    ASSERT_TRUE(Copy::clickCharacter(U'A'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("A"))) << probe.text().toStdString();
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Sans")));

    // The recent fonts: the one shown first, then the one inserted with.
    ASSERT_TRUE(clickControl(QStringLiteral("recentFontsPopUp")));
    QStringList titles;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        titles.clear();
        for (const auto& item : openItems()) titles << item.first;
        return titles.value(0) == QStringLiteral("DejaVuSans") && titles.contains(QStringLiteral("DejaVuSerif"));
    })) << titles.join(u',').toStdString();
    ASSERT_EQ(clickOpenItem(QStringLiteral("DejaVuSerif")), QStringLiteral("DejaVuSerif"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("font")) == QStringLiteral("DejaVuSerif") &&
               s.value(QStringLiteral("fontLabel")).toString().startsWith(QStringLiteral("DejaVu Serif ("));
    })) << Copy::state().value(QStringLiteral("fontLabel")).toString().toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, AFamilyLinkedToALayoutBringsItBackWhenChosen) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    if (!installed(QStringLiteral("DejaVu Serif")) || !installed(QStringLiteral("DejaVu Sans")))
        GTEST_SKIP() << "DejaVu Sans and Serif are not installed";
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Serif")));
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Sans")));
    ASSERT_TRUE(chooseLayout(QStringLiteral("Unicode Blocks")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinkTip"),
                         QStringLiteral("Link the current Font (DejaVu Sans) to layout: Unicode Blocks")));
    EXPECT_EQ(Copy::state().value(QStringLiteral("layoutLinked")), false);

    // DejaVu Sans linked with "Scripts and Symbols" by the link button.
    ASSERT_TRUE(chooseLayout(QStringLiteral("Scripts and Symbols")));
    ASSERT_TRUE(clickControl(QStringLiteral("layoutLinkButton")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinked"), true));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinkTip"),
                         QStringLiteral("Current Font (DejaVu Sans) is linked to layout: Scripts and Symbols")));

    // Another family without a link shows the layout chosen last for such a family;
    // DejaVu Sans again: its own.
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinked"), false));
    ASSERT_TRUE(chooseLayout(QStringLiteral("Unicode Blocks")));
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Sans")));
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinked"), true));
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Unicode Blocks")));

    // The button once more on DejaVu Sans: the link is gone, and so is its layout.
    ASSERT_TRUE(chooseFamily(QStringLiteral("DejaVu Sans")));
    ASSERT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")));
    ASSERT_TRUE(clickControl(QStringLiteral("layoutLinkButton")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinked"), false));
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Unicode Blocks")));
    EXPECT_TRUE(stateHas(QStringLiteral("layoutLinkTip"),
                         QStringLiteral("Link the current Font (DejaVu Sans) to layout: Unicode Blocks")));
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, TheSizeMenuSetsTheSizeOfFormattedTextAndItsLabel) {
    PaletteBesideTheProbe session;
    ASSERT_TRUE(session.ok) << session.palette.copy.output().toStdString();
    ShownPalette& palette = session.palette;
    ASSERT_TRUE(clickControl(QStringLiteral("insertModeSegment1")));
    ASSERT_TRUE(stateHas(QStringLiteral("insertSegment"), 1));
    ASSERT_TRUE(stateHas(QStringLiteral("insertMode"), 1));

    // The menu offers the sizes.
    ASSERT_TRUE(clickControl(QStringLiteral("formattedSizeButton")));
    QStringList sizes;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        sizes.clear();
        for (const auto& [title, place] : openItems()) sizes << title;
        return !sizes.isEmpty();
    }));
    EXPECT_EQ(sizes, (QStringList{QStringLiteral("9"), QStringLiteral("10"), QStringLiteral("11"), QStringLiteral("12"),
                                  QStringLiteral("13"), QStringLiteral("14"), QStringLiteral("18"), QStringLiteral("24"),
                                  QStringLiteral("36"), QStringLiteral("48"), QStringLiteral("64"), QStringLiteral("72")}));
    ASSERT_EQ(clickOpenItem(QStringLiteral("24")), QStringLiteral("24"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("insertLabels")).toStringList().value(1) == QStringLiteral("24 ▾");
    })) << Copy::state().value(QStringLiteral("insertLabels")).toStringList().join(u'|').toStdString();

    // A size of one digit is right-aligned in two; the size is kept across starts.
    ASSERT_TRUE(clickControl(QStringLiteral("formattedSizeButton")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("9")), QStringLiteral("9"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("insertLabels")).toStringList().value(1) == QStringLiteral(" 9 ▾");
    })) << Copy::state().value(QStringLiteral("insertLabels")).toStringList().join(u'|').toStdString();
    x11test::pointTo(awayFromThePalette);
    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(palette.copy.process().waitForFinished(10000));
    QString stored;
    x11test::run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                                 QStringLiteral("formattedSize")}, &stored);
    EXPECT_EQ(stored.trimmed(), QStringLiteral("9"));
}

TEST(PaletteControls, TheSizeSliderSizesTheFamilysCharactersAndTheGroupButtonJumpsToAGroup) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QString family = Copy::state().value(QStringLiteral("fontFamily")).toString();
    ASSERT_TRUE(stateHas(QStringLiteral("customSize"), 0));
    const int width = Copy::cellOf(U'!').width();
    ASSERT_GT(width, 0);

    // A separator line parts the table from the bar below it.
    const QRect line = controlRect(QStringLiteral("bottomSeparator"));
    ASSERT_FALSE(line.isEmpty());
    const QImage shot = x11test::screenshot(QStringLiteral("bottom-separator"));
    EXPECT_GT(std::abs(x11test::lightness(shot, QRect(line.x() + 10, line.center().y(), line.width() - 20, 1)) -
                       x11test::lightness(shot, QRect(line.x() + 10, line.top(), line.width() - 20, 1))),
              0.05);

    // The slider's knob dragged to its right end doubles the characters of this family
    // and keeps that for it.
    const QRect slider = controlRect(QStringLiteral("customSizeSlider"));
    ASSERT_FALSE(slider.isEmpty());
    ASSERT_TRUE(Copy::pointAt(slider.center()));
    x11test::xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    x11test::pointTo(QPoint(slider.right() + 40, slider.center().y()));
    x11test::xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    EXPECT_TRUE(stateHas(QStringLiteral("customSize"), 100)) << Copy::state().value(QStringLiteral("customSize")).toInt();
    EXPECT_TRUE(rbxtest::waitFor([&] { return Copy::cellOf(U'!').width() > width * 3 / 2; }))
        << width << " " << Copy::cellOf(U'!').width();
    QString stored;
    x11test::run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                                 QStringLiteral("fontSizeAdjustment")}, &stored);
    EXPECT_TRUE(stored.contains(family)) << stored.toStdString();

    // Another family brings its own adjustment (none), the first one its own again.
    const QString other = family == QStringLiteral("DejaVu Serif") ? QStringLiteral("DejaVu Sans") : QStringLiteral("DejaVu Serif");
    if (installed(other)) {
        ASSERT_TRUE(chooseFamily(other));
        EXPECT_TRUE(stateHas(QStringLiteral("customSize"), 0));
        ASSERT_TRUE(chooseFamily(family));
        EXPECT_TRUE(stateHas(QStringLiteral("customSize"), 100));
    }

    // The group button pulls down the table's groups and their total; a group chosen
    // scrolls the table to it.
    const double scroll = Copy::state().value(QStringLiteral("scroll")).toDouble();
    ASSERT_TRUE(clickControl(QStringLiteral("groupJumpButton")));
    QList<std::pair<QString, QRect>> items;
    ASSERT_TRUE(rbxtest::waitFor([&] { return (items = openItems()).size() > 3; })) << palette.copy.output().toStdString();
    EXPECT_EQ(items.first().first, QStringLiteral("Groups"));
    EXPECT_TRUE(items.last().first.startsWith(QStringLiteral("Total: "))) << items.last().first.toStdString();
    EXPECT_TRUE(items.last().first.endsWith(QStringLiteral(" characters"))) << items.last().first.toStdString();
    // The lowest group the screen shows whole, below the first ones.
    const int screenBottom = QGuiApplication::primaryScreen()->geometry().bottom();
    QString last;
    for (qsizetype i = 4; i + 1 < items.size(); ++i)
        if (!items[i].second.isEmpty() && items[i].second.bottom() < screenBottom - 10) last = items[i].first;
    ASSERT_FALSE(last.isEmpty());
    ASSERT_EQ(clickOpenItem(last), last);
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("scroll")).toDouble() != scroll; }))
        << last.toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, AltShiftDoubleClickOnAGroupHeaderFoldsAndUnfoldsEveryGroup) {
    // Alt with the mouse belongs to the window manager on most desktops; Alt+Shift does
    // what Alt does on the table.
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty() && !Copy::cellOf(U'!').isEmpty(); }, 10000));
    // The header of Basic Latin lies just above its first row ("!" after the space).
    const QRect first = Copy::cellOf(U'!');
    const QPoint header(first.center().x(), first.top() - 6);
    auto altShiftDoubleClick = [&] {
        Copy::pointAt(header);
        x11test::xdo({QStringLiteral("keydown"), QStringLiteral("alt+shift"), QStringLiteral("click"), QStringLiteral("--repeat"),
                      QStringLiteral("2"), QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1"),
                      QStringLiteral("keyup"), QStringLiteral("alt+shift")});
    };
    altShiftDoubleClick();
    // Every group folds: neither Basic Latin's letters nor the next block's show.
    EXPECT_TRUE(rbxtest::waitFor([] { return Copy::cellOf(U'A').isEmpty() && Copy::cellOf(U'é').isEmpty(); }, 10000))
        << palette.copy.output().toStdString();
    QString stored;
    x11test::run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                                 QStringLiteral("defaultBlocksCollapsed")}, &stored);
    EXPECT_EQ(stored.trimmed(), QStringLiteral("1")) << stored.toStdString();
    altShiftDoubleClick();
    EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 10000)) << palette.copy.output().toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, TheLayoutPopUpsLastItemsOpenTheLayoutsFolderAndThePageOfMoreLayouts) {
    const x11test::FakeOpener opener;
    ShownPalette palette(opener.environment());
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QString layout = Copy::state().value(QStringLiteral("layout")).toString();

    // The folder of the user's layouts, made when missing; the palette closes.
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Custom Layouts...")), QStringLiteral("Custom Layouts..."));
    const QString folder = opener.opened(1).value(0);
    EXPECT_TRUE(folder.endsWith(QStringLiteral("/Layouts"))) << folder.toStdString();
    EXPECT_TRUE(QDir(QUrl::fromUserInput(folder).toLocalFile()).exists()) << folder.toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    EXPECT_EQ(Copy::state().value(QStringLiteral("layout")), layout);

    // The web page of more layouts.
    x11test::pointTo(awayFromThePalette);
    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=window")), 0);
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted));
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("More Layouts...")), QStringLiteral("More Layouts..."));
    const QString page = opener.opened(2).value(1);
    EXPECT_TRUE(page.startsWith(QStringLiteral("https://")) && page.endsWith(QStringLiteral("/runebox/extensions/")))
        << page.toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    EXPECT_EQ(Copy::state().value(QStringLiteral("layout")), layout);
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, TabReachesEveryControlAndAPopUpIsUsedWithTheKeys) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(clickControl(QStringLiteral("searchField")));
    ASSERT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("searchField")));

    // Tab after Tab: the keyboard visits every control of the palette and comes back.
    QStringList visited;
    for (int i = 0; i < 40 && !visited.contains(QStringLiteral("searchField")); ++i) {
        const QString before = Copy::state().value(QStringLiteral("focus")).toString();
        x11test::key(QStringLiteral("Tab"));
        QString now;
        rbxtest::waitFor([&] { return (now = Copy::state().value(QStringLiteral("focus")).toString()) != before; }, 3000);
        visited << now;
    }
    for (const char* control : {"fontFilterField", "collectionsPopUp", "fontTableView", "fontFamilyPopUp", "facePopUp",
                                "recentFontsPopUp", "layoutLinkButton", "shapeFinderButton", "windowModeSegment1",
                                "viewPopUp", "layoutPopUp", "groupJumpButton", "customSizeSlider", "rbxCharView", "insertModeSegment0", "programMenuButton"})
        EXPECT_TRUE(visited.contains(QLatin1String(control))) << control << ": " << visited.join(u' ').toStdString();
    EXPECT_EQ(visited.last(), QStringLiteral("searchField")) << visited.join(u' ').toStdString();

    // The view pop-up opened with the space bar, its next item chosen with the arrow and
    // Return.
    for (int i = 0; i < 40 && Copy::state().value(QStringLiteral("focus")) != QStringLiteral("viewPopUp"); ++i) {
        const QString before = Copy::state().value(QStringLiteral("focus")).toString();
        x11test::key(QStringLiteral("Tab"));
        rbxtest::waitFor([&] { return Copy::state().value(QStringLiteral("focus")).toString() != before; }, 3000);
    }
    ASSERT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("viewPopUp")));
    x11test::key(QStringLiteral("space"));
    ASSERT_TRUE(rbxtest::waitFor([] { return !openItems().isEmpty(); }, 5000));
    x11test::key(QStringLiteral("Down"));
    x11test::key(QStringLiteral("Return"));
    EXPECT_TRUE(stateHas(QStringLiteral("view"), 2));
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, SpecialFormsReachTheApplicationInFrontAndEachApplicationKeepsItsMode) {
    PaletteBesideTheProbe session;
    ASSERT_TRUE(session.ok) << session.palette.copy.output().toStdString();
    x11test::ProbeEditor& probe = session.probe;
    ShownPalette& palette = session.palette;
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=") +
                  QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("latin small letter e with acute")))), 0);
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'é').isEmpty(); }, 15000)) << palette.copy.output().toStdString();

    // The third segment, then its menu: the decimal notation (the code point in decimal).
    ASSERT_TRUE(clickControl(QStringLiteral("insertModeSegment2")));
    ASSERT_TRUE(stateHas(QStringLiteral("insertSegment"), 2));
    ASSERT_TRUE(clickControl(QStringLiteral("insertTypesButton")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Decimal")), QStringLiteral("Decimal"));
    ASSERT_TRUE(stateHas(QStringLiteral("insertMode"), 6));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("233"))) << probe.text().toStdString();

    // HTML from the same menu.
    ASSERT_TRUE(clickControl(QStringLiteral("insertTypesButton")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("HTML")), QStringLiteral("HTML"));
    ASSERT_TRUE(stateHas(QStringLiteral("insertMode"), 2));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("233&eacute;"))) << probe.text().toStdString();
    x11test::pointTo(awayFromThePalette);

    // Another application in front has its own mode (plain); the probe, in front again
    // when xterm closes, has HTML again and gets it.
    auto xterm = x11test::startXterm();
    ASSERT_TRUE(xterm->started());
    ASSERT_TRUE(stateHas(QStringLiteral("front"), QStringLiteral("xterm"))) << palette.copy.output().toStdString();
    EXPECT_TRUE(stateHas(QStringLiteral("insertSegment"), 0));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    EXPECT_TRUE(xterm->waitForText(QStringLiteral("é"))) << xterm->text().toStdString();
    x11test::pointTo(awayFromThePalette);

    // xterm closes: the probe is in front again.
    xterm.reset();
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    ASSERT_TRUE(stateHas(QStringLiteral("front"), QStringLiteral("runebox-probe")));
    ASSERT_TRUE(stateHas(QStringLiteral("insertSegment"), 2));
    ASSERT_TRUE(Copy::clickCharacter(U'é'));
    EXPECT_TRUE(probe.waitForText(QStringLiteral("233&eacute;&eacute;"))) << probe.text().toStdString();
    x11test::pointTo(awayFromThePalette);
}

TEST(PaletteControls, TheWindowModeTheViewAndTheLayoutSwitchWhatThePaletteShows) {
    ShownPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const qulonglong fontCount = Copy::state().value(QStringLiteral("count")).toULongLong();

    // Every defined character from the view pop-up: far more cells.
    ASSERT_TRUE(clickControl(QStringLiteral("viewPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("All Unicode")), QStringLiteral("All Unicode"));
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 3 && s.value(QStringLiteral("count")).toULongLong() > fontCount;
    })) << palette.copy.output().toStdString();

    // Another layout from the layout pop-up.
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_EQ(clickOpenItem(QStringLiteral("Scripts and Symbols")), QStringLiteral("Scripts and Symbols"));
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")));

    // The preview page, whose layout pop-up offers the sample texts; the view pop-up is
    // gone with the table.
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment10")));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 10 && s.value(QStringLiteral("page")) == QStringLiteral("previewPage");
    }));
    EXPECT_TRUE(controlRect(QStringLiteral("viewPopUp")).isEmpty());
    EXPECT_TRUE(controlRect(QStringLiteral("layoutLinkButton")).isEmpty());
    ASSERT_TRUE(clickControl(QStringLiteral("layoutPopUp")));
    ASSERT_TRUE(rbxtest::waitFor([] {
        bool sample = false, layout = false;
        for (const auto& item : openItems()) {
            sample = sample || item.first == QStringLiteral("Lorem ipsum");
            layout = layout || item.first == QStringLiteral("Unicode Blocks");
        }
        return sample && !layout;
    }));
    x11test::key(QStringLiteral("Escape"));
    x11test::pointTo(awayFromThePalette);

    // Back to the table: the view and the layout chosen before.
    ASSERT_TRUE(clickControl(QStringLiteral("windowModeSegment1")));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("view")) == 3 && s.value(QStringLiteral("page")) == QStringLiteral("tablePage") &&
               s.value(QStringLiteral("layout")) == QStringLiteral("Scripts and Symbols");
    })) << palette.copy.output().toStdString();
    EXPECT_FALSE(controlRect(QStringLiteral("viewPopUp")).isEmpty());
    x11test::pointTo(awayFromThePalette);
}

} // namespace
