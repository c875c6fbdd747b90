// The activators of the running palette on a desktop: the corner strip that shows when
// the pointer reaches the corner and toggles the palette on a click while the front
// application keeps the keyboard, and the tray icon that a tray host appearing later
// receives and that toggles the palette too. Font files dragged with the mouse from
// another application onto the palette or the strip join the font list as the chosen
// collection. While the screen saver runs the activator is left as it is; after a switch
// of desktop and after the machine wakes from sleep the strip is put up anew, on top, and
// every 15 s it is raised again.
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "Desktop.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>
#include <optional>
#include <gtest/gtest.h>
// Last: Xlib's macros clash with the names above.
#include <X11/Xlib.h>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::Tool;

void pointerTo(int x, int y) {
    run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}
void click() { run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")}); }

// The pointer stays away from the middle of the screen, where the palette opens: with the
// mouse over it the palette would have the keyboard.

// The corner strip's window, the mapped one only when `mapped`; "" when there is none.
QString stripWindow(bool mapped = true) {
    QStringList args{QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Runebox corner$")};
    if (mapped) args.insert(1, QStringLiteral("--onlyvisible"));
    QString ids;
    run(QStringLiteral("xdotool"), args, &ids);
    const QString id = ids.split(QLatin1Char('\n'), Qt::SkipEmptyParts).value(0).trimmed();
    return !id.isEmpty() && id.at(0).isDigit() ? id : QString();
}

// The mapped corner strip's geometry "x,y wxh"; "" while none is mapped.
QString stripGeometry() {
    const QString id = stripWindow();
    if (id.isEmpty()) return {};
    QString g;
    run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), id}, &g);
    const QString pos = g.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const QString size = g.section(QStringLiteral("Geometry: "), 1).trimmed();
    return pos + QLatin1Char(' ') + size;
}

bool waitForStrip(const QString& geometry, int ms = 10000) {
    return rbxtest::waitFor([&] { return stripGeometry() == geometry; }, ms);
}

bool launched(Copy& copy) {
    return rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("open-window hot key")); }, 15000);
}

int writeSetting(const QString& key, const QString& value) {
    return run(Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"), key, value});
}

// The open menu's entries: title and place on the screen.
QList<QPair<QString, QRect>> menuItems() {
    QList<QPair<QString, QRect>> items;
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap m = qdbus_cast<QVariantMap>(v);
        const QVariantList r = qdbus_cast<QVariantList>(m.value(QStringLiteral("rect")));
        if (r.size() == 4)
            items.append({m.value(QStringLiteral("title")).toString(),
                          QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt())});
    }
    return items;
}

bool settled(const QVariantMap& s) { return Copy::shownAndPainted(s) && s.value(QStringLiteral("alpha")).toDouble() >= 1; }

// The probe in front with the keyboard, the pointer away from the middle of the screen
// (where the palette opens: with the mouse over it the palette would have the keyboard),
// and the palette launched, at rest and done with its launch.
struct PaletteOverProbe {
    const bool pointerAway = (pointerTo(1100, 80), true);
    ProbeClient probe;
    std::optional<Copy> copy;

    ::testing::AssertionResult launch() {
        if (!probe.started() || !probe.waitForKeyboardFocus())
            return ::testing::AssertionFailure() << "the probe did not come to the front";
        copy.emplace();
        if (!Copy::waitForState(settled) || !launched(*copy))
            return ::testing::AssertionFailure() << copy->output().toStdString();
        return ::testing::AssertionSuccess();
    }
};

// A click where the pointer is (on an activator) closes the palette, and the probe has the
// keyboard; another opens it, and the palette has the keyboard, to give back to the probe.
::testing::AssertionResult clicksToggleThePalette(Copy& copy, ProbeClient& probe) {
    click();
    if (!Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }))
        return ::testing::AssertionFailure() << "the first click did not close the palette\n" << copy.output().toStdString();
    if (!probe.waitForKeyboardFocus()) return ::testing::AssertionFailure() << "the closed palette kept the keyboard";
    click();
    if (!Copy::waitForState(settled))
        return ::testing::AssertionFailure() << "the second click did not open the palette\n" << copy.output().toStdString();
    if (!Copy::holdsKeyboardFor(int(probe.pid())))
        return ::testing::AssertionFailure() << "the opened palette has not the keyboard of the probe";
    return ::testing::AssertionSuccess();
}

