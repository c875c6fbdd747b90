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
