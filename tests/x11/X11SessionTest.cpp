// The X11 session on a real server: atoms, properties, event dispatch, error traps,
// EWMH answers about our own windows and hints on them, the desktop and menu watches,
// idle time.
#include "common/TestEnvironment.h"
#include "platform/x11/DesktopWatch.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11RawEvents.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/XErrorTrap.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

X11Session& session() {
    X11Session& s = X11Session::shared();
    EXPECT_TRUE(s.isAvailable());
    return s;
}

// A bare window of our own on the session's connection.
struct OwnWindow {
    X11Session& s;
    Window w;
    explicit OwnWindow(X11Session& session) : s(session) {
        w = XCreateSimpleWindow(s.display(), s.rootWindow(), 0, 0, 10, 10, 0, 0, 0);
        s.flush();
    }
    ~OwnWindow() { XDestroyWindow(s.display(), w); s.flush(); }
};

TEST(X11Session, AtomsRoundTrip) {
    X11Session& s = session();
    EXPECT_EQ(s.atom("WM_CLASS"), X11Session::Atom(XA_WM_CLASS));
    const auto a = s.atom("_RUNEBOX_TEST_ATOM");
    ASSERT_NE(a, 0u);
    EXPECT_EQ(s.atom(QStringLiteral("_RUNEBOX_TEST_ATOM")), a);
    EXPECT_EQ(s.atomName(a), QStringLiteral("_RUNEBOX_TEST_ATOM"));
    EXPECT_EQ(s.atom("_RUNEBOX_NEVER_INTERNED_XYZ", true), 0u);
    EXPECT_TRUE(s.atomName(0x7ffffff0).isEmpty());  // BadAtom is trapped, not fatal

    // Several at once: new ones and known ones, the same atoms the server gives one by one.
    s.internAtoms({"_RUNEBOX_TEST_ATOM", "_RUNEBOX_BATCH_ONE", "_RUNEBOX_BATCH_TWO", ""});
    EXPECT_EQ(s.atom("_RUNEBOX_TEST_ATOM"), a);
    EXPECT_EQ(s.atomName(s.atom("_RUNEBOX_BATCH_ONE", true)), QStringLiteral("_RUNEBOX_BATCH_ONE"));
    EXPECT_EQ(s.atomName(s.atom("_RUNEBOX_BATCH_TWO", true)), QStringLiteral("_RUNEBOX_BATCH_TWO"));
    EXPECT_NE(s.atom("_RUNEBOX_BATCH_ONE"), s.atom("_RUNEBOX_BATCH_TWO"));
}

TEST(X11Session, PropertiesReadBackWithTypeCheck) {
    X11Session& s = session();
    OwnWindow win(s);
    const auto prop = s.atom("_RUNEBOX_TEST_PROP");
    const long values[3] = {7, 8, 9};
    XChangeProperty(s.display(), win.w, prop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values), 3);
    EXPECT_EQ(s.longsProperty(win.w, prop, XA_CARDINAL), (QList<unsigned long>{7, 8, 9}));
    EXPECT_TRUE(s.longsProperty(win.w, prop, XA_WINDOW).isEmpty());  // wrong type
    const QByteArray title = QStringLiteral("Grüße").toUtf8();
    XChangeProperty(s.display(), win.w, s.atom("_NET_WM_NAME"), s.atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.constData()), int(title.size()));
    EXPECT_EQ(ewmh::windowTitle(s, win.w), QStringLiteral("Grüße"));
    // A window that does not exist: nothing, and no fatal error.
    EXPECT_FALSE(s.property(0x3ffffff, prop).has_value());
}

TEST(X11Session, ListenersGetTheirEventsThroughTheEventLoop) {
    X11Session& s = session();
    OwnWindow a(s), b(s);
    s.addInputMask(a.w, PropertyChangeMask);
    s.addInputMask(b.w, PropertyChangeMask);
    const auto prop = s.atom("_RUNEBOX_TEST_PROP");
    QList<unsigned long> seenA, seenAny;
    const auto idA = s.addEventListener(PropertyNotify, a.w, [&](const XEvent& e) {
        seenA << e.xproperty.window;
    });
    const auto idAny = s.addEventListener(PropertyNotify, 0, [&](const XEvent& e) {
        seenAny << e.xproperty.window;
    });
    const long v = 1;
    XChangeProperty(s.display(), a.w, prop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&v), 1);
    XChangeProperty(s.display(), b.w, prop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&v), 1);
    s.flush();
    ASSERT_TRUE(rbxtest::waitFor([&] { return seenAny.size() >= 2; }, 15000));
    EXPECT_EQ(seenA, QList<unsigned long>{a.w});
    EXPECT_EQ(seenAny, (QList<unsigned long>{a.w, b.w}));
    s.removeEventListener(idA);
    s.removeEventListener(idAny);

    // A listener that removes itself and another one while being called.
    int first = 0, second = 0;
    X11Session::ListenerId id2 = 0;
    X11Session::ListenerId id1 = s.addEventListener(PropertyNotify, a.w, [&](const XEvent&) {
        ++first;
        s.removeEventListener(id1);
        s.removeEventListener(id2);
    });
    id2 = s.addEventListener(PropertyNotify, a.w, [&](const XEvent&) { ++second; });
    XChangeProperty(s.display(), a.w, prop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&v), 1);
    XChangeProperty(s.display(), a.w, prop, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&v), 1);
    s.sync();
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
}