TEST(Activator, TheCornerStripShowsNearItsCornerAndAClickTogglesThePaletteWithTheKeyboard) {
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    EXPECT_EQ(stripGeometry(), QString());

    // The pointer at the top-left corner brings the strip; a click on it closes the
    // palette, another opens it, and what is typed then searches.
    pointerTo(3, 3);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    EXPECT_TRUE(clicksToggleThePalette(copy, probe));
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("q")});
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QLatin1String("q"); }));

    // A right click pulls the program's menu down just below the strip; its first entry
    // closes the palette, and the probe has the keyboard afterwards.
    pointerTo(3, 3);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12")));
    run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("3")});
    QList<QPair<QString, QRect>> items;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !(items = menuItems()).isEmpty(); }, 10000)) << copy.output().toStdString();
    EXPECT_TRUE(Copy::visible(Copy::state()));  // a right click does not toggle
    ASSERT_EQ(items.first().first, QStringLiteral("Close Palette"));
    const QRect first = items.first().second;
    EXPECT_GE(first.top(), 11);
    EXPECT_LT(first.top(), 11 + 12) << first.top();
    EXPECT_LT(first.left(), 10);
    EXPECT_TRUE(std::any_of(items.begin(), items.end(), [](const auto& i) { return i.first == QStringLiteral("Quit Runebox"); }));
    pointerTo(first.center().x(), first.center().y());
    click();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("r")});
    EXPECT_TRUE(probe.waitForText(QStringLiteral("r"))) << probe.text().toStdString();

    // Away from the corner it goes; the top-right corner takes it when chosen.
    pointerTo(1100, 80);
    EXPECT_TRUE(waitForStrip(QString()));
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("2")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("activator")).toInt() == 2; }));
    pointerTo(1275, 2);
    EXPECT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12"))) << stripGeometry().toStdString();
    // Always there without "hide Q in corner".
    ASSERT_EQ(writeSetting(QStringLiteral("hide Q in corner"), QStringLiteral("NO")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !s.value(QStringLiteral("hideQInCorner")).toBool(); }));
    pointerTo(1100, 80);
    // The strip would have gone by the pointer's next look (a moment): it stays.
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QStringLiteral("1270,0 10x12"));

    // A full-screen window in front hides the strip, and the windows are logged with it
    // marked; back to normal, the strip returns.
    probe.call(QStringLiteral("FullScreen"), {true});
    EXPECT_TRUE(waitForStrip(QString())) << stripGeometry().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("fullScreen: 1")); }, 10000))
        << copy.output().toStdString();
    const QString log = copy.output();
    const qsizetype start = log.indexOf(QStringLiteral("START"));
    ASSERT_GE(start, 0);
    const QString listing = log.mid(start, log.indexOf(QStringLiteral("fullScreen: 1")) - start);
    EXPECT_TRUE(listing.contains(QStringLiteral("title = \"runebox-probe\""))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("FULL-SCREEN"))) << listing.toStdString();
    EXPECT_TRUE(listing.contains(QStringLiteral("END"))) << listing.toStdString();
    probe.call(QStringLiteral("FullScreen"), {false});
    EXPECT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12"))) << stripGeometry().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("fullScreen: 0")); }, 10000))
        << copy.output().toStdString();

    // With Ctrl held a click on the strip pulls the menu down instead of toggling the
    // palette; Escape closes the menu.
    const bool shown = Copy::visible(Copy::state());
    pointerTo(1275, 5);
    run(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("ctrl")});
    click();
    run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("ctrl")});
    // The press that opened the menu toggled nothing.
    EXPECT_TRUE(rbxtest::waitFor([] { return !menuItems().isEmpty(); }, 10000)) << copy.output().toStdString();
    EXPECT_EQ(Copy::visible(Copy::state()), shown);
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(rbxtest::waitFor([] { return menuItems().isEmpty(); }, 5000));

    // With Shift and Alt held too the click is the emergency reset: the palette opens with
    // its frame reset.
    if (Copy::visible(Copy::state())) {
        Copy::debugCall(QStringLiteral("Close"));
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
    }
    pointerTo(1275, 5);
    ASSERT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12")));
    run(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("ctrl+shift+alt")});
    click();
    run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("ctrl+shift+alt")});
    EXPECT_TRUE(Copy::waitForState(settled)) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("** emergency reset of window:")); }, 10000))
        << copy.output().toStdString();
    EXPECT_TRUE(menuItems().isEmpty());
}

