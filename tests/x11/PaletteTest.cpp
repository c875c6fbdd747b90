// The palette as a whole on a desktop (Xvfb + openbox + session bus): it opens at start
// without taking the focus from the window the user types in, sits on every desktop,
// opens and closes by URL command and by Escape, fades, hands a second start's URL to the
// first copy, and quits other copies of the same user on the same display.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "kxlib/KXLoginPrefs.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

namespace {

using x11test::run;
using x11test::Runebox;
using x11test::Tool;
using x11test::Copy;

using x11test::url;
using x11test::windowOfPid;
using x11test::activePid;

// Escape pressed on the keyboard with the mouse over the palette, which then has the
// keyboard.
void pressEscapeOver(X11Session::Window w, int pid) {
    x11test::pointTo(x11test::frameOf(w).center());
    ASSERT_TRUE(rbxtest::waitFor([pid] { return processHasKeyboardFocus(pid); }, 10000)) << "the palette never took the keyboard";
    x11test::key(QStringLiteral("Escape"));
}

// Where the pointer waits while a palette opens: away from the middle of the screen,
// where it opens.
const QPoint awayFromThePalette(1100, 80);

TEST(Palette, OpensOnEveryDesktopWithTheKeyboardAndGivesItBackAsAPanel) {
    x11test::pointTo(awayFromThePalette);
    ProbeClient probe;
    ASSERT_TRUE(probe.started());
    int probePid = 0;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        probePid = activePid();
        return probePid > 0;
    }, 10000));

    // Opened, the palette has the keyboard (typing searches), to give back to the probe.
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const X11Session::Window w = windowOfPid(int(copy.process().processId()));
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(Copy::holdsKeyboardFor(probePid)) << copy.output().toStdString();
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("arrow")});
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QStringLiteral("arrow"); }));

    X11Session& x = X11Session::shared();
    EXPECT_EQ(x.longProperty(w, x.atom("_NET_WM_DESKTOP"), x.atom("CARDINAL")).value_or(0) & 0xFFFFFFFFul, 0xFFFFFFFFul);
    const QList<unsigned long> states = x.longsProperty(w, x.atom("_NET_WM_STATE"), x.atom("ATOM"));
    EXPECT_TRUE(states.contains(x.atom("_NET_WM_STATE_ABOVE")));

    // The search command fills the palette, which keeps the keyboard.
    EXPECT_EQ(url(QStringLiteral("runebox://set?search=greek")), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QStringLiteral("greek"); }));
    EXPECT_TRUE(Copy::holdsKeyboardFor(probePid));

    // The pointer comes and goes: the probe has the keyboard again, and the palette is a
    // panel no window manager gives the focus to.
    x11test::pointTo(x11test::frameOf(w).center());
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("keyboardHold")) == QLatin1String("pointer"); }));
    x11test::pointTo(awayFromThePalette);
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    const QList<unsigned long> hints = x.longsProperty(w, x.atom("WM_HINTS"), x.atom("WM_HINTS"));
    ASSERT_GE(hints.size(), 2);
    EXPECT_TRUE(hints[0] & 1);
    EXPECT_EQ(hints[1], 0ul);  // no input focus
    const QList<unsigned long> protocols = x.longsProperty(w, x.atom("WM_PROTOCOLS"), x.atom("ATOM"));
    EXPECT_FALSE(protocols.contains(x.atom("WM_TAKE_FOCUS")));
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("ok")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("ok")));
}

TEST(Palette, OpensAndClosesByUrlAndEscapeWithAFade) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const X11Session::Window w = windowOfPid(int(copy.process().processId()));
    ASSERT_NE(w, 0u);

    // Escape with a search clears it and keeps the palette.
    ASSERT_EQ(url(QStringLiteral("runebox://set?search=greek")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QStringLiteral("greek"); }));
    const int pid = int(copy.process().processId());
    pressEscapeOver(w, pid);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")).toString().isEmpty(); }));
    // The key that cleared the search began no fade-out.
    EXPECT_TRUE(Copy::visible(Copy::state()));
    EXPECT_FALSE(Copy::state().value(QStringLiteral("fadingOut")).toBool());

    // A second Escape fades the palette out and closes it.
    x11test::key(QStringLiteral("Escape"));
    bool sawFading = false;
    EXPECT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        const double a = s.value(QStringLiteral("alpha")).toDouble();
        sawFading = sawFading || (Copy::visible(s) && a < 1 && a > 0);
        return !Copy::visible(s);
    })) << copy.output().toStdString();
    EXPECT_TRUE(sawFading);
    EXPECT_DOUBLE_EQ(Copy::state().value(QStringLiteral("alpha")).toDouble(), 1.0);

    // "open" without a sheet does nothing; with one (here none known) it opens the window.
    ASSERT_EQ(url(QStringLiteral("runebox://open")), 0);  // answered once handled
    EXPECT_FALSE(Copy::visible(Copy::state()));
    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=window")), 0);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && s.value(QStringLiteral("shown")).toInt() == 2;
    }));

    // "quit" ends the copy normally.
    ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
    ASSERT_TRUE(copy.process().waitForFinished(10000));
    EXPECT_EQ(copy.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(copy.process().exitCode(), 0);
}

