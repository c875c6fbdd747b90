#include "kxlib/gui/ViewExtensions.h"

#include "common/TestEnvironment.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
void moveMouse(QWidget* w, const QPoint& local) {
    QMouseEvent e(QEvent::MouseMove, QPointF(local), QPointF(w->mapToGlobal(local)), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
} // namespace

TEST(TrackingRect, ReportsEnteringAndLeavingItsRectangle) {
    QWidget view;
    view.setGeometry(300, 300, 200, 200);
    view.show();
    QCursor::setPos(QPoint(0, 0));
    KXTrackingRect rect(&view, QRect(10, 10, 50, 50), QStringLiteral("cells"));
    QStringList events;
    QObject::connect(&rect, &KXTrackingRect::entered, [&](const QVariant& d) { events << "in " + d.toString(); });
    QObject::connect(&rect, &KXTrackingRect::exited, [&](const QVariant& d) { events << "out " + d.toString(); });
    EXPECT_TRUE(view.hasMouseTracking());

    moveMouse(&view, QPoint(100, 100));
    moveMouse(&view, QPoint(20, 20));
    moveMouse(&view, QPoint(30, 30));
    moveMouse(&view, QPoint(70, 30));
    moveMouse(&view, QPoint(40, 40));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&view, &leave);
    EXPECT_EQ(events, QStringList({"in cells", "out cells", "in cells", "out cells"}));
    EXPECT_FALSE(rect.mouseInside());

    // Installed while the mouse is already inside: "entered" arrives on the next turn.
    QCursor::setPos(view.mapToGlobal(QPoint(15, 15)));
    KXTrackingRect second(&view, QRect(10, 10, 50, 50), 7);
    int entered = 0;
    QObject::connect(&second, &KXTrackingRect::entered, [&](const QVariant& d) { entered += d.toInt(); });
    EXPECT_EQ(entered, 0);
    EXPECT_TRUE(rbxtest::waitFor([&] { return entered == 7; }, 1000));
    EXPECT_NE(second.tag(), rect.tag());
}
