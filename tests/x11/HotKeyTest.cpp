// The global hot key of the running palette, pressed through the X server while another
// application has the keyboard: it opens and closes the palette, that application keeps
// the focus and never sees the key, the press is announced to the keyboard-shortcut
// helper, a key another client holds is reported, a bad setting grabs nothing, a changed
// setting takes effect at once (also one recorded in the preferences, where a modifier
// pressed alone records nothing and which show the key by the names this desktop uses,
// and undone there by Cancel) and a change of keyboard layout keeps the key working,
// even for a press made while the layout changes. With no other window on the desktop
// the key opens the palette again after it closed with the keyboard.
#include "Desktop.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/TestEnvironment.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/KeyboardFocus.h"
#include "platform/x11/X11Session.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>
// Last: Xlib's macros clash with the names above.
#include <X11/Xlib.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;

void key(const QString& keys) { run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}); }

bool closed(const QVariantMap& s) { return !Copy::visible(s); }
// The palette holds the keyboard for no reason any more.
bool gaveKeyboardBack(const QVariantMap& s) { return s.value(QStringLiteral("keyboardHold")) == QLatin1String("none"); }
bool openAndSettled(const QVariantMap& s) {
    return Copy::shownAndPainted(s) && s.value(QStringLiteral("alpha")).toDouble() >= 1;
}

int writeSetting(const QString& key, const QString& value) {
    return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"), key, value});
}

// The palette has registered its hot key (it does so once its launch is over).
bool waitForLog(Copy& copy, const QString& line, int ms = 15000) {
    return rbxtest::waitFor([&] { return copy.output().contains(line); }, ms);
}

// The probe has the keyboard and the palette is open with its hot key registered; the
// pointer is away from the middle of the screen, where the palette opens (with the mouse
// over it the palette would have the keyboard).
struct PaletteOverProbe {
    ProbeClient probe;
    std::unique_ptr<Copy> copy;
    bool launch() {
        if (!probe.started() || !probe.waitForKeyboardFocus()) return false;
        x11test::pointTo(QPoint(1100, 80));
        copy = std::make_unique<Copy>();
        return Copy::waitForState(openAndSettled) && waitForLog(*copy, QStringLiteral("open-window hot key: keyCode="));
    }
};

TEST(HotKey, TogglesThePaletteWhichTakesTheKeyboardAndGivesItBackWhileTheFrontApplicationNeverSeesTheKey) {
    // The keyboard-shortcut helper hears of every press.
    constexpr quint32 HbdC = fourcc::make('H', 'b', 'd', 'C');
    AppleEventBridge helper;
    ASSERT_TRUE(helper.exportOn(QDBusConnection::sessionBus()));
    int announced = 0;
    helper.setHandler(HbdC, fourcc::make('K', 'e', 'y', 'B'), [&](const appleevent::Event&) {
        ++announced;
        return QVariantMap();
    });
    ASSERT_TRUE(appleevent::registerSignature(HbdC, QDBusConnection::sessionBus()));

    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch()) << (desk.copy ? desk.copy->output().toStdString() : std::string());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    // The bundle's key: Ctrl+Alt+C.
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("open-window hot key: keyCode=8, modifiers=1572864")))
        << copy.output().toStdString();
    probe.call(QStringLiteral("Clear"));

    // Closed, the probe has the keyboard; opened, the palette has it and gives it back to
    // the probe.
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    EXPECT_TRUE(probe.waitForKeyboardFocus());
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return announced == 2; }));
    EXPECT_TRUE(Copy::holdsKeyboardFor(int(probe.pid())));

    // The probe saw the modifiers go down, never the key itself; what is typed once the
    // palette closed reaches it.
    const QStringList seen = probe.keyEvents();
    EXPECT_FALSE(seen.isEmpty());
    for (const QString& e : seen)
        EXPECT_TRUE(e.startsWith(QStringLiteral("16777249:")) || e.startsWith(QStringLiteral("16777251:"))) << e.toStdString();
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("c")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("c")));

    // With CapsLock on the key still works, and so with NumLock on.
    key(QStringLiteral("Caps_Lock"));
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
    key(QStringLiteral("Caps_Lock"));
    key(QStringLiteral("Num_Lock"));
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    key(QStringLiteral("Num_Lock"));
    EXPECT_EQ(probe.text(), QStringLiteral("c"));
}