TEST(X11Session, AnEventThatArrivedWhileTheLoopWasGoingToSleepIsServedAtOnce) {
    X11Session& s = session();
    OwnWindow win(s);
    s.addInputMask(win.w, PropertyChangeMask);
    const auto prop = s.atom("_RUNEBOX_TEST_PROP");
    s.sync();
    rbxtest::spinEventLoop(50);
    QElapsedTimer clock;
    qint64 seenAt = -1;
    QEventLoop loop;
    // Nothing but the notice or the time-out wakes the loop.
    const auto id = s.addEventListener(PropertyNotify, win.w, [&](const XEvent&) {
        if (seenAt < 0) seenAt = clock.elapsed();
        loop.quit();
    });
    // Another client changes the property: the notice is on the socket, unread, when
    // the loop next looks at the connection before sleeping.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const long v = 2;
    XChangeProperty(other, win.w, prop, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&v), 1);
    XSync(other, False);
    XCloseDisplay(other);
    // The notice is on our socket, unread.
    pollfd socket{ConnectionNumber(s.display()), POLLIN, 0};
    ASSERT_EQ(poll(&socket, 1, 5000), 1);
    clock.start();
    QTimer::singleShot(3000, &loop, &QEventLoop::quit);
    loop.exec();
    s.removeEventListener(id);
    ASSERT_GE(seenAt, 0);
    EXPECT_LT(seenAt, 1000);  // not only when something else woke the loop
}

TEST(X11RawEvents, WatchersOnOneConnectionEachGetTheirOwnKindsOnly) {
    using kx::x11::X11RawEvents;
    X11Session& s = session();
    QList<int> keys, buttons;
    X11RawEvents keyWatch(1 << X11RawEvents::KeyDown, [&](const X11RawEvents::Event& e) { keys << e.detail; }, &s);
    X11RawEvents buttonWatch(1 << X11RawEvents::ButtonDown, [&](const X11RawEvents::Event& e) { buttons << e.detail; },
                             &s);
    ASSERT_TRUE(keyWatch.isListening());
    ASSERT_TRUE(buttonWatch.isListening());
    // A key nobody acts on, and a button away from any window of ours.
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("shift")}), 0);
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("mousemove"), QStringLiteral("1200"), QStringLiteral("900"),
                                 QStringLiteral("click"), QStringLiteral("2")}),
              0);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !keys.isEmpty() && !buttons.isEmpty(); }, 10000));
    rbxtest::spinEventLoop(200);
    EXPECT_EQ(keys, QList<int>{XKeysymToKeycode(s.display(), XK_Shift_L)});
    EXPECT_EQ(buttons, QList<int>{2});
}

TEST(X11Session, ErrorTrapCapturesBadAccessAndNests) {
    X11Session& s = session();
    // Another client holds a grab; ours then fails with BadAccess.
    X11Session other;
    ASSERT_TRUE(other.isAvailable());
    const int keycode = XKeysymToKeycode(s.display(), XK_F5);
    XGrabKey(other.display(), keycode, Mod4Mask | ShiftMask, other.rootWindow(), False, GrabModeAsync,
             GrabModeAsync);
    other.sync();
    {
        XErrorTrap outer(s);
        {
            XErrorTrap inner(s);
            XGrabKey(s.display(), keycode, Mod4Mask | ShiftMask, s.rootWindow(), False, GrabModeAsync,
                     GrabModeAsync);
            EXPECT_TRUE(inner.sync().hasError(BadAccess));
            EXPECT_FALSE(inner.hasError(BadWindow));
        }
        EXPECT_FALSE(outer.sync().failed());
        XMapWindow(s.display(), 0x3fffff1);
        EXPECT_TRUE(outer.sync().hasError(BadWindow));
        EXPECT_EQ(outer.errors().size(), 1);
        EXPECT_EQ(outer.errors().first().resource, 0x3fffff1u);
    }
    // Outside any trap an error is logged, and the process goes on.
    XMapWindow(s.display(), 0x3fffff2);
    s.sync();
    XUngrabKey(other.display(), keycode, Mod4Mask | ShiftMask, other.rootWindow());
    other.sync();
    // Now the grab is free.
    XErrorTrap trap(s);
    XGrabKey(s.display(), keycode, Mod4Mask | ShiftMask, s.rootWindow(), False, GrabModeAsync, GrabModeAsync);
    EXPECT_FALSE(trap.sync().failed());
    XUngrabKey(s.display(), keycode, Mod4Mask | ShiftMask, s.rootWindow());
}