// A quit while the palette is on screen ends the program: the palette does not merely
// hide. The Quit command and a termination signal (as at the end of a session) alike.
TEST(Palette, QuitsWhileThePaletteShowsByCommandAndBySignal) {
    for (const bool bySignal : {false, true}) {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "runebox://quit");
        // The pointer rests in the corner, where the corner activator shows too.
        x11test::pointTo(QPoint(0, 0));
        Copy copy;
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
        if (bySignal) ::kill(pid_t(copy.process().processId()), SIGTERM);
        else ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
        ASSERT_TRUE(copy.process().waitForFinished(10000)) << "still running; palette visible: "
                                                          << Copy::visible(Copy::state()) << "\n"
                                                          << copy.output().toStdString();
        EXPECT_EQ(copy.process().exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(copy.process().exitCode(), 0);
    }
}

// A normal session writes nothing on standard error or output: the log goes to the
// journal. --verbose (as RUNEBOX_LOG=1, which the tests set) puts it on standard error.
TEST(Palette, ANormalSessionIsQuietAndVerboseWritesTheLog) {
    QProcessEnvironment quiet;
    quiet.insert(QStringLiteral("RUNEBOX_LOG"), QStringLiteral("0"));
    for (const bool verbose : {false, true}) {
        SCOPED_TRACE(verbose ? "--verbose" : "quiet");
        Copy copy(verbose ? QStringList{QStringLiteral("--verbose")} : QStringList{}, quiet);
        ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
        ASSERT_TRUE(x11test::search(QStringLiteral("snowman")));
        ASSERT_EQ(url(QStringLiteral("runebox://quit")), 0);
        ASSERT_TRUE(copy.process().waitForFinished(10000));
        EXPECT_EQ(copy.process().exitCode(), 0);
        if (verbose) {
            EXPECT_TRUE(copy.output().contains(QStringLiteral("runebox: "))) << copy.output().toStdString();
        } else {
            EXPECT_EQ(copy.output(), QString());
        }
    }
}

// A screen reader (an AT-SPI client) reads the running palette: the table is a list of
// the cells on screen, each named by its character and its name; the magnifier's text and
// the controls' names are there too.
TEST(Palette, AScreenReaderReadsTheCellsTheMagnifierAndTheControls) {
    ASSERT_EQ(x11test::switchAccessibilityOn(), QString());
    x11test::pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("snowman")));
    ASSERT_TRUE(Copy::pointAtCharacter(U'☃'));
    const QString pid = QString::number(copy.process().processId());
    QString tree;
    const auto read = [&] {
        tree = rbxtest::runProgram(QStringLiteral("/usr/bin/python3"), {QStringLiteral(RUNEBOX_SCREEN_READER), pid}).out;
        return tree.contains(QString::fromUtf8("list item | ☃ SNOWMAN")) &&
               tree.contains(QRegularExpression(QStringLiteral("\\| SNOWMAN \\||\\| SNOWMAN$"), QRegularExpression::MultilineOption));
    };
    ASSERT_TRUE(rbxtest::waitFor(read, 30000)) << tree.toStdString();
    // The list's items are the cells on screen, and they are characters.
    const QStringList lines = tree.split(u'\n');
    const qsizetype list = lines.indexOf(QRegularExpression(QStringLiteral(" *list \\| Characters \\|.*")));
    ASSERT_GE(list, 0) << tree.toStdString();
    const auto depth = [](const QString& l) { return l.size() - l.trimmed().size(); };
    qsizetype items = 0;
    for (qsizetype i = list + 1; i < lines.size() && depth(lines[i]) > depth(lines[list]); ++i) {
        EXPECT_TRUE(lines[i].trimmed().startsWith(QStringLiteral("list item | "))) << lines[i].toStdString();
        ++items;
    }
    EXPECT_GE(items, 1);
    EXPECT_LT(items, 200);
    // Every button has a name.
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        const bool button = trimmed.startsWith(QStringLiteral("push button |")) || trimmed.startsWith(QStringLiteral("toggle button |"));
        EXPECT_FALSE(button && trimmed.section(QStringLiteral(" | "), 1, 1).isEmpty()) << "a button without a name:\n" << tree.toStdString();
    }
}

