#include "core/Log.h"
#include "kxlib/gui/KXTransparentWindow.h"
#include "kxlib/gui/KXWindowFrameView.h"
#include "kxlib/gui/WindowExtensions.h"

#include "common/TestEnvironment.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

void sendMouse(QWidget* w, QEvent::Type type, const QPoint& local, Qt::MouseButtons buttons) {
    const QPointF global = QPointF(w->mapToGlobal(local));
    QMouseEvent e(type, QPointF(local), global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A window whose frame view fills it; the mouse positions of a drag are given relative to
// the window's position at the press.
struct FramedWindow {
    KXTransparentWindow window;
    KXWindowFrameView* frame;
    FramedWindow() {
        window.setGeometry(100, 100, 300, 200);
        window.setMinimumSize(120, 80);
        frame = new KXWindowFrameView(&window);
        frame->setGeometry(0, 0, 300, 200);
        window.show();
    }
    void drag(const QPoint& from, const QPoint& by) {
        const QPoint origin = window.pos();
        sendMouse(frame, QEvent::MouseButtonPress, from, Qt::LeftButton);
        // Later events come in at the same global point even if the window moved.
        const QPoint moved = from + by + (origin - window.pos());
        sendMouse(frame, QEvent::MouseMove, moved, Qt::LeftButton);
        sendMouse(frame, QEvent::MouseButtonRelease, from + by + (origin - window.pos()), Qt::NoButton);
    }
};

} // namespace

TEST(WindowFrameView, DraggingInsideMovesAndDraggingABorderResizes) {
    FramedWindow w;
    EXPECT_EQ(w.frame->borderForPoint(QPoint(1, 100)), 1);
    EXPECT_EQ(w.frame->borderForPoint(QPoint(150, 100)), 0);
    EXPECT_EQ(w.frame->borderRect(2), QRect(291, 0, 9, 200));

    w.drag(QPoint(150, 100), QPoint(40, 30));
    EXPECT_EQ(w.window.pos(), QPoint(140, 130));
    EXPECT_EQ(w.window.size(), QSize(300, 200));

    // The right border: wider, left edge fixed.
    w.drag(QPoint(299, 100), QPoint(50, 0));
    EXPECT_EQ(w.window.geometry(), QRect(140, 130, 350, 200));
    // The left border beyond the minimum width: minimum width, right edge fixed.
    w.drag(QPoint(1, 100), QPoint(400, 0));
    EXPECT_EQ(w.window.geometry(), QRect(370, 130, 120, 200));
}

TEST(WindowFrameView, TransparentWindowSwallowsKeysAndWindowsMoveOntoTheScreen) {
    KXTransparentWindow window;
    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    kx::LogCapture log;
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&window, &key);
    EXPECT_TRUE(key.isAccepted());
    EXPECT_TRUE(log.contains(QStringLiteral("supressed transparent beep")));

    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect visible = screen->availableGeometry();
    window.setGeometry(visible.right() + 500, visible.top() + 10, 200, 100);
    window.show();
    kx::window::makeCompletelyVisible(&window);
    EXPECT_EQ(window.frameGeometry().right(), visible.right());
    EXPECT_EQ(window.size(), QSize(200, 100));

    window.resize(visible.width() + 300, 100);
    kx::window::moveToScreen(&window, nullptr);
    EXPECT_EQ(window.frameGeometry().width(), visible.width());

    kx::window::centerOnMainScreen(&window);
    EXPECT_EQ(window.frameGeometry().center(), screen->geometry().center());
}
