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

// The names and their word index live in files of the support folder's "Cache": a search
// typed right after the start shows its result, the files are there once it did, and
// when the palette was closed (which lets go of the names) and opened again, searches
// find names again.
TEST(SearchField, SearchesRightAfterTheStartAndAfterClosingFindTheirNames) {
    Palette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::type(QStringLiteral("leftwards"));
    ASSERT_TRUE(searchShown(QStringLiteral("leftwards"))) << palette.copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'←').isEmpty(); }, 10000));
    EXPECT_TRUE(Copy::cellOf(U'→').isEmpty());
    const QString cache = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Runebox/Cache/");
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return QFileInfo::exists(cache + QStringLiteral("names")) && QFileInfo::exists(cache + QStringLiteral("names.index"));
    }, 10000)) << QDir(cache).entryList().join(u',').toStdString();

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
    x11test::type(QStringLiteral("greek small letter alpha"));
    ASSERT_TRUE(searchShown(QStringLiteral("greek small letter alpha"))) << palette.copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'α').isEmpty(); }, 10000));
    EXPECT_TRUE(Copy::cellOf(U'β').isEmpty());
    EXPECT_TRUE(Copy::cellOf(U'←').isEmpty());
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
    QRect row;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        row = rectOf(Copy::debugCall(QStringLiteral("FontRowRect"), {QStringLiteral("Noto Color Emoji")}));
        return !row.isEmpty();
    }, 5000));
    x11test::pointTo(row.center());
    x11test::click();
    ASSERT_TRUE(stateHas(QStringLiteral("fontFamily"), QStringLiteral("Noto Color Emoji")));
    x11test::pointTo(control(QStringLiteral("searchField")).center());
    x11test::click();
    x11test::type(QStringLiteral("thumbs up"));
    ASSERT_TRUE(searchShown(QStringLiteral("thumbs up"))) << palette.copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'\U0001F44D').isEmpty(); }, 10000));
    QImage cell;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        cell = screen().copy(Copy::cellOf(U'\U0001F44D'));
        return hasSkinToneShading(cell);
    }, 5000)) << "no skin-tone dot in the cell of the thumbs up";
    // A crown takes no skin tone: no dot.
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::type(QStringLiteral("crown"));
    ASSERT_TRUE(searchShown(QStringLiteral("crown")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'\U0001F451').isEmpty(); }, 10000));
    rbxtest::spinEventLoop(300);
    EXPECT_FALSE(hasSkinToneShading(screen().copy(Copy::cellOf(U'\U0001F451'))));
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

// The palette started with a desktop opener that notes the listings it is given to show
// (written into a folder of the test's own).
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
