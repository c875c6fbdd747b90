// The palette and the keyboard, as a user meets them on a desktop (Xvfb + openbox +
// session bus) with the real runebox program: the palette opens with the keyboard, so
// that the user types a search at once; with the mouse over it, it has the
// keyboard (typing searches, Escape clears the search and then closes, the table's keys
// and shortcuts work); a click inserts the character into that application, which has
// the keyboard for it; with the mouse outside, typing reaches that application again.
// Every key and click goes through the X server, where the pointer and the keyboard focus
// are; the front applications are of three toolkits (Qt, xterm, GTK 3).
#include "FrontEditors.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

using x11test::Copy;
using x11test::FrontEditor;

// Where the pointer waits while the palette opens: away from the middle of the screen,
// where it opens.
const QPoint awayFromThePalette(1100, 80);

std::unique_ptr<FrontEditor> startEditor(const std::string& name) {
    if (name == "xterm") return x11test::startXterm();
    if (name == "gtk") return x11test::startGtkEditor();
    return std::make_unique<x11test::ProbeEditor>();
}

bool paletteHasKeyboard(Copy& copy) {
    const int pid = int(copy.process().processId());
    return rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000);
}

bool searchIs(const QString& text) {
    return Copy::waitForState([&text](const QVariantMap& s) { return s.value(QStringLiteral("search")) == text; });
}

// The palette on the desktop, opened while the pointer is elsewhere; its frame.
struct OpenPalette {
    OpenPalette() {
        x11test::pointTo(awayFromThePalette);
        ok = Copy::waitForState(Copy::shownAndPainted);
        if (ok) frame = x11test::frameOf(x11test::windowOfPid(int(copy.process().processId())));
        ok = ok && !frame.isEmpty();
    }
    Copy copy;
    QRect frame;
    bool ok = false;
};

class PaletteKeyboard : public ::testing::TestWithParam<std::string> {};