TEST(HotKey, WithNoOtherWindowTheKeyStillWorksAfterThePaletteGaveTheKeyboardBack) {
    // No application on the desktop: the palette opens under the pointer and takes the
    // keyboard; when the pointer leaves it, or the palette closes, it gives the keyboard
    // back to nobody, and the key must still reach it.
    x11test::pointTo(QPoint(640, 512));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(openAndSettled) && waitForLog(copy, QStringLiteral("open-window hot key: keyCode=")))
        << copy.output().toStdString();
    const int pid = int(copy.process().processId());
    ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000)) << copy.output().toStdString();
    for (int round = 0; round < 4; ++round) {
        // The pointer leaves for the empty desktop, or Escape (which goes to the palette)
        // closes it.
        if (round % 2 == 0) {
            x11test::pointTo(QPoint(1100, 80));
            ASSERT_TRUE(rbxtest::waitFor([pid] { return !processHasKeyboardFocus(pid); }, 10000)) << round;
            ASSERT_TRUE(Copy::waitForState(gaveKeyboardBack)) << round;
            key(QStringLiteral("ctrl+alt+c"));
        } else {
            key(QStringLiteral("Escape"));
        }
        ASSERT_TRUE(Copy::waitForState(closed)) << round << copy.output().toStdString();
        ASSERT_TRUE(Copy::waitForState(gaveKeyboardBack)) << round;
        x11test::pointTo(QPoint(640, 512));
        key(QStringLiteral("ctrl+alt+c"));
        ASSERT_TRUE(Copy::waitForState(openAndSettled)) << round << copy.output().toStdString();
        ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000)) << round;
    }
}

// Counts the key events a widget receives.
class KeyCounter : public QObject {
public:
    int events = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (dynamic_cast<QKeyEvent*>(e)) ++events;
        return false;
    }
};

TEST(HotKey, AKeyboardHandedBackToNobodyGoesNowhereAndLeavesTheHotKeysWorking) {
    // With the focus on no window at all a key grabbed on the root window never reaches
    // its grab (the window manager does not always move the focus on from there); with the
    // focus on the root window the keys go to the window under the pointer.
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    QWidget window;
    KeyCounter keys;
    window.installEventFilter(&keys);
    window.setWindowTitle(QStringLiteral("takes the keyboard"));
    window.resize(200, 100);
    window.show();
    ASSERT_TRUE(rbxtest::waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000));
    auto* native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_TRUE(native);
    const ewmh::OwnWindow own{native->connection(), X11Session::Window(window.winId())};
    KeyboardFocus keyboard(x);
    keyboard.take(own);
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(x) == own.window; }, 10000));
    // The window manager's offer of the focus reaches the window after it says the window is
    // active, and the window answers it by taking the focus: that is over before the hand-back.
    rbxtest::spinEventLoop(300);
    ASSERT_TRUE(keyboard.handBack(own));
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(x.display(), &focus, &revert);
    EXPECT_EQ(focus, keyboard.nowhere());
    EXPECT_NE(focus, ::Window(None));
    // A key typed with the pointer over the window does not reach it.
    const QPoint middle = window.mapToGlobal(window.rect().center());
    x11test::pointTo(middle);
    ASSERT_TRUE(rbxtest::waitFor([&] { return window.underMouse(); }, 10000));
    key(QStringLiteral("x"));
    rbxtest::spinEventLoop(300);
    EXPECT_EQ(keys.events, 0);
}

TEST(HotKey, APressWhileTheKeyboardChangesIsNeverLostToTheFrontApplication) {
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch()) << (desk.copy ? desk.copy->output().toStdString() : std::string());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    probe.call(QStringLiteral("Clear"));

    // The layout changes while the key is pressed: the palette takes the key again, and
    // each press toggles it; none reaches the probe.
    const QStringList layouts{QStringLiteral("de"), QStringLiteral("us")};
    for (int round = 0; round < 6; ++round) {
        QProcess change;
        change.start(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layouts[round % 2]});
        key(QStringLiteral("ctrl+alt+c"));
        ASSERT_TRUE(change.waitForFinished(10000));
        if (round % 2 == 0) EXPECT_TRUE(Copy::waitForState(closed)) << round << copy.output().toStdString();
        else EXPECT_TRUE(Copy::waitForState(openAndSettled)) << round << copy.output().toStdString();
    }
    EXPECT_TRUE(probe.text().isEmpty()) << probe.text().toStdString();
    EXPECT_TRUE(Copy::holdsKeyboardFor(int(probe.pid())));
}

TEST(HotKey, AKeyHeldByAnotherClientIsReportedAndTheSettingsCanChooseAnother) {
    // This test holds Ctrl+Alt+C on the root window before the palette starts.
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    const int keycodeC = XKeysymToKeycode(x.display(), XStringToKeysym("c"));
    XGrabKey(x.display(), keycodeC, ControlMask | Mod1Mask, x.rootWindow(), False, GrabModeAsync, GrabModeAsync);
    x.sync();

    Copy copy;
    ASSERT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("RegisterEventHotKey error 10"))) << copy.output().toStdString();
    EXPECT_TRUE(copy.output().contains(QStringLiteral("open-window hot key 1572864,8 not registered")));
    key(QStringLiteral("ctrl+alt+c"));
    rbxtest::spinEventLoop(600);
    EXPECT_TRUE(Copy::visible(Copy::state()));

    // A text that is no hot key grabs nothing: typing "a" in another window still works.
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    ASSERT_EQ(writeSetting(QStringLiteral("openWindowHotkey"), QStringLiteral("abc,def")), 0);
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("invalid hotkey \"abc,def\""))) << copy.output().toStdString();
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("a")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("a")));

    // Another key, written by another program, is taken up at once.
    ASSERT_EQ(writeSetting(QStringLiteral("openWindowHotkey"), QStringLiteral("1572864,17")), 0);
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("open-window hot key: keyCode=17"))) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+t"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();

    // After a change of the keyboard layout the key is grabbed again and still works.
    ASSERT_EQ(run(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QStringLiteral("de")}), 0);
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("hot keys grabbed again"))) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+t"));
    EXPECT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
    EXPECT_EQ(probe.text(), QStringLiteral("a"));
    XUngrabKey(x.display(), keycodeC, ControlMask | Mod1Mask, x.rootWindow());
    x.sync();
}

