// The search field and the font list of the real runebox program, used with the keyboard
// and the pointer of the X server: typing searches by name and by code, a maintenance
// command answers in the field; a right click marks the fonts
// that contain a character, which then show a bullet; a family clicked in the font list
// becomes the palette's font; "show in context" leaves a search for the character's group
// or another layout for the Unicode blocks; favourites and recent characters are added
// and removed from a character's menu;
// the listings typed into the field are shown and copied; the family names in view come
// to be drawn in their own fonts, also after scrolling, and only the families that were in
// view have had their fonts looked for; a name its font sets as pictures is drawn in the
// list's usual font; the filter field narrows the list and its clear button brings every
// family back; the list's menu copies the families it shows and resets the marks.
#include "Desktop.h"
#include "FakeOpener.h"
#include "MenuItems.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"

#include <QDBusArgument>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
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

// Right-clicks the cell of the character (which must be in view): the item of its menu
// whose title begins so.
std::optional<MenuItem> characterMenuItem(char32_t c, const QString& prefix) {
    x11test::pointTo(Copy::cellOf(c).center());
    if (!Copy::waitForState([c](const QVariantMap& s) { return s.value(QStringLiteral("selected")) == uint(c); }))
        return std::nullopt;
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    return menuItem(prefix);
}

void choose(const MenuItem& item) {
    Copy::pointAt(item.rect.center());
    x11test::click();
}

QRect control(const QString& name) { return rectOf(Copy::debugCall(QStringLiteral("ControlRect"), {name})); }

bool stateHas(const QString& key, const QVariant& value) {
    return Copy::waitForState([&](const QVariantMap& s) { return s.value(key) == value; });
}

// Types a search into the field, which has the keyboard, and waits until the table shows
// it with the character's cell.
testing::AssertionResult searchFinds(const QString& text, char32_t c) {
    x11test::type(text);
    if (!x11test::searchShown(text))
        return testing::AssertionFailure() << "the table does not show the search " << text.toStdString();
    if (!rbxtest::waitFor([c] { return !Copy::cellOf(c).isEmpty(); }, 10000))
        return testing::AssertionFailure() << "no cell of U+" << std::hex << unsigned(c) << " for " << text.toStdString();
    return testing::AssertionSuccess();
}

// Searches for the character by its name and marks the fonts that contain it from its
// menu in the table.
bool markFontsContaining(char32_t c, const QString& name) {
    if (!searchFinds(name, c)) return false;
    const std::optional<MenuItem> mark = characterMenuItem(c, QStringLiteral("Mark Fonts Containing ") + QString::fromUcs4(&c, 1));
    if (!mark || !mark->enabled) return false;
    choose(*mark);
    return stateHas(QStringLiteral("mark"), uint(c));
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

// The row of that family in the font list, on the screen, once it shows; empty when it
// does not.
QRect familyRow(const QString& family) {
    QRect row;
    rbxtest::waitFor([&] { return !(row = rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {family}))).isEmpty(); }, 5000);
    return row;
}

// Clicks the family's name in the font list; whether its row showed.
bool clickFamily(const QString& family) {
    const QRect row = familyRow(family);
    if (row.isEmpty()) return false;
    x11test::pointTo(row.center());
    x11test::click();
    return true;
}

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
    ASSERT_TRUE(searchFinds(QStringLiteral("arrow"), U'→')) << palette.copy.output().toStdString();
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

// The names and their word index live in files of the cache folder (~/.cache/runebox): a
// search typed right after the start shows its result, the files are there once it did
// (and the cache folder of earlier versions is gone), and when the palette was closed
// (which lets go of the names) and opened again, searches find names again.
TEST(SearchField, SearchesRightAfterTheStartAndAfterClosingFindTheirNames) {
    const QString oldCache = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/Cache");
    ASSERT_TRUE(QDir().mkpath(oldCache));
    QFile oldNames(oldCache + QStringLiteral("/names"));
    ASSERT_TRUE(oldNames.open(QIODevice::WriteOnly));
    oldNames.close();
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(searchFinds(QStringLiteral("leftwards"), U'←')) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::cellOf(U'→').isEmpty());
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/runebox/");
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return QFileInfo::exists(cache + QStringLiteral("names")) && QFileInfo::exists(cache + QStringLiteral("names.index"));
    }, 10000)) << QDir(cache).entryList().join(u',').toStdString();
    EXPECT_FALSE(QFileInfo::exists(oldCache));

    // Escape clears the search, a second Escape closes the palette; the hot key opens it.
    clearSearch();
    x11test::key(QStringLiteral("Escape"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    const qlonglong closedAt = Copy::state().value(QStringLiteral("paintedNs")).toLongLong();
    x11test::key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return Copy::visible(s) && s.value(QStringLiteral("paintedNs")).toLongLong() > closedAt;
    })) << palette.copy.output().toStdString();
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    const int pid = int(palette.copy.process().processId());
    ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000));
    ASSERT_TRUE(searchFinds(QStringLiteral("greek small letter alpha"), U'α')) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::cellOf(U'β').isEmpty());
    EXPECT_TRUE(Copy::cellOf(U'←').isEmpty());
}