TEST_P(PaletteKeyboard, SearchInsertAndLeaveWithTheUsersKeyboard) {
    auto editor = startEditor(GetParam());
    ASSERT_TRUE(editor->started()) << editor->name().toStdString() << " never had the keyboard";
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    // Opened, the palette has the keyboard: typing searches.
    ASSERT_TRUE(paletteHasKeyboard(palette.copy)) << palette.copy.output().toStdString();
    EXPECT_FALSE(editor->hasKeyboardFocus());
    x11test::pointTo(palette.frame.center());
    x11test::type(QStringLiteral("arrow"));
    ASSERT_TRUE(searchIs(QStringLiteral("arrow"))) << Copy::state().value(QStringLiteral("search")).toString().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000)) << "the table did not follow the search";
    EXPECT_EQ(editor->text(), QString());

    // A click inserts the character into the editor, which has the keyboard for it; the
    // palette takes the keyboard back while the mouse stays in it.
    ASSERT_TRUE(Copy::clickCharacter(U'→')) << palette.copy.output().toStdString();
    EXPECT_TRUE(editor->waitForText(QStringLiteral("→"))) << editor->text().toStdString();
    EXPECT_TRUE(paletteHasKeyboard(palette.copy));

    // Out of the palette the editor has the keyboard again.
    x11test::pointTo(x11test::pointOutside(palette.frame));
    ASSERT_TRUE(editor->waitForKeyboardFocus());
    x11test::type(QStringLiteral("ok"));
    EXPECT_TRUE(editor->waitForText(QStringLiteral("→ok"))) << editor->text().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("search")).toString(), QStringLiteral("arrow"));

    // Over the palette, Escape clears the search and keeps the palette; a second Escape
    // closes it, and the editor has the keyboard again.
    x11test::pointTo(palette.frame.center());
    ASSERT_TRUE(paletteHasKeyboard(palette.copy));
    x11test::key(QStringLiteral("Escape"));
    EXPECT_TRUE(searchIs(QString()));
    // The key that cleared the search began no fade-out.
    EXPECT_TRUE(Copy::visible(Copy::state()));
    EXPECT_FALSE(Copy::state().value(QStringLiteral("fadingOut")).toBool());
    x11test::key(QStringLiteral("Escape"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    ASSERT_TRUE(editor->waitForKeyboardFocus());
    x11test::type(QStringLiteral("!"));
    EXPECT_TRUE(editor->waitForText(QStringLiteral("→ok!"))) << editor->text().toStdString();
}

INSTANTIATE_TEST_SUITE_P(FrontApplications, PaletteKeyboard, ::testing::Values("probe", "xterm", "gtk"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

} // namespace

namespace {

QString clipboardText() {
    QString out;
    x11test::run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-o")}, &out);
    return out;
}

QRect rectOf(const QVariant& v) {
    const QVariantList r = qdbus_cast<QVariantList>(v);
    return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
}

// With the mouse over the palette the table's keys work from the keyboard: the group keys,
// the copy keys, typing; Escape and the clear button empty the search
// field, and the table follows.
TEST(PaletteKeys, GroupAndCopyKeysTypingAndTheSearchFieldWorkFromTheKeyboard) {
    x11test::ProbeEditor editor;
    ASSERT_TRUE(editor.started());
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::pointTo(palette.frame.center());
    ASSERT_TRUE(paletteHasKeyboard(palette.copy)) << palette.copy.output().toStdString();
    const qulonglong everything = Copy::state().value(QStringLiteral("count")).toULongLong();
    ASSERT_GT(everything, 1000u);

    // Page Down jumps to the next group, Page Up back to the first.
    EXPECT_EQ(Copy::state().value(QStringLiteral("scroll")).toDouble(), 0.0);
    x11test::key(QStringLiteral("Next"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("scroll")).toDouble() > 0; }));
    x11test::key(QStringLiteral("Prior"));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("scroll")).toDouble() == 0; }));

    // Ctrl+X copies the code of the character under the mouse.
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 10000));
    x11test::pointTo(Copy::cellOf(U'A').center());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("selected")).toUInt() == 0x41; }));
    x11test::key(QStringLiteral("ctrl+x"));
    EXPECT_TRUE(rbxtest::waitFor([] { return clipboardText() == QStringLiteral("U+0041"); }, 10000)) << clipboardText().toStdString();

    // Typed letters search.
    x11test::type(QStringLiteral("rightwards arrow"));
    ASSERT_TRUE(searchIs(QStringLiteral("rightwards arrow")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000));
    EXPECT_LT(Copy::state().value(QStringLiteral("count")).toULongLong(), everything);
    EXPECT_EQ(editor.text(), QString());

    // Escape in the search field, which has the keyboard since the typing, empties it and
    // the whole table is back.
    x11test::key(QStringLiteral("Escape"));
    EXPECT_TRUE(searchIs(QString()));
    EXPECT_TRUE(Copy::waitForState([everything](const QVariantMap& s) {
        return s.value(QStringLiteral("count")).toULongLong() == everything;
    }));

    // So does the field's clear button.
    x11test::type(QStringLiteral("arrow"));
    ASSERT_TRUE(searchIs(QStringLiteral("arrow")));
    ASSERT_TRUE(Copy::waitForState([everything](const QVariantMap& s) {
        return s.value(QStringLiteral("count")).toULongLong() < everything;
    }));
    const QRect field = rectOf(Copy::state().value(QStringLiteral("searchRect")));
    ASSERT_FALSE(field.isEmpty());
    x11test::pointTo(QPoint(field.right() - field.height() / 2, field.center().y()));
    x11test::click();
    EXPECT_TRUE(searchIs(QString()));
    EXPECT_TRUE(Copy::waitForState([everything](const QVariantMap& s) {
        return s.value(QStringLiteral("count")).toULongLong() == everything;
    })) << Copy::state().value(QStringLiteral("count")).toULongLong();
    EXPECT_TRUE(Copy::visible(Copy::state()));
    EXPECT_EQ(editor.text(), QString());
}

} // namespace