TEST(HotKey, TheRecorderInThePreferencesShowsTheKeyByItsNamesAndTheRecordedKeyWorksAtOnce) {
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch()) << (desk.copy ? desk.copy->output().toStdString() : std::string());
    Copy& copy = *desk.copy;
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://open?sheet=pref&tab=act")), 0);
    ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("preferences"))) << copy.output().toStdString();
    auto shows = [](const QString& text) {
        return rbxtest::waitFor([&] { return x11test::sheetFields().value(QStringLiteral("showWindowHotkey")) == text; }, 10000);
    };
    auto stored = [](const QString& text) {
        QString out;
        return rbxtest::waitFor([&] {
            run(Tool, {QStringLiteral("defaults"), QStringLiteral("read"), QStringLiteral("org.runebox.Runebox"),
                       QStringLiteral("openWindowHotkey")}, &out);
            return out.trimmed() == text;
        }, 10000);
    };
    // The bundle's key.
    EXPECT_TRUE(shows(QStringLiteral("Ctrl+Alt+C"))) << x11test::sheetFields().value(QStringLiteral("showWindowHotkey")).toString().toStdString();

    // A key pressed in the focused field: Super is the stored Control, a function key is
    // named by its keysym; the setting keeps the stored form at once.
    // A modifier pressed alone records nothing (nor do the modifiers of the key that
    // follows): the one key registered next is the whole key.
    ASSERT_TRUE(x11test::focusControl(QStringLiteral("showWindowHotkey"))) << copy.output().toStdString();
    const auto registered = [&] { return copy.output().count(QStringLiteral("open-window hot key: keyCode=")); };
    const int before = registered();
    key(QStringLiteral("ctrl"));
    key(QStringLiteral("shift"));
    key(QStringLiteral("super+F5"));
    EXPECT_TRUE(shows(QStringLiteral("Super+F5"))) << x11test::sheetFields().value(QStringLiteral("showWindowHotkey")).toString().toStdString();
    EXPECT_TRUE(stored(QStringLiteral("262144,96")));
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("open-window hot key: keyCode=96, modifiers=262144"))) << copy.output().toStdString();
    EXPECT_EQ(registered(), before + 1) << copy.output().toStdString();

    // Cancel brings the bundle's key back, registered again.
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("preferencesCancelButton")));
    ASSERT_TRUE(x11test::waitForSheet(QString()));
    EXPECT_TRUE(rbxtest::waitFor([&] {
        return copy.output().count(QStringLiteral("open-window hot key: keyCode=8, modifiers=1572864")) >= 2;
    }, 10000)) << copy.output().toStdString();
    x11test::pointTo(QPoint(1100, 80));
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+c"));
    ASSERT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();

    // Another key, kept with OK.
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://open?sheet=pref&tab=act")), 0);
    ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("preferences"))) << copy.output().toStdString();
    EXPECT_TRUE(shows(QStringLiteral("Ctrl+Alt+C"))) << x11test::sheetFields().value(QStringLiteral("showWindowHotkey")).toString().toStdString();
    ASSERT_TRUE(x11test::focusControl(QStringLiteral("showWindowHotkey"))) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+shift+t"));
    EXPECT_TRUE(shows(QStringLiteral("Ctrl+Alt+Shift+T"))) << x11test::sheetFields().value(QStringLiteral("showWindowHotkey")).toString().toStdString();
    EXPECT_TRUE(stored(QStringLiteral("1703936,17")));
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("preferencesOKButton")));
    ASSERT_TRUE(x11test::waitForSheet(QString()));
    ASSERT_TRUE(waitForLog(copy, QStringLiteral("open-window hot key: keyCode=17, modifiers=1703936"))) << copy.output().toStdString();

    // The recorded key closes the palette; the old one no longer opens it.
    x11test::pointTo(QPoint(1100, 80));
    key(QStringLiteral("ctrl+alt+shift+t"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+c"));
    rbxtest::spinEventLoop(600);
    EXPECT_FALSE(Copy::visible(Copy::state()));
    key(QStringLiteral("ctrl+alt+shift+t"));
    EXPECT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
}

} // namespace