TEST(Activator, WhileTheScreenSaverRunsTheStripStaysAsItIsAndFollowsTheSettingsAfterwards) {
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    ASSERT_EQ(writeSetting(QStringLiteral("hide Q in corner"), QStringLiteral("NO")), 0);
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    Copy& copy = *desk.copy;
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();

    // The screen saver comes on (as `xset s activate` makes it): a change of the
    // activator's corner waits until it is off again.
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    XForceScreenSaver(x.display(), ScreenSaverActive);
    x.flush();
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("screen saver started")); }, 10000))
        << copy.output().toStdString();
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("2")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("activator")).toInt() == 2; }));
    rbxtest::spinEventLoop(500);  // the strip would move at once: it stays
    EXPECT_EQ(stripGeometry(), QStringLiteral("0,0 10x12"));
    XForceScreenSaver(x.display(), ScreenSaverReset);
    x.flush();
    EXPECT_TRUE(waitForStrip(QStringLiteral("1270,0 10x12"))) << stripGeometry().toStdString() << copy.output().toStdString();
}

// A window of the test's own over the top-left corner, as a panel or a pop-up above
// everything would be, and the strip's map and unmap notices counted.
class OverTheCorner {
public:
    OverTheCorner(X11Session& x, X11Session::Window strip) : x_(x), strip_(strip) {
        XSetWindowAttributes a{};
        a.override_redirect = True;
        a.background_pixel = 0x4060a0;
        cover_ = XCreateWindow(x.display(), x.rootWindow(), 0, 0, 40, 40, 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixel, &a);
        x.addInputMask(strip, StructureNotifyMask);
        listeners_ << x.addEventListener(MapNotify, strip, [this](const XEvent&) { ++maps; })
                   << x.addEventListener(UnmapNotify, strip, [this](const XEvent&) { ++unmaps; });
        XMapRaised(x.display(), cover_);
        x.sync();
    }
    ~OverTheCorner() {
        for (X11Session::ListenerId id : listeners_) x_.removeEventListener(id);
        XDestroyWindow(x_.display(), cover_);
        x_.sync();
    }
    // Whether the strip lies above the cover in the stacking order.
    bool stripOnTop() {
        ::Window root = 0, parent = 0, *children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(x_.display(), x_.rootWindow(), &root, &parent, &children, &n)) return false;
        int strip = -1, cover = -1;
        for (unsigned int i = 0; i < n; ++i) {
            if (children[i] == strip_) strip = int(i);
            if (children[i] == cover_) cover = int(i);
        }
        XFree(children);
        return strip > cover && cover >= 0;
    }
    void raiseCover() {
        XRaiseWindow(x_.display(), cover_);
        x_.sync();
    }
    int maps = 0, unmaps = 0;

private:
    X11Session& x_;
    X11Session::Window strip_ = 0;
    X11Session::Window cover_ = 0;
    QList<X11Session::ListenerId> listeners_;
};

int currentDesktop() {
    QString out;
    run(QStringLiteral("xdotool"), {QStringLiteral("get_desktop")}, &out);
    bool ok = false;
    const int n = out.trimmed().toInt(&ok);
    return ok ? n : -1;
}