// Name files a crash, a full disk or another program left damaged in the cache are not
// used: the first search typed finds its names, and the files are written anew.
TEST(SearchField, DamagedNameFilesLeftInTheCacheAreWrittenAnew) {
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/runebox/");
    ASSERT_TRUE(QDir().mkpath(cache));
    // A cache whose record count promises more than it holds, and half an index file of
    // the right kind.
    QByteArray names(4096, '\x7F');
    names.replace(0, 8, QByteArray("\x10\x27\0\0\0\0\0\0", 8));
    QByteArray index("RBXNIDX\0", 8);
    index.append(QByteArray(200, '\x01'));
    for (const auto& [file, bytes] : {std::pair{QStringLiteral("names"), names}, std::pair{QStringLiteral("names.index"), index}}) {
        QFile f(cache + file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(searchFinds(QStringLiteral("rightwards"), U'→')) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::cellOf(U'←').isEmpty());
    EXPECT_TRUE(rbxtest::waitFor([&] {
        QFile f(cache + QStringLiteral("names.index"));
        return QFileInfo(f).size() > 100000 && f.open(QIODevice::ReadOnly) && f.read(8) == QByteArray("RBXNIDX\0", 8);
    }, 10000));
    EXPECT_GT(QFileInfo(cache + QStringLiteral("names")).size(), 100000);
    EXPECT_TRUE(palette.copy.process().state() == QProcess::Running);
}

// Another program cuts the name files short in place while the palette has them mapped:
// the palette goes on, the next search finds its names (read again), and the files are
// written anew.
TEST(SearchField, NameFilesCutShortWhileMappedAreReadAgain) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(searchFinds(QStringLiteral("leftwards"), U'←')) << palette.copy.output().toStdString();
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME") + QStringLiteral("/runebox/");
    ASSERT_TRUE(rbxtest::waitFor([&] {
        return QFileInfo(cache + QStringLiteral("names")).size() > 100000 &&
               QFileInfo(cache + QStringLiteral("names.index")).size() > 100000;
    }, 10000));
    for (const QString& file : {QStringLiteral("names"), QStringLiteral("names.index")})
        ASSERT_TRUE(QFile::resize(cache + file, 4096)) << file.toStdString();

    clearSearch();
    ASSERT_TRUE(searchFinds(QStringLiteral("rightwards"), U'→')) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::cellOf(U'←').isEmpty());
    ASSERT_TRUE(palette.copy.process().state() == QProcess::Running) << palette.copy.output().toStdString();
    EXPECT_TRUE(palette.copy.output().contains(QStringLiteral("cut short while in use"))) << palette.copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return QFileInfo(cache + QStringLiteral("names")).size() > 100000 &&
               QFileInfo(cache + QStringLiteral("names.index")).size() > 100000;
    }, 10000));

    // And searches go on finding names.
    clearSearch();
    ASSERT_TRUE(searchFinds(QStringLiteral("greek small letter alpha"), U'α')) << palette.copy.output().toStdString();
    EXPECT_TRUE(Copy::cellOf(U'→').isEmpty());
}

