// The X11 session on a real server: atoms, properties, event dispatch, error traps,
// EWMH answers about our own windows, idle time.
#include "common/TestEnvironment.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/XErrorTrap.h"

#include <QWidget>
#include <gtest/gtest.h>
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

} // namespace