bool switchDesktop(int n) {
    run(QStringLiteral("xdotool"), {QStringLiteral("set_desktop"), QString::number(n)});
    return rbxtest::waitFor([n] { return currentDesktop() == n; }, 10000);
}

// Whether the window is mapped and every ancestor is (the window manager shows it).
bool viewable(X11Session::Window w) {
    XWindowAttributes a{};
    return w && XGetWindowAttributes(X11Session::shared().display(), w, &a) && a.map_state == IsViewable;
}

TEST(Activator, EachDesktopSwitchPutsTheStripUpAnewOnTopAndAFullScreenWindowThereHidesIt) {
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    ASSERT_EQ(writeSetting(QStringLiteral("hide Q in corner"), QStringLiteral("NO")), 0);
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    const X11Session::Window palette = x11test::windowOfPid(int(copy.process().processId()));
    ASSERT_TRUE(viewable(palette));

    // Another window has come over the corner. A switch to another desktop takes the
    // strip down and puts it up again in its corner, above that window; the open palette
    // is on every desktop and stays.
    OverTheCorner corner(x, X11Session::Window(stripWindow().toULong()));
    ASSERT_FALSE(corner.stripOnTop());
    ASSERT_TRUE(switchDesktop(1));
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.unmaps >= 1 && corner.maps >= 1; }, 10000))
        << corner.unmaps << " " << corner.maps << copy.output().toStdString();
    EXPECT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << stripGeometry().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.stripOnTop(); }, 5000));
    EXPECT_TRUE(Copy::visible(Copy::state()));
    EXPECT_TRUE(viewable(palette));

    // And so on every switch, back again too.
    corner.raiseCover();
    ASSERT_FALSE(corner.stripOnTop());
    const int mapsBefore = corner.maps;
    ASSERT_TRUE(switchDesktop(0));
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.maps > mapsBefore; }, 10000)) << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.stripOnTop(); }, 5000));

    // The probe, full screen, moves to desktop 2: a switch there brings it to the front
    // and the strip goes; back on a desktop without it, the strip returns.
    const X11Session::Window probeWindow = x11test::windowOfPid(int(probe.pid()));
    ASSERT_NE(probeWindow, 0u);
    run(QStringLiteral("xdotool"), {QStringLiteral("set_desktop_for_window"), QString::number(probeWindow), QStringLiteral("2")});
    ASSERT_TRUE(rbxtest::waitFor([&] { return !viewable(probeWindow); }, 10000));
    probe.call(QStringLiteral("FullScreen"), {true});
    ASSERT_TRUE(switchDesktop(2));
    ASSERT_TRUE(probe.waitForKeyboardFocus());
    EXPECT_TRUE(waitForStrip(QString())) << stripGeometry().toStdString() << copy.output().toStdString();
    ASSERT_TRUE(switchDesktop(0));
    EXPECT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << stripGeometry().toStdString() << copy.output().toStdString();

    // Without any change on the desktop the strip is raised again within its 15 s watch.
    ASSERT_TRUE(rbxtest::waitFor([&] { return corner.stripOnTop(); }, 5000));
    corner.raiseCover();
    ASSERT_FALSE(corner.stripOnTop());
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.stripOnTop(); }, 17000));
}