TEST(FontList, ARightClickMarksTheFontsWithTheCharacterAndAClickedFamilyIsShown) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(Copy::state().value(QStringLiteral("markedFamilies")).toStringList().isEmpty());

    // Marked from the character's menu: the families with Ж have a bullet.
    ASSERT_TRUE(markFontsContaining(U'Ж', QStringLiteral("cyrillic capital letter zhe"))) << palette.copy.output().toStdString();
    const QStringList marked = Copy::state().value(QStringLiteral("markedFamilies")).toStringList();
    EXPECT_TRUE(marked.contains(QStringLiteral("DejaVu Sans"))) << marked.join(u',').toStdString();
    EXPECT_FALSE(marked.contains(QStringLiteral("Noto Color Emoji"))) << marked.join(u',').toStdString();
    EXPECT_LT(marked.size(), Copy::state().value(QStringLiteral("fontRows")).toInt());

    // A family clicked in the list becomes the palette's font.
    ASSERT_TRUE(clickFamily(QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("fontRow"), QStringLiteral("DejaVu Serif")));
}

// Whether a row of the picture darkens steadily from light to dark brown over a few
// pixels, as the shading of the skin-tone dot does.
bool hasSkinToneShading(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        int start = 0;
        for (int x = 1; x < image.width(); ++x) {
            const QColor a = image.pixelColor(x - 1, y), b = image.pixelColor(x, y);
            const bool brown = b.red() > b.green() && b.green() > b.blue() && b.blue() < b.red() - 30;
            const int step = a.red() - b.red();
            if (!brown || step < 5 || step > 40) {
                start = x;
                continue;
            }
            if (x - start >= 5 && image.pixelColor(start, y).red() > 200 && b.red() < 130) return true;
        }
    }
    return false;
}

TEST(FontList, EmojiThatTakeSkinTonesShowTheSkinToneDotInTheirCells) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(clickFamily(QStringLiteral("Noto Color Emoji")));
    ASSERT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("Noto Color Emoji")));
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    x11test::click();
    ASSERT_TRUE(searchFinds(QStringLiteral("thumbs up"), U'\U0001F44D')) << palette.copy.output().toStdString();
    QImage cell;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        cell = screen().copy(Copy::cellOf(U'\U0001F44D'));
        return hasSkinToneShading(cell);
    }, 5000)) << "no skin-tone dot in the cell of the thumbs up";
    // A crown takes no skin tone: no dot.
    x11test::key(QStringLiteral("ctrl+a"));
    ASSERT_TRUE(searchFinds(QStringLiteral("crown"), U'\U0001F451')) << palette.copy.output().toStdString();
    // Its cell on the screen once the crown is drawn there in colour.
    EXPECT_TRUE(rbxtest::waitFor([&] {
        cell = screen().copy(Copy::cellOf(U'\U0001F451'));
        int coloured = 0;
        for (int y = 0; y < cell.height(); ++y)
            for (int x = 0; x < cell.width(); ++x) coloured += cell.pixelColor(x, y).hsvSaturationF() > 0.5;
        return coloured > 20;
    }, 5000)) << "the crown is not drawn";
    EXPECT_FALSE(hasSkinToneShading(cell));
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

// Opens the collections pop-up and answers its item whose title begins so.
std::optional<MenuItem> collectionItem(const QString& title) {
    const QRect popUp = control(QStringLiteral("collectionsPopUp"));
    if (popUp.isEmpty()) return std::nullopt;
    x11test::pointTo(popUp.center());
    x11test::click();
    return menuItem(title);
}

