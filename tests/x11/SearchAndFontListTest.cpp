// The search field and the font list of the real runebox program, used with the keyboard
// and the pointer of the X server: typing searches by name and by code, a maintenance
// command answers in the field; a right click marks the fonts
// that contain a character, which then show a bullet; a family clicked in the font list
// becomes the palette's font; "show in context" leaves a search for the character's group;
// the listings typed into the field are shown and copied; the family names in view come
// to be drawn in their own fonts, also after scrolling, and only the families that were in
// view have had their fonts looked for; a name its font sets as pictures is drawn in the
// list's usual font; the filter field narrows the list and its clear button brings every
// family back.
#include "Desktop.h"
#include "FakeOpener.h"
#include "MenuItems.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"

#include <QDBusArgument>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;

const QPoint awayFromThePalette(1100, 80);

using x11test::MenuItem;
using x11test::menuItems;
using x11test::rectOf;

// The item of the open menu whose title begins so; waits for the menu.
std::optional<MenuItem> menuItem(const QString& prefix) {
    std::optional<MenuItem> found;
    rbxtest::waitFor([&] {
        for (const MenuItem& i : menuItems())
            if (i.title.startsWith(prefix)) found = i;
        return found.has_value();
    }, 4000);
    return found;
}

QRect control(const QString& name) { return rectOf(Copy::debugCall(QStringLiteral("ControlRect"), {name})); }

bool stateHas(const QString& key, const QVariant& value) {
    return Copy::waitForState([&](const QVariantMap& s) { return s.value(key) == value; });
}

using x11test::searchShown;

// The screen as the X server shows it.
QImage screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

// Whether a picture holds a dark pixel (a glyph drawn in the table's text colour).
bool hasInk(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100) return true;
    return false;
}

qulonglong count() { return Copy::state().value(QStringLiteral("count")).toULongLong(); }

// The palette open with the pointer over it (so it has the keyboard).
struct Palette {
    explicit Palette(const QProcessEnvironment& env = {}) : copy({}, env) {
        x11test::pointTo(awayFromThePalette);
        ok = Copy::waitForState(Copy::shownAndPainted) &&
             Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() > 0; });
        if (!ok) return;
        frame = x11test::frameOf(x11test::windowOfPid(int(copy.process().processId())));
        const QRect field = control(QStringLiteral("searchField"));
        x11test::pointTo(field.center());
        const int pid = int(copy.process().processId());
        ok = !field.isEmpty() && rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000);
    }
    Copy copy;
    QRect frame;
    bool ok = false;
};

void clearSearch() {
    x11test::key(QStringLiteral("Escape"));
    ASSERT_TRUE(searchShown(QString()));
}

TEST(SearchField, NamesCodesAndCommandsWork) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const qulonglong everything = count();
    const QImage before = screen();

    // By name: only arrows, and the screen shows them.
    x11test::type(QStringLiteral("arrow"));
    ASSERT_TRUE(searchShown(QStringLiteral("arrow"))) << palette.copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000));
    const QRect arrowCell = Copy::cellOf(U'→');
    QImage shown;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        shown = screen().copy(arrowCell);
        return hasInk(shown) && shown != before.copy(arrowCell);
    }, 5000)) << "the table on the screen does not show the search's result";
    EXPECT_TRUE(Copy::cellOf(U'A').isEmpty());
    const qulonglong arrows = count();
    EXPECT_GT(arrows, 50u);
    EXPECT_LT(arrows, everything / 4);
    clearSearch();

    // By code, in two notations: the one character.
    for (const QString& code : {QStringLiteral("U+2192"), QStringLiteral("#8594")}) {
        x11test::type(code);
        ASSERT_TRUE(searchShown(code)) << code.toStdString();
        EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000)) << code.toStdString();
        EXPECT_LT(count(), 5u) << code.toStdString();
        clearSearch();
    }

    // A maintenance command typed into the field answers in the field.
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    const int pid = int(palette.copy.process().processId());
    ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000));
    // (xdotool takes a word with a leading "-" for an option of its own without "--".)
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--"), QStringLiteral("-version")});
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("hide version")))
        << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    EXPECT_TRUE(control(QStringLiteral("versionLabel")).isEmpty());

}

