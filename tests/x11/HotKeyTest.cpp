// The global hot key of the running palette, pressed through the X server while another
// application has the keyboard: it opens and closes the palette, that application keeps
// the focus and never sees the key, the press is announced to the keyboard-shortcut
// helper, a key another client holds is reported, a bad setting grabs nothing, a changed
// setting takes effect at once and a change of keyboard layout keeps the key working,
// even for a press made while the layout changes.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/dbus/AppleEventBridge.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/x11/X11Session.h"

#include <QDBusConnection>
#include <QProcess>
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

TEST(HotKey, TogglesThePaletteWhileTheFrontApplicationKeepsTheFocusAndNeverSeesTheKey) {
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

    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(openAndSettled)) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return announced == 2; }));

    // The probe kept the keyboard and saw the modifiers go down, never the key itself;
    // what is typed next reaches it.
    EXPECT_TRUE(probe.hasKeyboardFocus());
    const QStringList seen = probe.keyEvents();
    EXPECT_FALSE(seen.isEmpty());
    for (const QString& e : seen)
        EXPECT_TRUE(e.startsWith(QStringLiteral("16777249:")) || e.startsWith(QStringLiteral("16777251:"))) << e.toStdString();
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("c")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("c")));

    // With CapsLock on the key still works.
    key(QStringLiteral("Caps_Lock"));
    key(QStringLiteral("ctrl+alt+c"));
    EXPECT_TRUE(Copy::waitForState(closed)) << copy.output().toStdString();
    key(QStringLiteral("Caps_Lock"));
    EXPECT_EQ(probe.text(), QStringLiteral("c"));
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
    EXPECT_TRUE(probe.hasKeyboardFocus());
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

} // namespace