TEST(FontList, TheCollectionsPopUpFiltersTheListAndItsChoiceIsKeptAcrossStarts) {
    int fixed = 0;
    {
        Palette palette;
        ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
        const int all = Copy::state().value(QStringLiteral("fontRows")).toInt();

        // With nothing marked, "Marked Fonts" is offered but cannot be chosen.
        const std::optional<MenuItem> marked = collectionItem(QStringLiteral("Marked Fonts"));
        ASSERT_TRUE(marked) << palette.copy.output().toStdString();
        EXPECT_FALSE(marked->enabled);
        const std::optional<MenuItem> fixedWidth = menuItem(QStringLiteral("Fixed Width"));
        ASSERT_TRUE(fixedWidth);
        choose(*fixedWidth);

        // Fixed width: the monospaced families, not the others.
        ASSERT_TRUE(stateHas(QStringLiteral("collection"), QStringLiteral("Fixed Width")));
        ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
            fixed = s.value(QStringLiteral("fontRows")).toInt();
            return fixed > 0 && fixed < all;
        })) << fixed;
        EXPECT_FALSE(familyRow(QStringLiteral("DejaVu Sans Mono")).isEmpty());
        EXPECT_TRUE(rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {QStringLiteral("DejaVu Serif")})).isEmpty());
        ASSERT_EQ(x11test::url(QStringLiteral("runebox://quit")), 0);
        ASSERT_TRUE(palette.copy.process().waitForFinished(10000));
    }

    // Started again: the same collection.
    Palette again;
    ASSERT_TRUE(again.ok) << again.copy.output().toStdString();
    EXPECT_TRUE(stateHas(QStringLiteral("collection"), QStringLiteral("Fixed Width")));
    EXPECT_TRUE(stateHas(QStringLiteral("fontRows"), fixed));

    // A character marked: "Marked Fonts" lists the families that have it.
    ASSERT_TRUE(markFontsContaining(U'Ж', QStringLiteral("cyrillic capital letter zhe")));
    const std::optional<MenuItem> marked = collectionItem(QStringLiteral("Marked Fonts"));
    ASSERT_TRUE(marked);
    EXPECT_TRUE(marked->enabled);
    choose(*marked);
    ASSERT_TRUE(stateHas(QStringLiteral("collection"), QStringLiteral("Marked Fonts")));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        const QStringList families = s.value(QStringLiteral("markedFamilies")).toStringList();
        return !families.isEmpty() && families.size() == s.value(QStringLiteral("fontRows")).toInt() &&
               families.contains(QStringLiteral("DejaVu Sans Mono"));
    })) << Copy::state().value(QStringLiteral("fontRows")).toInt();

    // The marks reset from the font list's menu: the list falls back to all fonts.
    const int markedRows = Copy::state().value(QStringLiteral("fontRows")).toInt();
    x11test::pointTo(familyRow(QStringLiteral("DejaVu Sans Mono")).center());
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    const std::optional<MenuItem> reset = menuItem(QStringLiteral("Reset Marks"));
    ASSERT_TRUE(reset);
    choose(*reset);
    EXPECT_TRUE(stateHas(QStringLiteral("mark"), 0u));
    EXPECT_TRUE(stateHas(QStringLiteral("collection"), QStringLiteral("All Fonts")))
        << Copy::state().value(QStringLiteral("collection")).toString().toStdString();
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() > markedRows; }));
}

TEST(FontList, LettersTypedInTheListChooseTheFamilyWhoseNameBeginsSo) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(clickFamily(QStringLiteral("DejaVu Serif")));
    ASSERT_TRUE(stateHas(QStringLiteral("focus"), QStringLiteral("fontTableView")))
        << Copy::state().value(QStringLiteral("focus")).toString().toStdString();
    x11test::type(QStringLiteral("nimbus r"));
    EXPECT_TRUE(stateHas(QStringLiteral("fontRow"), QStringLiteral("Nimbus Roman")))
        << Copy::state().value(QStringLiteral("fontRow")).toString().toStdString();
    EXPECT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("Nimbus Roman")));
}

