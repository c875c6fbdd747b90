// Without a reachable X server every X11 service answers neutrally.
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"
#include "platform/x11/XErrorTrap.h"

#include <gtest/gtest.h>

namespace {

class NoDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        X11Session::setShared(nullptr);
    }
    void TearDown() override {
        X11Session::setShared(nullptr);
        if (!m_saved.isEmpty()) qputenv("DISPLAY", m_saved);
    }
    QByteArray m_saved;
};

TEST_F(NoDisplay, SessionAnswersNeutrally) {
    X11Session& s = X11Session::shared();
    EXPECT_FALSE(s.isAvailable());
    EXPECT_EQ(s.display(), nullptr);
    EXPECT_EQ(s.xcbConnection(), nullptr);
    EXPECT_EQ(s.rootWindow(), 0u);
    EXPECT_EQ(s.atom("WM_CLASS"), 0u);
    EXPECT_TRUE(s.atomName(1).isEmpty());
    EXPECT_EQ(s.idleSeconds(), -1.0);
    EXPECT_EQ(s.serverTime(), 0u);
    EXPECT_FALSE(s.property(1, 1).has_value());
    EXPECT_TRUE(s.textProperty(1, 1).isEmpty());
    EXPECT_FALSE(s.queryExtension("XTEST"));
    const long data[5] = {};
    EXPECT_FALSE(s.sendClientMessage(1, 1, 1, data, 0));
    // Listeners can be registered and removed; nothing is ever delivered.
    int calls = 0;
    const auto id = s.addEventListener(28, 0, [&](const auto&) { ++calls; });
    s.processPendingEvents();
    s.removeEventListener(id);
    EXPECT_EQ(calls, 0);
}

TEST_F(NoDisplay, UnreachableDisplayIsUnavailable) {
    X11Session s(":4093");
    EXPECT_FALSE(s.isAvailable());
    EXPECT_EQ(s.idleSeconds(), -1.0);
}

TEST_F(NoDisplay, EwmhAnswersNeutrally) {
    X11Session& s = X11Session::shared();
    EXPECT_FALSE(ewmh::isSupported(s));
    EXPECT_EQ(ewmh::activeWindow(s), 0u);
    EXPECT_TRUE(ewmh::clientList(s).isEmpty());
    EXPECT_TRUE(ewmh::clientListStacking(s).isEmpty());
    EXPECT_EQ(ewmh::windowPid(s, 42), 0);
    EXPECT_TRUE(ewmh::windowsOfPid(s, 42).isEmpty());
    EXPECT_FALSE(ewmh::isFullscreen(s, 42));
    EXPECT_FALSE(ewmh::activeWindowIsFullscreen(s));
    EXPECT_TRUE(ewmh::windowClass(s, 42).instance.isEmpty());
    EXPECT_TRUE(ewmh::windowTitle(s, 42).isEmpty());
    EXPECT_FALSE(ewmh::activateWindow(s, 42));
    EXPECT_FALSE(ewmh::iconifyWindow(s, 42));
}

TEST_F(NoDisplay, ErrorTrapWithoutDisplayCapturesNothing) {
    XErrorTrap trap;
    EXPECT_FALSE(trap.sync().failed());
    EXPECT_FALSE(trap.hasError(10));
}

} // namespace