TEST(X11Session, IdleTimeAndServerTime) {
    X11Session& s = session();
    const double idle = s.idleSeconds();
    EXPECT_GE(idle, 0.0);
    EXPECT_LT(idle, 24 * 3600.0);
    const auto t1 = s.serverTime();
    EXPECT_GT(t1, 0u);
    EXPECT_GE(s.serverTime(), t1);
}

TEST(Ewmh, OwnWindowIsActiveWithOurPidAndFullScreenState) {
    X11Session& s = session();
    ASSERT_TRUE(ewmh::isSupported(s));
    QWidget w;
    w.setWindowTitle(QStringLiteral("ewmh probe"));
    w.resize(200, 100);
    w.show();
    const auto id = X11Session::Window(w.winId());
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::clientList(s).contains(id); }, 15000));
    ASSERT_TRUE(ewmh::activateWindow(s, id));
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == id; }, 15000));
    EXPECT_EQ(ewmh::windowPid(s, id), int(getpid()));
    EXPECT_TRUE(ewmh::windowsOfPid(s, int(getpid())).contains(id));
    EXPECT_FALSE(ewmh::activeWindowIsFullscreen(s));
    EXPECT_FALSE(ewmh::windowClass(s, id).className.isEmpty());
    EXPECT_EQ(ewmh::windowTitle(s, id), QStringLiteral("ewmh probe"));

    w.showFullScreen();
    EXPECT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindowIsFullscreen(s); }, 15000));
    // Qt takes its window's state from the window manager's notices, and one read
    // before the change took effect says "normal": until Qt has seen the full-screen
    // state, showNormal() would change nothing.
    ASSERT_TRUE(rbxtest::waitFor([&] { return w.isFullScreen(); }, 15000));
    w.showNormal();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !ewmh::isFullscreen(s, id); }, 15000));
    w.hide();
    EXPECT_TRUE(rbxtest::waitFor([&] { return !ewmh::clientList(s).contains(id); }, 15000));
}

TEST(Ewmh, HintsOfAWindowQtMadeAreWrittenOnQtsConnection) {
    X11Session& s = session();
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_TRUE(x11 && x11->connection());
    QWidget w;
    w.resize(120, 80);
    const ewmh::OwnWindow own{x11->connection(), ewmh::Window(w.winId())};
    const auto sticky = s.atom("_NET_WM_STATE_STICKY");
    const auto desktopOf = [&] {
        // Xlib widens 32-bit items to longs with their sign.
        return s.longProperty(own.window, s.atom("_NET_WM_DESKTOP"), XA_CARDINAL).value_or(0) & 0xFFFFFFFFul;
    };
    const auto states = [&] { return s.longsProperty(own.window, s.atom("_NET_WM_STATE"), XA_ATOM); };
    const auto hints = [&] { return s.longsProperty(own.window, XA_WM_HINTS, XA_WM_HINTS); };
    const auto protocols = [&] { return s.longsProperty(own.window, s.atom("WM_PROTOCOLS"), XA_ATOM); };

    // Read on the session's own connection: the requests went out on Qt's, so wait until
    // the last of them shows.
    const auto takeFocusOffered = [&] { return protocols().contains(s.atom("WM_TAKE_FOCUS")); };
    ewmh::prepareForMapping(s, own, true);
    ewmh::setTakesFocus(s, own, true);
    ASSERT_TRUE(rbxtest::waitFor(takeFocusOffered, 5000));
    ewmh::setTakesFocus(s, own, false);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !takeFocusOffered(); }, 5000));
    EXPECT_EQ(desktopOf(), 0xFFFFFFFFul);
    EXPECT_TRUE(states().contains(sticky));
    ASSERT_GE(hints().size(), 2);
    EXPECT_TRUE(hints()[0] & 1);  // the input flag is given...
    EXPECT_EQ(hints()[1], 0ul);    // ...and says no

    ewmh::prepareForMapping(s, own, false);
    ewmh::setTakesFocus(s, own, true);
    ASSERT_TRUE(rbxtest::waitFor(takeFocusOffered, 5000));
    EXPECT_FALSE(states().contains(sticky));
    EXPECT_EQ(desktopOf(), 0ul);  // no desktop asked for
    EXPECT_EQ(hints().value(1), 1ul);
    // The protocols Qt listed stay listed.
    EXPECT_TRUE(protocols().contains(s.atom("WM_DELETE_WINDOW")));
}