// Clicks into the font list's filter field; whether it then has the keyboard.
bool focusFontFilter() {
    const QRect field = control(QStringLiteral("fontFilterField"));
    if (field.isEmpty()) return false;
    x11test::pointTo(field.center());
    x11test::click();
    return stateHas(QStringLiteral("focus"), QStringLiteral("fontFilterField"));
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
    ASSERT_TRUE(focusFontFilter());

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

// The titles of the menu open in the palette, once one is open.
QStringList openMenuTitles() {
    QStringList titles;
    rbxtest::waitFor([&] {
        titles.clear();
        for (const MenuItem& i : menuItems()) titles << i.title;
        return !titles.isEmpty();
    }, 4000);
    return titles;
}

// The clipboard's text once it has changed from `before` (xclip, as another program reads it).
QString clipboardTextOtherThan(const QString& before) {
    QString text;
    rbxtest::waitFor([&] {
        text.clear();
        run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")}, &text);
        return text != before;
    }, 5000);
    return text;
}

// Right-clicks the family's row and chooses "Copy Font List", the menu's only item; the
// clipboard's text afterwards.
QString copyFontListAt(const QString& family, const QString& before) {
    const QRect row = familyRow(family);
    EXPECT_FALSE(row.isEmpty()) << family.toStdString();
    x11test::pointTo(row.center());
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    EXPECT_EQ(openMenuTitles(), QStringList{QStringLiteral("Copy Font List")});
    const std::optional<MenuItem> copy = menuItem(QStringLiteral("Copy Font List"));
    if (!copy) return {};
    choose(*copy);
    return clipboardTextOtherThan(before);
}

TEST(FontList, CopyFontListFromItsMenuPutsTheFamiliesTheListShowsOnTheClipboard) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    QVariantMap inView;
    ASSERT_TRUE(rbxtest::waitFor([&] { return namesSettled(inView = namesInView()); }, 10000));

    // The whole list: a line for every row, the names in view among them.
    const int all = Copy::state().value(QStringLiteral("fontRows")).toInt();
    const QString everything = copyFontListAt(QStringLiteral("DejaVu Serif"), QString());
    ASSERT_TRUE(everything.endsWith(u'\n')) << everything.left(200).toStdString();
    const QStringList allLines = everything.split(u'\n').mid(0, everything.count(u'\n'));
    EXPECT_EQ(allLines.size(), all);
    for (auto it = inView.begin(); it != inView.end(); ++it)
        EXPECT_TRUE(allLines.contains(it.key())) << it.key().toStdString();
    EXPECT_FALSE(allLines.contains(QString()));

    // Filtered: the families the list then shows, in the order shown from the top.
    ASSERT_TRUE(focusFontFilter());
    const QVariantMap dejavu = filteredNames(QStringLiteral("DejaVu"));
    const int rows = Copy::state().value(QStringLiteral("fontRows")).toInt();
    ASSERT_EQ(dejavu.size(), rows) << QStringList(dejavu.keys()).join(u',').toStdString();
    const QString copied = copyFontListAt(QStringLiteral("DejaVu Serif"), everything);
    ASSERT_TRUE(copied.endsWith(u'\n')) << copied.toStdString();
    const QStringList lines = copied.split(u'\n').mid(0, copied.count(u'\n'));
    EXPECT_EQ(lines.size(), rows) << copied.toStdString();
    int above = -1;
    for (const QString& line : lines) {
        EXPECT_TRUE(dejavu.contains(line)) << line.toStdString();
        const QRect row = familyRow(line);
        EXPECT_GT(row.top(), above) << line.toStdString();
        above = row.top();
    }
    // The families fontconfig knows by these names are there.
    for (const char* family : {"DejaVu Sans", "DejaVu Sans Mono", "DejaVu Serif"})
        EXPECT_TRUE(lines.contains(QLatin1String(family))) << family << "\n" << copied.toStdString();
}

TEST(CharacterActions, ShowInContextFromASearchLeavesItAndSelectsTheCharacter) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(searchFinds(QStringLiteral("zhe"), U'Ж')) << palette.copy.output().toStdString();
    const qulonglong found = count();
    const std::optional<MenuItem> show = characterMenuItem(U'Ж', QStringLiteral("Show Ж in the Unicode Context"));
    ASSERT_TRUE(show) << palette.copy.output().toStdString();
    choose(*show);
    ASSERT_TRUE(searchShown(QString()));
    EXPECT_GT(count(), found);
    EXPECT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    EXPECT_FALSE(Copy::cellOf(U'Ж').isEmpty());
}

TEST(CharacterActions, FavouritesAndRecentCharactersAreAddedAndRemovedFromTheCharactersMenu) {
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 10000));
    const qulonglong before = count();

    // Added to the favourites: the table shows it once more, in their group.
    const std::optional<MenuItem> add = characterMenuItem(U'A', QStringLiteral("Add to Favorites"));
    ASSERT_TRUE(add) << palette.copy.output().toStdString();
    choose(*add);
    EXPECT_TRUE(rbxtest::waitFor([&] { return count() == before + 1; }, 5000)) << count();
    // Its menu there takes it out again.
    const std::optional<MenuItem> remove = characterMenuItem(U'A', QStringLiteral("Remove from Favorites"));
    ASSERT_TRUE(remove);
    choose(*remove);
    EXPECT_TRUE(rbxtest::waitFor([&] { return count() == before; }, 5000)) << count();

    // Inserted into the application in front, a character is among the recent ones, in
    // their group at the table's top; its menu there takes it out of them.
    auto recentCell = [] {
        const QVariantList cells = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("CellRects"), {uint(U'B')}));
        return cells.size() == 2 ? rectOf(cells.first()) : QRect();
    };
    ASSERT_TRUE(Copy::clickCharacter(U'B'));
    ASSERT_TRUE(probe.waitForText(QStringLiteral("B"))) << probe.text().toStdString();
    QRect cell;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(cell = recentCell()).isEmpty(); }, 5000));
    x11test::pointTo(cell.center());
    ASSERT_TRUE(stateHas(QStringLiteral("selected"), uint(U'B')));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    const std::optional<MenuItem> forget = menuItem(QStringLiteral("Remove from Recent Characters"));
    ASSERT_TRUE(forget) << openMenuTitles().join(u'|').toStdString();
    choose(*forget);
    EXPECT_TRUE(rbxtest::waitFor([&] { return recentCell().isEmpty() && !Copy::cellOf(U'B').isEmpty(); }, 15000));
}