TEST(Activator, WakingFromSleepPutsTheActivatorUpAnew) {
    // The login manager's announcements come from this test, on the bus the palette takes
    // for the system bus.
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.login1")));
    auto announce = [&bus](const QVariant& argument) {
        QDBusMessage m = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                    QStringLiteral("org.freedesktop.login1.Manager"),
                                                    QStringLiteral("PrepareForSleep"));
        m << argument;
        return bus.send(m);
    };
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    ASSERT_EQ(writeSetting(QStringLiteral("hide Q in corner"), QStringLiteral("NO")), 0);
    x11test::pointTo(QPoint(1100, 80));
    QProcessEnvironment env;
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"));
    Copy copy({}, env);
    ASSERT_TRUE(Copy::waitForState(settled) && launched(copy)) << copy.output().toStdString();
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    OverTheCorner corner(x, X11Session::Window(stripWindow().toULong()));
    ASSERT_FALSE(corner.stripOnTop());

    // Going to sleep changes nothing, nor does an announcement that is not understood.
    ASSERT_TRUE(announce(true));
    ASSERT_TRUE(announce(QStringLiteral("no")));
    rbxtest::spinEventLoop(800);
    EXPECT_FALSE(copy.output().contains(QStringLiteral("woke from sleep"))) << copy.output().toStdString();
    EXPECT_FALSE(corner.stripOnTop());

    // Awake: the strip is drawn and placed anew, on top.
    ASSERT_TRUE(announce(false));
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("woke from sleep: the activator is drawn anew")); }, 10000))
        << copy.output().toStdString();
    EXPECT_TRUE(rbxtest::waitFor([&] { return corner.stripOnTop(); }, 5000));
    EXPECT_EQ(stripGeometry(), QStringLiteral("0,0 10x12"));
    bus.unregisterService(QStringLiteral("org.freedesktop.login1"));
}

// ---- font files dragged from the probe with the mouse (XDND, text/uri-list)

QString dragVerdict(ProbeClient& probe) { return probe.call(QStringLiteral("DragResult")).toString(); }

// The button pressed over the probe's window at `at`: the probe starts a drag of `files`.
bool startDrag(ProbeClient& probe, const QStringList& files, const QPoint& at) {
    probe.call(QStringLiteral("DragFiles"), {files});
    pointerTo(at.x(), at.y());
    run(QStringLiteral("xdotool"), {QStringLiteral("mousedown"), QStringLiteral("1")});
    if (!rbxtest::waitFor([&] { return dragVerdict(probe) == QStringLiteral("dragging"); }, 10000)) return false;
    // A few steps away from the press, as a hand would.
    for (int i = 1; i <= 3; ++i) pointerTo(at.x() + 10 * i, at.y() + 10 * i);
    return true;
}

// The drag moved to `at` and released there once `ready` holds, by default once the window
// there has said it takes the files; the probe's verdict: "copy" when the target took the
// files, "refused" when not.
QString dropAt(ProbeClient& probe, const QPoint& at, const std::function<bool()>& ready = {}) {
    pointerTo(at.x(), at.y());
    pointerTo(at.x() + 1, at.y() + 1);
    rbxtest::waitFor(ready ? ready : [&] { return dragVerdict(probe) == QStringLiteral("dragging to a taker"); }, 10000);
    run(QStringLiteral("xdotool"), {QStringLiteral("mouseup"), QStringLiteral("1")});
    QString verdict;
    rbxtest::waitFor([&] { return !(verdict = dragVerdict(probe)).startsWith(QStringLiteral("dragging")); }, 10000);
    return verdict;
}

// A point of the probe's window, which is moved to the lower left of the screen first,
// away from the palette in the middle; null when the palette still covers it.
QPoint probePointOutside(ProbeClient& probe, const QRect& palette) {
    const X11Session::Window window = x11test::windowOfPid(int(probe.pid()));
    run(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QString::number(window), QStringLiteral("40"),
                                    QStringLiteral("900")});
    QRect frame;
    rbxtest::waitFor([&] { return (frame = x11test::frameOf(window)).top() >= 900; }, 10000);
    const QPoint p = frame.center();
    return frame.contains(p) && !palette.contains(p) ? p : QPoint();
}

QStringList fontFamilies() { return Copy::debugCall(QStringLiteral("FontFamilies")).toStringList(); }

// A folder of the test's home with copies of the test fonts at the given places.
QString fontFolder(const QString& name, const QStringList& places) {
    const QString folder = rbxtest::privateHome() + QLatin1Char('/') + name;
    for (const QString& place : places) {
        const QString path = folder + QLatin1Char('/') + place;
        QDir().mkpath(QFileInfo(path).path());
        QFile::copy(rbxtest::testData(QStringLiteral("fonts/") + QFileInfo(place).fileName()), path);
    }
    return folder;
}