TEST(FontList, ARightClickMarksTheFontsWithTheCharacterAndAClickedFamilyIsShown) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::type(QStringLiteral("cyrillic capital letter zhe"));
    ASSERT_TRUE(searchShown(QStringLiteral("cyrillic capital letter zhe")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'Ж').isEmpty(); }, 10000));
    ASSERT_TRUE(Copy::state().value(QStringLiteral("markedFamilies")).toStringList().isEmpty());

    // Marked from the character's menu: the families with Ж have a bullet.
    x11test::pointTo(Copy::cellOf(U'Ж').center());
    ASSERT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    const std::optional<MenuItem> mark = menuItem(QStringLiteral("Mark Fonts Containing Ж"));
    ASSERT_TRUE(mark) << palette.copy.output().toStdString();
    EXPECT_TRUE(mark->enabled);
    x11test::pointTo(mark->rect.center());
    x11test::click();
    ASSERT_TRUE(stateHas(QStringLiteral("mark"), uint(0x416)));
    const QStringList marked = Copy::state().value(QStringLiteral("markedFamilies")).toStringList();
    EXPECT_TRUE(marked.contains(QStringLiteral("DejaVu Sans"))) << marked.join(u',').toStdString();
    EXPECT_FALSE(marked.contains(QStringLiteral("Noto Color Emoji"))) << marked.join(u',').toStdString();
    EXPECT_LT(marked.size(), Copy::state().value(QStringLiteral("fontRows")).toInt());

    // A family clicked in the list becomes the palette's font.
    QRect row;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        row = rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {QStringLiteral("DejaVu Serif")}));
        return !row.isEmpty();
    }, 5000));
    x11test::pointTo(row.center());
    x11test::click();
    EXPECT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("fontRow"), QStringLiteral("DejaVu Serif")));
}

// The names in the font list's view, each with the family of the font it is drawn in.
QVariantMap namesInView() { return qdbus_cast<QVariantMap>(Copy::state().value(QStringLiteral("fontRowFonts"))); }

// Every name in view has its font settled, and some are in their own family (a font that
// lacks a name's letters cannot set it).
bool namesSettled(const QVariantMap& names) {
    int own = 0;
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (it.value().toString().isEmpty()) return false;
        own += it.value().toString() == it.key();
    }
    return names.size() >= 5 && own > 0;
}

TEST(FontList, TheNamesInViewComeToBeDrawnInTheirOwnFontsAlsoAfterScrolling) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    QVariantMap first;
    ASSERT_TRUE(rbxtest::waitFor([&] { return namesSettled(first = namesInView()); }, 10000))
        << QStringList(first.keys()).join(u',').toStdString();
    EXPECT_EQ(first.value(QStringLiteral("DejaVu Serif")), QStringLiteral("DejaVu Serif"));

    // The wheel over the list brings other families into view, which follow.
    const QRect list = control(QStringLiteral("fontTableView"));
    ASSERT_FALSE(list.isEmpty());
    x11test::pointTo(list.center());
    for (int i = 0; i < 6; ++i) run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("5")});
    QVariantMap later;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        later = namesInView();
        return !later.contains(first.firstKey()) && namesSettled(later);
    }, 10000)) << QStringList(later.keys()).join(u',').toStdString();

    // Only the families that were shown had their fonts looked for.
    const QVariantMap s = Copy::state();
    EXPECT_GE(s.value(QStringLiteral("nameFonts")).toInt(), first.size());
    EXPECT_LT(s.value(QStringLiteral("nameFonts")).toInt(), s.value(QStringLiteral("fontRows")).toInt() / 2);
}

TEST(FontList, TheFilterFieldNarrowsTheListAndItsClearButtonBringsAllBack) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const int all = Copy::state().value(QStringLiteral("fontRows")).toInt();
    const QRect field = control(QStringLiteral("fontFilterField"));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(field.center());
    x11test::click();
    x11test::type(QStringLiteral("dejavu"));
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        const int rows = s.value(QStringLiteral("fontRows")).toInt();
        return rows > 0 && rows < all;
    })) << Copy::state().value(QStringLiteral("fontRows")).toInt();

    // The clear button sits at the field's right end once it has text.
    x11test::pointTo(QPoint(field.right() - field.height() / 2, field.center().y()));
    x11test::click();
    EXPECT_TRUE(stateHas(QStringLiteral("fontRows"), all)) << Copy::state().value(QStringLiteral("fontRows")).toInt();
}