TEST(CharacterActions, ShowInTheUnicodeContextFromAnotherLayoutGoesToTheUnicodeBlocks) {
    ASSERT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")}),
              0);
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Scripts and Symbols")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 10000));
    const std::optional<MenuItem> show = characterMenuItem(U'A', QStringLiteral("Show A in the Unicode Context"));
    ASSERT_TRUE(show) << palette.copy.output().toStdString();
    choose(*show);
    EXPECT_TRUE(stateHas(QStringLiteral("layout"), QStringLiteral("Unicode Blocks")));
    EXPECT_TRUE(stateHas(QStringLiteral("selected"), uint(U'A')));
    EXPECT_FALSE(Copy::cellOf(U'A').isEmpty());
}

// The text of a listing the palette showed: the file handed to the desktop's opener.
QString shownListing(const x11test::FakeOpener& opener, int n) {
    QFile f(opener.opened(n + 1).value(n));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The palette started with a desktop opener that notes the listings it is given to show,
// and a temporary folder of the test's own.
struct ListingPalette {
    ListingPalette() : palette(environment()) {
        font = Copy::state().value(QStringLiteral("font")).toString();
        layout = Copy::state().value(QStringLiteral("layout")).toString();
        ok = palette.ok && !font.isEmpty() && !layout.isEmpty();
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = opener.environment();
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        return env;
    }
    x11test::FakeOpener opener;
    QTemporaryDir temp;
    Palette palette;
    QString font, layout;  // the palette's
    bool ok = false;
};

QString clipboardText() {
    QString text;
    run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")}, &text);
    return text;
}

TEST(SearchField, TheCmapAndTimingListingsTypedIntoTheFieldAreShownAndCopied) {
    ListingPalette shows;
    ASSERT_TRUE(shows.ok) << shows.palette.copy.output().toStdString();
    const x11test::FakeOpener& opener = shows.opener;
    Palette& palette = shows.palette;
    const QString& font = shows.font;

    // The subtables of the palette's font, as the tool lists them.
    x11test::type(QStringLiteral("!cmaps"));
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("(cmaps listed)")))
        << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    QString expected;
    run(Tool, {QStringLiteral("list"), QStringLiteral("!cmaps"), QStringLiteral("--font"), font}, &expected);
    ASSERT_TRUE(expected.contains(QStringLiteral("\nsubtables: "))) << expected.toStdString();
    EXPECT_EQ(shownListing(opener, 0), expected);
    EXPECT_TRUE(rbxtest::waitFor([&] { return clipboardText() == expected; }, 5000)) << clipboardText().toStdString();
    // The listing (which may hold the clipboard's contents) lies in a private folder of the
    // runtime folder, not in the temporary folder.
    const QString listing = opener.opened(1).value(0);
    const QString privateListings = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/runebox-listings");
    EXPECT_EQ(QFileInfo(listing).absolutePath(), privateListings) << listing.toStdString();
    EXPECT_EQ(QFileInfo(privateListings).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), 0);
    EXPECT_EQ(QDir(shows.temp.path()).entryList({QStringLiteral("Runebox-*")}, QDir::Files), QStringList());

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

// Listings typed into the field one after another; each answers the text the palette
// handed to the desktop's opener.
class TypedListings {
public:
    explicit TypedListings(const x11test::FakeOpener& opener) : opener_(opener) {}
    QString type(const QString& command) {
        x11test::key(QStringLiteral("ctrl+a"));
        x11test::type(command);
        return shownListing(opener_, shown_++);
    }

private:
    const x11test::FakeOpener& opener_;
    int shown_ = 0;
};