TEST(Palette, APressOutsideClosesItAndOneInsideDoesNot) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const X11Session::Window w = windowOfPid(int(copy.process().processId()));
    ASSERT_NE(w, 0u);
    // Wait until the fade-in is over and the press monitor listens.
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("alpha")).toDouble() >= 1; }));
    rbxtest::spinEventLoop(300);
    QString geometry;
    run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QString::number(w)}, &geometry);
    ASSERT_TRUE(geometry.contains(QStringLiteral("Position"))) << geometry.toStdString();
    // Position: X,Y (screen: 0) / Geometry: WxH
    const QString pos = geometry.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const QString size = geometry.section(QStringLiteral("Geometry: "), 1).trimmed();
    const int x = pos.section(QLatin1Char(','), 0, 0).toInt(), y = pos.section(QLatin1Char(','), 1, 1).toInt();
    const int width = size.section(QLatin1Char('x'), 0, 0).toInt(), height = size.section(QLatin1Char('x'), 1, 1).toInt();
    ASSERT_GT(width, 0);

    auto clickAt = [](int cx, int cy) {
        run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(cx), QString::number(cy),
                                        QStringLiteral("click"), QStringLiteral("1")});
    };
    clickAt(x + width / 2, y + height / 2);  // on the table
    rbxtest::spinEventLoop(700);
    EXPECT_TRUE(Copy::visible(Copy::state())) << copy.output().toStdString();
    clickAt(x > 60 ? 20 : x + width + 20, 20);
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
}

TEST(Palette, ASecondStartHandsOverItsUrlOrReopensThePalette) {
    ASSERT_EQ(run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                         QStringLiteral("suppressOpening"), QStringLiteral("YES")}),
              0);
    Copy first;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << first.output().toStdString();
    rbxtest::spinEventLoop(300);
    EXPECT_FALSE(Copy::visible(Copy::state()));

    QString out;
    EXPECT_EQ(run(Runebox, {QStringLiteral("runebox://set?search=hand%20over")}, &out), 0) << out.toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && s.value(QStringLiteral("search")) == QStringLiteral("hand over");
    })) << first.output().toStdString();

    // Closed again, a start without URLs opens it.
    QDBusMessage close = QDBusMessage::createMethodCall(QStringLiteral("org.runebox.Runebox"), QStringLiteral("/Debug"),
                                                        QStringLiteral("org.runebox.Debug"), QStringLiteral("Close"));
    QDBusConnection::sessionBus().call(close, QDBus::Block, 5000);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    EXPECT_EQ(run(Runebox, {}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("another copy is running")));
    EXPECT_TRUE(Copy::waitForState(Copy::visible));
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(Palette, StaysClosedWhenStartedAsALoginItem) {
    QProcessEnvironment login;
    login.insert(QString::fromLatin1(KXLoginPrefs::launchMarkerVariable()), QStringLiteral("1"));
    Copy copy({}, login);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap&) { return true; })) << copy.output().toStdString();
    rbxtest::spinEventLoop(500);
    EXPECT_FALSE(Copy::visible(Copy::state()));
    EXPECT_EQ(Copy::state().value(QStringLiteral("shown")).toInt(), 0);
    // It runs all the same, and opens when asked.
    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=window")), 0);
    EXPECT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
}

TEST(Palette, QuitsAnotherCopyOfTheSameUserOnThisDisplay) {
    // A copy that reached no session bus: the single-instance name cannot protect it.
    QProcessEnvironment noBus;
    noBus.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    Copy stray({}, noBus);
    ASSERT_TRUE(stray.process().waitForStarted());
    ASSERT_NE(windowOfPid(int(stray.process().processId())), 0u) << stray.output().toStdString();

    Copy second;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << second.output().toStdString();
    EXPECT_TRUE(stray.process().state() == QProcess::NotRunning || stray.process().waitForFinished(10000));
    EXPECT_TRUE(second.output().contains(QStringLiteral("Quit other copy of Runebox (quitkill)"))) << second.output().toStdString();
}

} // namespace