namespace {

// After an insertion the recent group above the table takes the character; while it
// grows by a row the rest of the table stays where it was, so a second click on the
// same spot inserts the same character.
TEST(PaletteKeys, TheCharacterUnderThePointerStaysThereWhileTheRecentGroupGrows) {
    x11test::ProbeEditor editor;
    ASSERT_TRUE(editor.started());
    // The table spans the palette: the font list beside it is folded away.
    ASSERT_EQ(x11test::run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"),
                                           QStringLiteral("org.runebox.Runebox"), QStringLiteral("fontListWidth"),
                                           QStringLiteral("0")}),
              0);
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    x11test::pointTo(palette.frame.center());
    ASSERT_TRUE(paletteHasKeyboard(palette.copy)) << palette.copy.output().toStdString();
    // Some groups down the table.
    for (int i = 0; i < 3; ++i) x11test::key(QStringLiteral("Next"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("scroll")).toDouble() > 0; }));
    rbxtest::spinEventLoop(300);

    auto underPointer = [] { return char32_t(Copy::state().value(QStringLiteral("selected")).toUInt()); };
    ASSERT_TRUE(rbxtest::waitFor([&] { return underPointer() != 0; }, 5000));
    const QRect first = Copy::cellOf(underPointer());
    ASSERT_FALSE(first.isEmpty());
    // Two rows of cells, from the row under the pointer: more characters than the recent
    // group holds in one row.
    QString expected;
    int inserted = 0;
    for (int row = 0; row < 2; ++row) {
        int left = first.center().x();
        while (left - first.width() > palette.frame.left()) left -= first.width();
        for (int x = left; x < palette.frame.right() - 24; x += first.width()) {
            const QPoint p(x, first.center().y() + row * first.height());
            x11test::pointTo(p);
            char32_t c = 0;
            ASSERT_TRUE(rbxtest::waitFor([&] { return (c = underPointer()) != 0 && Copy::cellOf(c).contains(p); }, 5000));
            x11test::click();
            expected += QString::fromUcs4(&c, 1);
            ASSERT_TRUE(editor.waitForText(expected)) << editor.text().toStdString();
            ++inserted;
            // The table has taken the insertion (the recent group shows it) and the same
            // character is under the pointer.
            ASSERT_TRUE(Copy::waitForState([c](const QVariantMap& s) {
                return qdbus_cast<QVariantList>(s.value(QStringLiteral("recent"))).contains(uint(c));
            })) << inserted;
            rbxtest::spinEventLoop(300);
            EXPECT_TRUE(rbxtest::waitFor([&] { return underPointer() == c && Copy::cellOf(c).contains(p); }, 3000))
                << "insertion " << inserted << ": U+" << std::hex << uint(c) << " moved; now U+" << uint(underPointer());
        }
    }
    EXPECT_GT(inserted, 4);
}

} // namespace

namespace {

// ---- the keyboard between the palette and the windows the user works in: opening takes it,
// closing, leaving and every insertion hand it back to the window the user activated last,
// whatever the pointer did meanwhile.

using x11test::MousepadEditor;

int pidOfWindow(const QVariant& window) { return ewmh::windowPid(X11Session::shared(), window.toULongLong()); }

// The palette reports the keyboard with `pid`'s window, and hands it back to `backTo`'s.
bool keyboardState(int owner, int backTo, const QString& hold = {}) {
    return Copy::waitForState([&](const QVariantMap& s) {
        return pidOfWindow(s.value(QStringLiteral("keyboardOwner"))) == owner &&
               pidOfWindow(s.value(QStringLiteral("handBackTo"))) == backTo &&
               (hold.isEmpty() || s.value(QStringLiteral("keyboardHold")).toString() == hold);
    });
}

std::string keyboardText() {
    const QVariantMap s = Copy::state();
    return QStringLiteral("keyboard with pid %1, back to pid %2 (window %4 \"%5\"), held: %3")
        .arg(pidOfWindow(s.value(QStringLiteral("keyboardOwner"))))
        .arg(pidOfWindow(s.value(QStringLiteral("handBackTo"))))
        .arg(s.value(QStringLiteral("keyboardHold")).toString())
        .arg(s.value(QStringLiteral("handBackTo")).toULongLong())
        .arg(ewmh::windowTitle(X11Session::shared(), s.value(QStringLiteral("handBackTo")).toULongLong()))
        .toStdString();
}

bool hidden() { return Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }); }