// The palette's font, layout and clipboard given to runebox-tool list: its standard output.
QString toolListing(const QString& command, const QString& font, const QString& layout) {
    return rbxtest::runProgram(Tool, {QStringLiteral("list"), command, QStringLiteral("--font"), font, QStringLiteral("--layout"), layout},
                               rbxtest::Channels::Separate, 30000)
        .out;
}

// A program that owns the clipboard with these bytes of one type until someone else
// takes it.
class ClipboardOwner {
public:
    ClipboardOwner(const QString& type, const QByteArray& data) {
        xclip_.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"), type});
        xclip_.waitForStarted();
        xclip_.write(data);
        xclip_.closeWriteChannel();
        rbxtest::waitFor([&] {
            QString types;
            run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                          QStringLiteral("TARGETS"), QStringLiteral("-o")}, &types);
            return types.contains(type);
        }, 5000);
    }
    ~ClipboardOwner() {
        xclip_.kill();
        xclip_.waitForFinished(3000);
    }

private:
    QProcess xclip_;
};

TEST(SearchField, ListingsOfTheFontAndItsTableTypedIntoTheFieldAreTheToolsListings) {
    ListingPalette shows;
    ASSERT_TRUE(shows.ok) << shows.palette.copy.output().toStdString();
    const x11test::FakeOpener& opener = shows.opener;
    const QString &font = shows.font, &layout = shows.layout;
    TypedListings typed(opener);
    for (const char* command : {"!info", "!glyphs", "!gmap", "!glyph#", "!names", "!fontchars", "!post", "!flig", "!wide",
                                "!emoji", "!emosnp", "!emoseq", "!flags", "!layout", "!chars", "!emohb"}) {
        const QString expected = toolListing(QString::fromLatin1(command), font, layout);
        ASSERT_FALSE(expected.isEmpty()) << command;
        const QString shown = typed.type(QString::fromLatin1(command));
        EXPECT_EQ(shown, expected) << command << "\n" << shown.left(400).toStdString() << "\n--- the tool:\n"
                                   << expected.left(400).toStdString();
    }
    // The widest characters are also what the field then shows.
    EXPECT_FALSE(Copy::state().value(QStringLiteral("search")).toString().startsWith(u'!'));

    // The clipboard as another program offers it: a picture is a hex dump.
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01", 21);
    for (const char* command : {"!clip", "!pbtypes"}) {
        ClipboardOwner owner(QStringLiteral("image/png"), png);
        const QString expected = toolListing(QString::fromLatin1(command), font, layout);
        EXPECT_TRUE(expected.contains(QStringLiteral("image/png"))) << expected.toStdString();
        if (QLatin1String(command) == QLatin1String("!clip")) {
            EXPECT_TRUE(expected.contains(QStringLiteral("\n     0: 89 50 4E 47 0D 0A 1A 0A"))) << expected.toStdString();
        }
        EXPECT_EQ(typed.type(QString::fromLatin1(command)), expected) << command;
    }
}