// The family each name the filter leaves in view is drawn in, once every one is settled.
QVariantMap filteredNames(const QString& filter) {
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::type(filter);
    QVariantMap names;
    rbxtest::waitFor([&] {
        names = namesInView();
        if (names.isEmpty()) return false;
        for (auto it = names.begin(); it != names.end(); ++it)
            if (!it.key().contains(filter, Qt::CaseInsensitive) || it.value().toString().isEmpty()) return false;
        return true;
    }, 10000);
    return names;
}

TEST(FontList, ANameAFontSetsAsPicturesIsDrawnInTheListsOwnFont) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QRect field = control(QStringLiteral("fontFilterField"));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(field.center());
    x11test::click();
    ASSERT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("fontFilterField")));

    // A font with letters sets its own name.
    const QVariantMap nimbus = filteredNames(QStringLiteral("Nimbus Sans"));
    ASSERT_TRUE(nimbus.contains(QStringLiteral("Nimbus Sans"))) << QStringList(nimbus.keys()).join(u',').toStdString();
    EXPECT_EQ(nimbus.value(QStringLiteral("Nimbus Sans")), QStringLiteral("Nimbus Sans"));

    // The dingbats (pictures where the letters' codes are) and the symbols (Greek there)
    // are named in the list's usual font.
    for (const QString& family : {QStringLiteral("D050000L"), QStringLiteral("Standard Symbols PS")}) {
        const QVariantMap names = filteredNames(family);
        ASSERT_TRUE(names.contains(family)) << QStringList(names.keys()).join(u',').toStdString();
        EXPECT_NE(names.value(family), family);
    }
}

TEST(CharacterActions, ShowInContextFromASearchLeavesItAndSelectsTheCharacter) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::type(QStringLiteral("zhe"));
    ASSERT_TRUE(searchShown(QStringLiteral("zhe")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'Ж').isEmpty(); }, 10000));
    const qulonglong found = count();
    x11test::pointTo(Copy::cellOf(U'Ж').center());
    ASSERT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    const std::optional<MenuItem> show = menuItem(QStringLiteral("Show Ж in the Unicode Context"));
    ASSERT_TRUE(show) << palette.copy.output().toStdString();
    x11test::pointTo(show->rect.center());
    x11test::click();
    ASSERT_TRUE(searchShown(QString()));
    EXPECT_GT(count(), found);
    EXPECT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    EXPECT_FALSE(Copy::cellOf(U'Ж').isEmpty());
}

// The text of a listing the palette showed: the file handed to the desktop's opener.
QString shownListing(const x11test::FakeOpener& opener, int n) {
    QFile f(opener.opened(n + 1).value(n));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString clipboardText() {
    QString text;
    run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")}, &text);
    return text;
}

TEST(SearchField, TheCmapAndTimingListingsTypedIntoTheFieldAreShownAndCopied) {
    x11test::FakeOpener opener;
    QTemporaryDir temp;
    QProcessEnvironment env = opener.environment();
    env.insert(QStringLiteral("TMPDIR"), temp.path());
    Palette palette(env);
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QString font = Copy::state().value(QStringLiteral("font")).toString();
    ASSERT_FALSE(font.isEmpty());

    // The subtables of the palette's font, as the tool lists them.
    x11test::type(QStringLiteral("!cmaps"));
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("(cmaps listed)")))
        << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    QString expected;
    run(Tool, {QStringLiteral("list"), QStringLiteral("!cmaps"), QStringLiteral("--font"), font}, &expected);
    ASSERT_TRUE(expected.contains(QStringLiteral("\nsubtables: "))) << expected.toStdString();
    EXPECT_EQ(shownListing(opener, 0), expected);
    EXPECT_TRUE(rbxtest::waitFor([&] { return clipboardText() == expected; }, 5000)) << clipboardText().toStdString();

    // The timing: every timed name has a line; afterwards the palette is as it was.
    const QRect frame = x11test::frameOf(x11test::windowOfPid(int(palette.copy.process().processId())));
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::type(QStringLiteral("!time"));
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("time listed")))
        << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    const QString timing = shownListing(opener, 1);
    EXPECT_TRUE(timing.startsWith(QStringLiteral("Timing on "))) << timing.toStdString();
    for (const char* name : {"AppleGothic: ", "\nArial: ", "\nTimes: ", "\nVerdana: "})
        EXPECT_TRUE(timing.contains(QLatin1String(name))) << name << "\n" << timing.toStdString();
    EXPECT_TRUE(timing.endsWith(QStringLiteral(" sec"))) << timing.toStdString();
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("font")) == font; }));
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return x11test::frameOf(x11test::windowOfPid(int(palette.copy.process().processId()))) == frame;
    }, 5000));
    // The timing emptied the search: the table shows everything.
    EXPECT_TRUE(stateHas(QStringLiteral("tableSearch"), QString()));
}