TEST(Ewmh, InputFocusMovesAtOnceToTheWindowAsked) {
    X11Session& s = session();
    OwnWindow a(s);
    XMapWindow(s.display(), a.w);
    s.sync();
    // A window is focusable once mapped; the window manager may take its time.
    ASSERT_TRUE(rbxtest::waitFor([&] {
        XWindowAttributes attrs{};
        return XGetWindowAttributes(s.display(), a.w, &attrs) && attrs.map_state == IsViewable;
    }, 15000));
    s.setInputFocus(a.w);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(s.display(), &focus, &revert);
    EXPECT_EQ(focus, a.w);
    EXPECT_EQ(revert, RevertToPointerRoot);
}

TEST(DesktopWatch, AnnouncesTheActiveWindowAndTheClientListChanging) {
    X11Session& s = session();
    DesktopWatch watch(s);
    int active = 0, clients = 0;
    QObject::connect(&watch, &DesktopWatch::activeWindowChanged, [&] { ++active; });
    QObject::connect(&watch, &DesktopWatch::clientListChanged, [&] { ++clients; });
    QWidget a, b;
    a.setWindowTitle(QStringLiteral("desktop watch a"));
    b.setWindowTitle(QStringLiteral("desktop watch b"));
    for (QWidget* w : {&a, &b}) {
        w->resize(200, 100);
        w->show();
    }
    EXPECT_TRUE(rbxtest::waitFor([&] { return clients > 0; }, 15000));
    const auto idA = X11Session::Window(a.winId()), idB = X11Session::Window(b.winId());
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const QList<X11Session::Window> list = ewmh::clientList(s);
        return list.contains(idA) && list.contains(idB);
    }, 15000));
    ewmh::activateWindow(s, idA);
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == idA; }, 15000));
    rbxtest::spinEventLoop(100);
    active = 0;
    ewmh::activateWindow(s, idB);
    // The window manager may pass through "none" on the way.
    EXPECT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == idB; }, 15000));
    EXPECT_TRUE(rbxtest::waitFor([&] { return active > 0; }, 5000));
}

TEST(MenuWindowWatch, OnlyOverrideRedirectMenusOfOtherClientsCountUntilTheyGo) {
    X11Session& s = session();
    MenuWindowWatch watch(s);
    QList<unsigned long> shown, gone;
    QObject::connect(&watch, &MenuWindowWatch::menuShown, [&](unsigned long w) { shown << w; });
    QObject::connect(&watch, &MenuWindowWatch::windowGone, [&](unsigned long w) { gone << w; });
    // Another client, as a menu of another program would be.
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const auto popup = [&](const char* type, bool overrideRedirect) {
        XSetWindowAttributes attrs{};
        attrs.override_redirect = overrideRedirect ? True : False;
        const Window w = XCreateWindow(other, DefaultRootWindow(other), 10, 10, 50, 50, 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect, &attrs);
        const Atom t = XInternAtom(other, type, False);
        XChangeProperty(other, w, XInternAtom(other, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&t), 1);
        XMapWindow(other, w);
        XSync(other, False);
        return w;
    };
    const Window tooltip = popup("_NET_WM_WINDOW_TYPE_TOOLTIP", true);
    const Window managed = popup("_NET_WM_WINDOW_TYPE_POPUP_MENU", false);
    const Window menu = popup("_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", true);
    ASSERT_TRUE(rbxtest::waitFor([&] { return !shown.isEmpty(); }, 15000));
    rbxtest::spinEventLoop(200);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first(), menu);
    EXPECT_TRUE(ewmh::isMenuWindow(s, menu));
    EXPECT_FALSE(ewmh::isMenuWindow(s, tooltip));

    XUnmapWindow(other, menu);
    XSync(other, False);
    EXPECT_TRUE(rbxtest::waitFor([&] { return gone.contains(menu); }, 15000));
    XDestroyWindow(other, tooltip);
    XDestroyWindow(other, managed);
    XDestroyWindow(other, menu);
    XCloseDisplay(other);
}

} // namespace