TEST(Activator, FontFilesDraggedOntoThePaletteBecomeTheSelectedCollection) {
    ASSERT_EQ(writeSetting(QStringLiteral("click outside closes"), QStringLiteral("NO")), 0);
    const QString folder = fontFolder(QStringLiteral("dropped"), {QStringLiteral("RbxAlpha-Regular.ttf"),
                                                                  QStringLiteral("more/RbxBeta-Regular.ttf")});
    const QString notAFont = rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"));
    const QString brokenFont = rbxtest::privateHome() + QStringLiteral("/broken.ttf");
    {
        QFile whole(rbxtest::testData(QStringLiteral("fonts/RbxAlpha-Regular.ttf"))), cut(brokenFont);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(300));
    }
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontRows")).toInt() > 1; }))
        << copy.output().toStdString();
    const int rowsBefore = Copy::state().value(QStringLiteral("fontRows")).toInt();
    ASSERT_FALSE(fontFamilies().contains(QStringLiteral("Rbx Alpha")));
    const QRect palette = x11test::frameOf(x11test::windowOfPid(int(copy.process().processId())));
    const QPoint from = probePointOutside(probe, palette);
    ASSERT_FALSE(from.isNull()) << "the palette covers the probe";

    // A file that is no font is refused: nothing changes, and the log says why.
    ASSERT_TRUE(startDrag(probe, {notAFont}, from));
    const auto refusedSaid = [&] { return copy.output().contains(QStringLiteral("drop refused: no font files")); };
    EXPECT_EQ(dropAt(probe, palette.center(), refusedSaid), QStringLiteral("refused"));
    EXPECT_TRUE(refusedSaid()) << copy.output().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("fontRows")).toInt(), rowsBefore);
    // A font file cut short looks like a font and is taken, but nothing comes of it
    // except a line in the log.
    ASSERT_TRUE(startDrag(probe, {brokenFont}, from));
    EXPECT_EQ(dropAt(probe, palette.center()), QStringLiteral("copy"));
    EXPECT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("no font could be activated")); }, 5000))
        << copy.output().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("fontRows")).toInt(), rowsBefore);

    // A folder with two fonts (one a folder deeper) is taken, even over the search field:
    // both families join the font list, their set is the chosen collection, and its first
    // family is the palette's font. The field is left as it was.
    const QVariantList field = qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("ControlRect"), {QStringLiteral("searchField")}));
    ASSERT_EQ(field.size(), 4);
    const QRect fieldRect(field[0].toInt(), field[1].toInt(), field[2].toInt(), field[3].toInt());
    const QString search = Copy::state().value(QStringLiteral("search")).toString();
    ASSERT_TRUE(startDrag(probe, {folder}, from));
    EXPECT_EQ(dropAt(probe, fieldRect.center()), QStringLiteral("copy")) << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("collection")) == QStringLiteral("Rbx Alpha (+1)") &&
               s.value(QStringLiteral("fontRows")).toInt() == 2 && s.value(QStringLiteral("fontRow")) == QStringLiteral("Rbx Alpha") &&
               s.value(QStringLiteral("fontFamily")) == QStringLiteral("Rbx Alpha");
    })) << Copy::state().value(QStringLiteral("collection")).toString().toStdString() << "\n" << copy.output().toStdString();
    const QStringList families = fontFamilies();
    EXPECT_TRUE(families.contains(QStringLiteral("Rbx Alpha")) && families.contains(QStringLiteral("Rbx Beta")));
    EXPECT_TRUE(Copy::visible(Copy::state()));
    EXPECT_EQ(Copy::state().value(QStringLiteral("search")).toString(), search);
}

