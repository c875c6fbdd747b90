// The user's activity through KXUtilities on a real X server: full-screen state of the
// active window, and idle time asked from the main thread and from a worker.
#include "common/TestEnvironment.h"
#include "kxlib/KXUtilities.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/X11Session.h"

#include <QWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(KXUtilitiesX11, FullScreenFollowsTheActiveWindowAndWorkersSeeTheLastAnswer) {
    X11Session& s = X11Session::shared();
    ASSERT_TRUE(ewmh::isSupported(s));
    QWidget w;
    w.setWindowTitle(QStringLiteral("full screen probe"));
    w.resize(200, 100);
    w.show();
    const auto id = X11Session::Window(w.winId());
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::clientList(s).contains(id); }, 15000));
    ASSERT_TRUE(ewmh::activateWindow(s, id));
    ASSERT_TRUE(rbxtest::waitFor([&] { return ewmh::activeWindow(s) == id; }, 15000));
    EXPECT_FALSE(KXUtilities::fullScreenMode());

    w.showFullScreen();
    ASSERT_TRUE(rbxtest::waitFor([] { return KXUtilities::fullScreenMode(); }, 15000));
    bool seenByWorker = false;
    std::thread([&] { seenByWorker = KXUtilities::fullScreenMode(); }).join();
    EXPECT_TRUE(seenByWorker);

    // Qt takes its window's state from the window manager's notices, and one read
    // before the change took effect says "normal": until Qt has seen the full-screen
    // state, showNormal() would change nothing.
    ASSERT_TRUE(rbxtest::waitFor([&] { return w.isFullScreen(); }, 15000));
    w.showNormal();
    EXPECT_TRUE(rbxtest::waitFor([] { return !KXUtilities::fullScreenMode(); }, 15000));
}

TEST(KXUtilitiesX11, IdleTimeFromTheMainThreadAndFromAWorker) {
    const double idle = KXUtilities::idleTime();
    EXPECT_GE(idle, 0.0);
    EXPECT_LT(idle, 24 * 3600.0);
    std::atomic<double> fromWorker{-2.0};
    std::thread worker([&] { fromWorker = KXUtilities::idleTime(); });
    EXPECT_TRUE(rbxtest::waitFor([&] { return fromWorker.load() != -2.0; }, 15000));
    worker.join();
    EXPECT_GE(fromWorker.load(), 0.0);
}