TEST(KeyboardFocus, TheHotKeyOpensAPaletteThatTakesTheTypingAndEveryClosingHandsItBack) {
    MousepadEditor editor;
    ASSERT_TRUE(editor.started());
    x11test::pointTo(awayFromThePalette);
    Copy copy;
    const int palette = int(copy.process().processId());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    // Opened at start, the palette has the keyboard and knows where it goes back to.
    ASSERT_TRUE(keyboardState(palette, editor.pid(), QStringLiteral("opened"))) << keyboardText();

    // The hot key closes it and the editor has the keyboard again; opened by the hot key with
    // the pointer away, the palette takes the typing.
    x11test::key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(hidden());
    ASSERT_TRUE(editor.waitForKeyboardFocus()) << keyboardText();
    x11test::key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted));
    ASSERT_TRUE(keyboardState(palette, editor.pid(), QStringLiteral("opened"))) << keyboardText();
    x11test::type(QStringLiteral("snowman"));
    EXPECT_TRUE(searchIs(QStringLiteral("snowman")));
    EXPECT_FALSE(editor.changed());

    // Escape empties the search, a second one closes: the editor takes the typing.
    x11test::key(QStringLiteral("Escape"));
    ASSERT_TRUE(searchIs(QString()));
    x11test::key(QStringLiteral("Escape"));
    ASSERT_TRUE(hidden());
    ASSERT_TRUE(editor.waitForKeyboardFocus()) << keyboardText();
    x11test::type(QStringLiteral("ok"));
    EXPECT_TRUE(editor.waitForText(QStringLiteral("ok"))) << editor.text().toStdString();

    // "insertion closes": a click inserts, the palette closes and the editor types on.
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://pref?insertion%20closes=1")), 0);
    x11test::key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted));
    ASSERT_TRUE(x11test::search(QStringLiteral("snowman")));
    ASSERT_TRUE(Copy::clickCharacter(U'☃')) << copy.output().toStdString();
    ASSERT_TRUE(hidden());
    ASSERT_TRUE(editor.waitForKeyboardFocus()) << keyboardText();
    x11test::type(QStringLiteral("!"));
    EXPECT_TRUE(editor.waitForText(QStringLiteral("ok☃!"))) << editor.text().toStdString();
}

// The window the user activates while the palette is open gets the character and the keys
// after it, also when the pointer rested on the palette all along; the window it was activated
// from gets nothing. Switched by the window manager's Alt+Tab, or by a pager's request.
class ActivatedWindow : public ::testing::TestWithParam<std::string> {};

TEST_P(ActivatedWindow, GetsTheCharacterWhateverThePointerDid) {
    MousepadEditor mousepad;
    ASSERT_TRUE(mousepad.started());
    auto xterm = x11test::startXterm();
    ASSERT_TRUE(xterm->started());
    // The user clicks into mousepad and opens the palette there.
    x11test::pointTo(x11test::frameOf(x11test::windowOfPid(mousepad.pid())).center());
    x11test::click();
    ASSERT_TRUE(mousepad.waitForKeyboardFocus());
    Copy copy;
    const int palette = int(copy.process().processId());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("rightwards arrow")));
    ASSERT_TRUE(Copy::pointAtCharacter(U'→'));
    ASSERT_TRUE(keyboardState(palette, mousepad.pid())) << keyboardText() << "\n" << copy.output().toStdString();

    // xterm is activated while the pointer rests on the palette.
    const X11Session::Window xtermWindow = x11test::windowOfPid(xterm->pid());
    if (GetParam() == "alt+Tab") {
        for (int i = 0; i < 4 && x11test::activePid() != xterm->pid(); ++i) {
            const int before = x11test::activePid();
            x11test::key(QStringLiteral("alt+Tab"));
            rbxtest::waitFor([before] { return x11test::activePid() != before; }, 3000);
        }
    } else {
        x11test::run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QString::number(xtermWindow)});
    }
    ASSERT_TRUE(xterm->waitForKeyboardFocus());
    ASSERT_TRUE(keyboardState(xterm->pid(), xterm->pid(), QStringLiteral("none"))) << keyboardText();

    // The click inserts into xterm; the keys after the pointer left go there too.
    x11test::click();
    EXPECT_TRUE(xterm->waitForText(QStringLiteral("→"))) << xterm->text().toStdString();
    x11test::pointTo(awayFromThePalette);
    ASSERT_TRUE(xterm->waitForKeyboardFocus()) << keyboardText();
    x11test::type(QStringLiteral("zz"));
    EXPECT_TRUE(xterm->waitForText(QStringLiteral("→zz"))) << xterm->text().toStdString();
    EXPECT_FALSE(mousepad.changed());
}

INSTANTIATE_TEST_SUITE_P(Switches, ActivatedWindow, ::testing::Values("alt+Tab", "request"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param == "alt+Tab" ? std::string("AltTab") : std::string("Request");
                         });