TEST(Activator, FontFilesDraggedOntoTheCornerStripOpenThePaletteWithTheirSetSelected) {
    ASSERT_EQ(writeSetting(QStringLiteral("activator"), QStringLiteral("0")), 0);
    const QString folder = fontFolder(QStringLiteral("dropped"), {QStringLiteral("RbxBeta-Regular.ttf")});
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    const QRect palette = x11test::frameOf(x11test::windowOfPid(int(copy.process().processId())));
    const QPoint from = probePointOutside(probe, palette);
    ASSERT_FALSE(from.isNull()) << "the palette covers the probe";

    // The press on the probe closes the palette; the strip comes when the drag reaches
    // the corner, takes the file, and the palette opens with the font's set selected and
    // the keyboard, to give back to the probe.
    ASSERT_TRUE(startDrag(probe, {folder + QStringLiteral("/RbxBeta-Regular.ttf")}, from));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    pointerTo(3, 3);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    EXPECT_EQ(dropAt(probe, QPoint(4, 4)), QStringLiteral("copy")) << copy.output().toStdString();
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return settled(s) && s.value(QStringLiteral("collection")) == QStringLiteral("Rbx Beta") &&
               s.value(QStringLiteral("fontRows")).toInt() == 1 && s.value(QStringLiteral("fontFamily")) == QStringLiteral("Rbx Beta");
    })) << Copy::state().value(QStringLiteral("collection")).toString().toStdString() << "\n" << copy.output().toStdString();
    EXPECT_TRUE(Copy::holdsKeyboardFor(int(probe.pid())));
}

// A tray host of the system-tray protocol (XEmbed): owns the tray selection, announces
// itself, and takes the icons that ask to be docked into a window of its own at (600, 0).
class TrayHost {
public:
    explicit TrayHost(X11Session& x) : x_(x) {
        Display* dpy = x.display();
        window_ = XCreateSimpleWindow(dpy, x.rootWindow(), 600, 0, 24, 24, 0, 0, 0xffffff);
        XSetWindowAttributes a{};
        a.override_redirect = True;
        XChangeWindowAttributes(dpy, window_, CWOverrideRedirect, &a);
        XMapRaised(dpy, window_);
        const X11Session::Atom selection = x.atom("_NET_SYSTEM_TRAY_S0");
        opcode_ = x.atom("_NET_SYSTEM_TRAY_OPCODE");
        listener_ = x.addEventListener(ClientMessage, window_, [this](const XEvent& e) {
            if (e.xclient.message_type != opcode_ || e.xclient.data.l[1] != 0) return;
            docked = X11Session::Window(e.xclient.data.l[2]);
            XReparentWindow(x_.display(), docked, window_, 0, 0);
            XResizeWindow(x_.display(), docked, 24, 24);
            XMapRaised(x_.display(), docked);
            x_.flush();
        });
        XSetSelectionOwner(dpy, selection, window_, CurrentTime);
        const long data[5] = {long(x.serverTime()), long(selection), long(window_), 0, 0};
        x.sendClientMessage(x.rootWindow(), x.rootWindow(), x.atom("MANAGER"), data, StructureNotifyMask);
        x.sync();
    }
    ~TrayHost() {
        x_.removeEventListener(listener_);
        XDestroyWindow(x_.display(), window_);
        x_.sync();
    }
    X11Session::Window docked = 0;

private:
    X11Session& x_;
    X11Session::Window window_ = 0;
    X11Session::Atom opcode_ = 0;
    X11Session::ListenerId listener_ = 0;
};

TEST(Activator, WithoutATrayTheStripStandsInAndATrayThatAppearsLaterTakesTheIcon) {
    // The bundle's activator is the tray icon; this desktop has no tray yet.
    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(rbxtest::waitFor([&] { return copy.output().contains(QStringLiteral("no tray: the corner activator stands in")); }))
        << copy.output().toStdString();
    pointerTo(2, 2);
    ASSERT_TRUE(waitForStrip(QStringLiteral("0,0 10x12"))) << copy.output().toStdString();
    pointerTo(1100, 80);
    ASSERT_TRUE(waitForStrip(QString()));

    // A tray host appears: within the second the icon docks there and the strip retires.
    X11Session& x = X11Session::shared();
    ASSERT_TRUE(x.isAvailable());
    TrayHost tray(x);
    ASSERT_TRUE(rbxtest::waitFor([&] { return tray.docked != 0; }, 10000)) << copy.output().toStdString();
    EXPECT_EQ(ewmh::windowPid(x, tray.docked), int(copy.process().processId()));
    EXPECT_TRUE(copy.output().contains(QStringLiteral("a tray appeared")));
    rbxtest::spinEventLoop(2500);  // two turns of the watch: the icon stays, nothing is recreated
    EXPECT_FALSE(copy.output().contains(QStringLiteral("recreated status item"))) << copy.output().toStdString();
    pointerTo(2, 2);
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QString());

    // A click on the icon closes the palette, another opens it; the probe keeps the keyboard.
    pointerTo(612, 12);
    EXPECT_TRUE(clicksToggleThePalette(copy, probe));
}

