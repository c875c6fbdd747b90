// The palette and the keyboard, as a user meets them on a desktop (Xvfb + openbox +
// session bus) with the real runebox program: the palette opens without taking the
// keyboard from the application the user types in; with the mouse over it, it has the
// keyboard (typing searches, Escape clears the search and then closes, the table's keys
// and shortcuts work); a click inserts the character into that application, which has
// the keyboard for it; with the mouse outside, typing reaches that application again.
// Every key and click goes through the X server, where the pointer and the keyboard focus
// are; the front applications are of three toolkits (Qt, xterm, GTK 3).
#include "FrontEditors.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"

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
    EXPECT_TRUE(editor->hasKeyboardFocus()) << "opening the palette took the keyboard";

    // Over the palette the keys are the palette's: typing searches.
    x11test::pointTo(palette.frame.center());
    ASSERT_TRUE(paletteHasKeyboard(palette.copy)) << palette.copy.output().toStdString();
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
    rbxtest::spinEventLoop(400);
    EXPECT_TRUE(Copy::visible(Copy::state()));
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