TEST(SearchField, ListingsOfAllFontsAndTheTimedListingsTypedIntoTheField) {
    ListingPalette shows;
    ASSERT_TRUE(shows.ok) << shows.palette.copy.output().toStdString();
    const x11test::FakeOpener& opener = shows.opener;
    Palette& palette = shows.palette;
    const QString &font = shows.font, &layout = shows.layout;
    TypedListings typed(opener);
    for (const char* command : {"!fonts", "!fam", "!styles", "!sizes", "!ftab", "!fglyphs"}) {
        const QString expected = toolListing(QString::fromLatin1(command), font, layout);
        ASSERT_FALSE(expected.isEmpty()) << command;
        EXPECT_EQ(typed.type(QString::fromLatin1(command)), expected) << command;
    }

    // The ligature counts of every font, timed: the same counts, a time in the last column.
    auto withoutTimes = [](const QString& listing) {
        QStringList lines = listing.split(u'\n');
        for (QString& line : lines) line = line.section(u'\t', 0, -2);
        return lines;
    };
    const QString counts = typed.type(QStringLiteral("!lig#"));
    EXPECT_TRUE(counts.startsWith(QStringLiteral("Font\tGSUB\tmorx\tGSUB\tmorx\ttime[s]\n"))) << counts.left(200).toStdString();
    EXPECT_TRUE(withoutTimes(counts) == withoutTimes(toolListing(QStringLiteral("!lig#"), font, layout)))
        << counts.left(400).toStdString();
    static const QRegularExpression time(QStringLiteral("\\t\\d+\\.\\d{3}$"));
    for (const QString& line : counts.split(u'\n', Qt::SkipEmptyParts).mid(1))
        EXPECT_TRUE(time.match(line).hasMatch()) << line.toStdString();

    // Rounds of collecting the font's ligatures, at most 101.
    const QString rounds = typed.type(QStringLiteral("!ligtime"));
    ASSERT_TRUE(rounds.startsWith(QStringLiteral("ligature timing for "))) << rounds.left(200).toStdString();
    const QStringList lines = rounds.split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(1), QStringLiteral("GSUB\tmorx\ttGSUB\ttmorx"));
    EXPECT_GE(lines.size(), 3);
    EXPECT_LE(lines.size(), 2 + 101);
    static const QRegularExpression round(QStringLiteral("^\\d+\\t\\d+\\t\\d+\\.\\d{6}\\t\\d+\\.\\d{6}$"));
    for (const QString& line : lines.mid(2)) EXPECT_TRUE(round.match(line).hasMatch()) << line.toStdString();

    // Every character of all fonts is collected and logged, nothing shown.
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::type(QStringLiteral("!all"));
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("all characters")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return palette.copy.output().contains(QStringLiteral("time for collecting all ")); }, 20000));
    EXPECT_TRUE(palette.copy.output().contains(QStringLiteral("character set = ")));

    // All ligatures go into a file on the desktop, the same as the tool writes.
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    QFile written(desktop + QStringLiteral("/All Ligatures.txt"));
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::type(QStringLiteral("!ligall"));
    EXPECT_TRUE(stateHas(QStringLiteral("search"), QStringLiteral("all ligatures")));
    ASSERT_TRUE(rbxtest::waitFor([&] { return written.size() > 0; }, 20000));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray fromThePalette = written.readAll();
    written.close();
    written.remove();
    EXPECT_TRUE(fromThePalette.startsWith("ALL LIGATURES\n"));
    toolListing(QStringLiteral("!ligall"), font, layout);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(fromThePalette, written.readAll());
    written.remove();
    // Nothing more was handed to the opener.
    EXPECT_EQ(opener.opened(9).size(), 8);
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
    ASSERT_TRUE(Copy::ownsKeyboard()) << Copy::state().value(QStringLiteral("keyboardHold")).toString().toStdString();
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
    ASSERT_TRUE(markFontsContaining(U'Ж', QStringLiteral("zhe")));
    // The whole table again, with Ж out of view.
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    clearSearch();
    ASSERT_TRUE(rbxtest::waitFor([] { return Copy::cellOf(U'Ж').isEmpty(); }, 5000));

    // The bullet beside DejaVu Serif: that family, Ж in view and selected.
    const QRect row = familyRow(QStringLiteral("DejaVu Serif"));
    ASSERT_FALSE(row.isEmpty());
    x11test::pointTo(QPoint(row.right() + 8, row.center().y()));
    x11test::click();
    EXPECT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("DejaVu Serif")));
    EXPECT_TRUE(stateHas(QStringLiteral("selected"), uint(U'Ж')));
    EXPECT_FALSE(Copy::cellOf(U'Ж').isEmpty());

    // The font list's menu now also resets the marks: no bullet is left.
    x11test::pointTo(familyRow(QStringLiteral("DejaVu Serif")).center());
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    EXPECT_EQ(openMenuTitles(), (QStringList{QStringLiteral("Copy Font List"), QStringLiteral("Reset Marks")}));
    const std::optional<MenuItem> reset = menuItem(QStringLiteral("Reset Marks"));
    ASSERT_TRUE(reset);
    choose(*reset);
    EXPECT_TRUE(stateHas(QStringLiteral("mark"), 0u));
    EXPECT_TRUE(Copy::state().value(QStringLiteral("markedFamilies")).toStringList().isEmpty());
}

} // namespace