// A tray host of the StatusNotifierItem kind: the watcher that items register with, and
// that says a host is there.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }
    QStringList registered;

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        registered << service;
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
};

// The number of pixels that are not fully transparent in the item's largest icon image;
// -1 when the item has none. The item's process asks this test's watcher on the bus
// whether a host exists, so every call below lets the watcher answer while it waits.
int opaquePixelsOfIcon(const QString& service) {
    QDBusMessage get = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("IconPixmap");
    const QDBusMessage reply = x11test::busCall(get, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return -1;
    const QDBusArgument images = qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant());
    int best = -1, largest = 0;
    images.beginArray();
    while (!images.atEnd()) {
        int w = 0, h = 0;
        QByteArray argb;
        images.beginStructure();
        images >> w >> h >> argb;
        images.endStructure();
        if (w * h <= largest || argb.size() != w * h * 4) continue;
        largest = w * h;
        best = 0;
        for (int i = 0; i < argb.size(); i += 4) best += argb[i] != 0;  // alpha first, big-endian
    }
    images.endArray();
    return best;
}

TEST(Activator, AStatusNotifierTrayTakesTheIconWhichIsDrawnAndTogglesThePalette) {
    StatusNotifierWatcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                   QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                       QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));

    PaletteOverProbe desk;
    ASSERT_TRUE(desk.launch());
    ProbeClient& probe = desk.probe;
    Copy& copy = *desk.copy;
    ASSERT_TRUE(rbxtest::waitFor([&] { return !watcher.registered.isEmpty(); }, 10000)) << copy.output().toStdString();
    const QString item = watcher.registered.first();
    EXPECT_GT(opaquePixelsOfIcon(item), 20);

    // The host never says where it shows the icon: the icon stays, no strip stands in.
    rbxtest::spinEventLoop(2500);
    EXPECT_FALSE(copy.output().contains(QStringLiteral("recreated status item"))) << copy.output().toStdString();
    EXPECT_FALSE(copy.output().contains(QStringLiteral("stands in"))) << copy.output().toStdString();
    pointerTo(2, 2);
    rbxtest::spinEventLoop(500);
    EXPECT_EQ(stripGeometry(), QString());
    EXPECT_EQ(watcher.registered.size(), 1);
    pointerTo(1100, 80);

    // The host activates the item as a click on it would: the palette closes, then opens;
    // the probe keeps the keyboard.
    auto activate = [&]() -> ::testing::AssertionResult {
        QDBusMessage m = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"),
                                                        QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
        m << 600 << 10;
        const QDBusMessage reply = x11test::busCall(m, 20000);
        if (reply.type() == QDBusMessage::ReplyMessage) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << reply.errorName().toStdString() << ": " << reply.errorMessage().toStdString()
                                             << "\n" << copy.output().toStdString();
    };
    ASSERT_TRUE(activate());
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); })) << copy.output().toStdString();
    ASSERT_TRUE(activate());
    EXPECT_TRUE(Copy::waitForState(settled)) << copy.output().toStdString();
    EXPECT_TRUE(Copy::holdsKeyboardFor(int(probe.pid())));
}

} // namespace

// Xlib's Bool would replace the meta-object compiler's QMetaType::Bool.
#undef Bool
#include "ActivatorTest.moc"
