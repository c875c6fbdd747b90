// The keyboard as the server has it: the current keyboard follows layout and group
// changes; spare keycode bindings stay until the keymap is replaced or the typer ends; the
// event generator lets go of modifiers the user holds.
#include "common/TestEnvironment.h"
#include "insertion/KXKeyboard.h"
#include "insertion/KXTap.h"
#include "platform/x11/X11KeyTyper.h"
#include "platform/x11/X11Keyboard.h"
#include "platform/x11/X11Session.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

bool setLayout(const QStringList& args) {
    return QProcess::execute(QStringLiteral("setxkbmap"), args) == 0;
}

} // namespace

TEST(KeyboardServer, CurrentKeyboardFollowsLayoutAndGroupChanges) {
    ASSERT_TRUE(setLayout({"-layout", "us"}));
    kx::x11::X11Keyboard::shared().reload();
    kx::KXKeyboard::updateCurrentKeyboard();
    kx::KXKeyboard* kb = kx::KXKeyboard::currentKeyboard();
    ASSERT_NE(kb, nullptr);
    EXPECT_EQ(kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")), 9);
    ASSERT_EQ(kb->keyStrokesForCharacter(U'@').size(), 1);
    EXPECT_EQ(kb->keyStrokesForCharacter(U'@')[0].modifiers, kx::carbon::Shift);

    ASSERT_TRUE(setLayout({"-layout", "de"}));
    ASSERT_TRUE(rbxtest::waitFor([] {
        kx::KXKeyboard* k = kx::KXKeyboard::currentKeyboard();
        return k && k->keyStrokesForCharacter(U'@').value(0).modifiers == kx::carbon::Option;
    }, 5000));

    ASSERT_TRUE(setLayout({"-layout", "ru,us"}));
    ASSERT_TRUE(rbxtest::waitFor([] {
        kx::KXKeyboard* k = kx::KXKeyboard::currentKeyboard();
        return k && k->keyCodeForUnicodeCharacter(0x043C) == 9;
    }, 5000));
    EXPECT_EQ(kx::KXKeyboard::currentKeyboard()->keyCodeForCommandKeyLabeled(QStringLiteral("v")), 9);
    // Switching to the second group: the Latin letters are plain labels again.
    X11Session& s = X11Session::shared();
    XkbLockGroup(s.display(), XkbUseCoreKbd, 1);
    s.flush();
    ASSERT_TRUE(rbxtest::waitFor([] {
        kx::KXKeyboard* k = kx::KXKeyboard::currentKeyboard();
        return k && k->group() == 1 && k->keyCodeForKeyLabeled(QStringLiteral("v")) == 9;
    }, 5000));
    XkbLockGroup(s.display(), XkbUseCoreKbd, 0);
    s.flush();
    setLayout({"-layout", "us"});
}

TEST(KeyboardServer, SpareBindingsStayUntilTheKeymapIsReplacedOrTheTyperEnds) {
    auto keymapHas = [](char32_t c) {
        auto keymap = kx::x11::X11Keyboard::shared().keymap();
        kx::x11::XkbKeymap::Stroke stroke;
        return keymap && keymap->findKeysym(kx::x11::charToKeysym(c), 0, stroke);
    };
    {
        kx::x11::X11KeyTyper typer;
        ASSERT_TRUE(typer.isAvailable());
        ASSERT_TRUE(typer.typeText(QStringLiteral("\u2603\u2713")));
        EXPECT_EQ(typer.boundKeyCount(), 2);
        // Typing again keeps them (and reuses them).
        ASSERT_TRUE(typer.typeText(QStringLiteral("\u2603")));
        EXPECT_EQ(typer.boundKeyCount(), 2);
        // A receiver that reads the keymap late still finds them, however long after.
        rbxtest::spinEventLoop(2500);
        EXPECT_EQ(typer.boundKeyCount(), 2);
        kx::x11::X11Keyboard::shared().reload();
        EXPECT_TRUE(keymapHas(0x2603));
        EXPECT_TRUE(keymapHas(0x2713));
    }
    // The typer's end gives the keycodes back.
    kx::x11::X11Keyboard::shared().reload();
    EXPECT_FALSE(keymapHas(0x2603));
    EXPECT_FALSE(keymapHas(0x2713));

    // A new layout drops the bindings; the next typing binds anew.
    kx::x11::X11KeyTyper typer;
    ASSERT_TRUE(typer.typeText(QStringLiteral("\u2603")));
    EXPECT_EQ(typer.boundKeyCount(), 1);
    ASSERT_TRUE(setLayout({"-layout", "us"}));
    ASSERT_TRUE(rbxtest::waitFor([&typer] { return typer.boundKeyCount() == 0; }, 5000));
    ASSERT_TRUE(typer.typeText(QStringLiteral("\u2603")));
    EXPECT_EQ(typer.boundKeyCount(), 1);
    kx::x11::X11Keyboard::shared().reload();
    EXPECT_TRUE(keymapHas(0x2603));
}

TEST(KeyboardServer, ControlCharactersWithoutAKeyCannotBeTyped) {
    kx::x11::X11KeyTyper typer;
    QString why;
    EXPECT_TRUE(typer.canType(QStringLiteral("a\tb\n"), &why));
    EXPECT_FALSE(typer.canType(QStringLiteral("a\x02"), &why));
    EXPECT_EQ(why, QStringLiteral("U+0002"));
    EXPECT_FALSE(typer.typeText(QStringLiteral("\x1f")));
    EXPECT_EQ(typer.boundKeyCount(), 0);
}

TEST(KeyboardServer, EventGeneratorLetsGoOfHeldModifiersAndOfItsOwn) {
    kx::x11::X11KeyTyper& typer = kx::x11::X11KeyTyper::shared();
    kx::x11::X11Keyboard& keyboard = kx::x11::X11Keyboard::shared();
    typer.setKeyDown(50, true);   // the user holds Shift
    typer.flush();
    ASSERT_TRUE(rbxtest::waitFor([&keyboard] { return keyboard.pressedKeys().contains(50); }));
    {
        kx::KXEventGenerator gen(&typer);
        EXPECT_FALSE(keyboard.pressedKeys().contains(50));
        gen.setModifiers(0x100000 | 0x80000);   // Command and Option
        EXPECT_EQ(gen.currentCarbonModifiers(), 0x900);
        EXPECT_TRUE(keyboard.pressedKeys().contains(37));   // Ctrl
        EXPECT_TRUE(keyboard.pressedKeys().contains(64));   // Alt
        gen.setCarbonModifiers(0x100);
        EXPECT_FALSE(keyboard.pressedKeys().contains(64));
    }
    // Its end lets go of what it held.
    EXPECT_FALSE(keyboard.pressedKeys().contains(37));
    // The per-pass generator goes away at the next pass of the event loop.
    QPointer<kx::KXEventGenerator> g(&kx::KXEventGenerator::generator());
    EXPECT_EQ(g.data(), &kx::KXEventGenerator::generator());
    ASSERT_TRUE(rbxtest::waitFor([&g] { return g.isNull(); }));
}