TEST(SearchField, ATemplateIsChosenFromItsMenuByMouseOrKeysAndTabGoesToTheFontFilter) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const QRect button = control(QStringLiteral("searchTemplatesButton"));
    ASSERT_FALSE(button.isEmpty());

    // Chosen with the mouse: the template's text is searched.
    x11test::pointTo(button.center());
    x11test::click();
    const std::optional<MenuItem> hearts = menuItem(QStringLiteral("Hearts"));
    ASSERT_TRUE(hearts) << palette.copy.output().toStdString();
    x11test::pointTo(hearts->rect.center());
    x11test::click();
    EXPECT_TRUE(searchShown(QStringLiteral("heart")));
    EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'\u2665').isEmpty(); }, 10000));
    EXPECT_TRUE(Copy::cellOf(U'A').isEmpty());

    // Chosen with the keys: the first item is Arrows; the keyboard stays in the field.
    x11test::pointTo(button.center());
    x11test::click();
    ASSERT_TRUE(menuItem(QStringLiteral("Arrows")));
    x11test::key(QStringLiteral("Down"));
    x11test::key(QStringLiteral("Return"));
    EXPECT_TRUE(searchShown(QStringLiteral("arrow")));
    EXPECT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("searchField")));

    // Tab: to the font filter, whose text filters the font list.
    const int rows = Copy::state().value(QStringLiteral("fontRows")).toInt();
    x11test::key(QStringLiteral("Tab"));
    ASSERT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("fontFilterField")))
        << Copy::state().value(QStringLiteral("focus")).toString().toStdString();
    x11test::type(QStringLiteral("mono"));
    EXPECT_TRUE(Copy::waitForState([rows](const QVariantMap& s) {
        const int n = s.value(QStringLiteral("fontRows")).toInt();
        return n > 0 && n < rows;
    })) << rows;
    EXPECT_TRUE(searchShown(QStringLiteral("arrow")));
}

TEST(FontList, AClickOnABulletShowsTheFamilyWithTheMarkedCharacterSelected) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::type(QStringLiteral("zhe"));
    ASSERT_TRUE(searchShown(QStringLiteral("zhe")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'Ж').isEmpty(); }, 10000));
    x11test::pointTo(Copy::cellOf(U'Ж').center());
    ASSERT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    const std::optional<MenuItem> mark = menuItem(QStringLiteral("Mark Fonts Containing Ж"));
    ASSERT_TRUE(mark);
    x11test::pointTo(mark->rect.center());
    x11test::click();
    ASSERT_TRUE(stateHas(QStringLiteral("mark"), uint(0x416)));
    // The whole table again, with Ж out of view.
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    clearSearch();
    ASSERT_TRUE(rbxtest::waitFor([] { return Copy::cellOf(U'Ж').isEmpty(); }, 5000));

    // The bullet beside DejaVu Serif: that family, Ж in view and selected.
    QRect row;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        row = rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {QStringLiteral("DejaVu Serif")}));
        return !row.isEmpty();
    }, 5000));
    x11test::pointTo(QPoint(row.right() + 8, row.center().y()));
    x11test::click();
    EXPECT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    EXPECT_FALSE(Copy::cellOf(U'Ж').isEmpty());
}

} // namespace