// A terminal takes typed text only: the quotation marks and formatted text are typed too,
// never pasted (Ctrl+V is a control character there).
TEST(KeyboardFocus, ATerminalGetsEveryCharacterTypedNeverAPaste) {
    auto xterm = x11test::startXterm();
    ASSERT_TRUE(xterm->started());
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    // The two quotation marks of the whole table (cells apart: no double click).
    QString expected;
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'"').isEmpty(); }, 10000));
    for (char32_t c : {U'"', U'\''}) {
        ASSERT_TRUE(Copy::clickCharacter(c));
        expected += QChar(c);
        EXPECT_TRUE(xterm->waitForText(expected)) << xterm->text().toUtf8().toHex().toStdString();
    }
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://set?insert=formatted")), 0);
    ASSERT_TRUE(x11test::search(QStringLiteral("rightwards arrow")));
    ASSERT_TRUE(Copy::clickCharacter(U'→'));
    expected += QStringLiteral("→");
    EXPECT_TRUE(xterm->waitForText(expected)) << xterm->text().toUtf8().toHex().toStdString();
    EXPECT_FALSE(xterm->text().contains(QChar(0x16)));
}

// A sheet ends: the keyboard goes back to the window the user types in, unless the pointer is
// over the palette.
TEST(KeyboardFocus, AfterASheetTheKeyboardGoesBackUnlessThePointerIsOverThePalette) {
    MousepadEditor editor;
    ASSERT_TRUE(editor.started());
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    const int ours = int(palette.copy.process().processId());
    x11test::key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(hidden());
    ASSERT_TRUE(editor.waitForKeyboardFocus());

    for (const auto& [sheet, closeKey] : {std::pair{QStringLiteral("pref"), QStringLiteral("Escape")},
                                          std::pair{QStringLiteral("about"), QStringLiteral("Return")}}) {
        ASSERT_EQ(x11test::url(QStringLiteral("runebox://open?sheet=") + sheet), 0);
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !s.value(QStringLiteral("sheet")).toString().isEmpty(); }));
        ASSERT_TRUE(rbxtest::waitFor([ours] { return processHasKeyboardFocus(ours); }, 10000)) << keyboardText();
        ASSERT_TRUE(x11test::sheetHasKeyboard()) << keyboardText();
        x11test::key(closeKey);
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString().isEmpty(); }))
            << sheet.toStdString();
        ASSERT_TRUE(editor.waitForKeyboardFocus()) << sheet.toStdString() << ": " << keyboardText();
    }
    x11test::type(QStringLiteral("kk"));
    EXPECT_TRUE(editor.waitForText(QStringLiteral("kk"))) << editor.text().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("search")).toString(), QString());

    // With the pointer over the palette the keyboard stays with it.
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://open?sheet=about")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("sheet")) == QLatin1String("about"); }));
    x11test::pointTo(palette.frame.topLeft() + QPoint(20, palette.frame.height() - 20));
    x11test::key(QStringLiteral("Return"));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString().isEmpty(); }));
    EXPECT_TRUE(keyboardState(ours, editor.pid(), QStringLiteral("pointer"))) << keyboardText();
}

// The table on a hidden page selects nothing: its magnifier and tool tip go with it.
TEST(KeyboardFocus, ATableThatIsNotShownSelectsNothing) {
    x11test::ProbeEditor editor;
    ASSERT_TRUE(editor.started());
    OpenPalette palette;
    ASSERT_TRUE(palette.ok) << palette.copy.output().toStdString();
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://pref?magnify=1")), 0);
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'A').isEmpty(); }, 10000));
    ASSERT_TRUE(Copy::pointAtCharacter(U'A'));
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !qdbus_cast<QVariantList>(s.value(QStringLiteral("magnifier"))).isEmpty(); }))
        << "no magnifier over A";
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://pref?view=10")), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("selected")).toUInt() == 0 && qdbus_cast<QVariantList>(s.value(QStringLiteral("magnifier"))).isEmpty() &&
               s.value(QStringLiteral("tooltip")).toString().isEmpty();
    })) << Copy::state().value(QStringLiteral("selected")).toUInt();
    // Moving over the hidden table's place selects nothing either.
    x11test::pointTo(palette.frame.center());
    rbxtest::spinEventLoop(300);
    EXPECT_EQ(Copy::state().value(QStringLiteral("selected")).toUInt(), 0u);
}

} // namespace
