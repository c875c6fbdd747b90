// Menus without a menu bar: the picture canvas menu, menus pulled down below and popped up
// over a view, and the stepped separator line.
#include "core/Log.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "kxlib/gui/KXGraphicalMenu.h"
#include "kxlib/gui/KXSeparator.h"
#include "kxlib/gui/MenuExtensions.h"

#include "common/TestEnvironment.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

class Chooser : public QObject {
    Q_OBJECT
public:
    QVariantList chosen;
    Q_INVOKABLE void choose(const QVariant& v) { chosen << v; }
};

QImage solid(const QSize& size, const QColor& color) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

void mouse(QWidget* w, QEvent::Type type, const QPoint& p) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), button, type == QEvent::MouseMove ? Qt::NoButton : held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Two pictures with a gap between them: (0,0 20×10) and (30,0 20×10).
struct TwoPictures {
    Chooser chooser;
    KXGraphicalMenu menu{QStringLiteral("Skins")};
    TwoPictures() {
        menu.addImage(solid({20, 10}, Qt::red), QRect(0, 0, 20, 10), "choose", &chooser, QStringLiteral("first"));
        menu.addImage(solid({20, 10}, Qt::green), QRect(30, 0, 20, 10), "choose", &chooser, QStringLiteral("second"));
    }
    KXGraphicalMenuView& canvas() { return menu.canvas(); }
};

} // namespace

TEST(GraphicalMenu, OneCanvasItemThatGrowsWithItsPictures) {
    TwoPictures m;
    ASSERT_EQ(m.menu.actions().size(), 1);
    EXPECT_EQ(m.menu.actions().first()->text(), QStringLiteral("FIRST"));
    EXPECT_EQ(m.menu.title(), QStringLiteral("Skins"));
    EXPECT_EQ(m.canvas().sizeHint(), QSize(50, 10));
    EXPECT_GE(m.menu.sizeHint().width(), 50);
    EXPECT_EQ(m.canvas().itemAt(QPoint(5, 5)), 1);
    EXPECT_EQ(m.canvas().itemAt(QPoint(25, 5)), 0);
    EXPECT_EQ(m.canvas().itemAt(QPoint(49, 9)), 2);
    m.menu.addImage(solid({10, 30}, Qt::blue), QRect(50, 0, 10, 30), "choose", &m.chooser, 3);
    EXPECT_EQ(m.canvas().sizeHint(), QSize(60, 30));
}

TEST(GraphicalMenu, HoverHighlightsAPictureAndAReleaseOverItChoosesItOnceTheMenuClosed) {
    TwoPictures m;
    m.menu.popup(QPoint(100, 100));
    ASSERT_TRUE(rbxtest::waitFor([&] { return m.menu.isVisible(); }, 2000));
    mouse(&m.canvas(), QEvent::MouseMove, QPoint(40, 5));
    EXPECT_EQ(m.canvas().trackedItem(), 2);
    // The tracked picture sits on the highlight; the pictures are drawn over it, so look
    // through a half-transparent one.
    m.menu.addImage(solid({10, 10}, QColor(0, 0, 0, 0)), QRect(50, 0, 10, 10), "choose", &m.chooser, 3);
    mouse(&m.canvas(), QEvent::MouseMove, QPoint(55, 5));
    const QImage shot = m.canvas().grab().toImage();
    EXPECT_EQ(shot.pixelColor(55 * shot.width() / 60, 5 * shot.height() / 10).rgb(),
              KXDynamicColor::menuItemHighlightColor().effectiveColor().rgb());
    EXPECT_NE(shot.pixelColor(25 * shot.width() / 60, 5 * shot.height() / 10).rgb(),
              KXDynamicColor::menuItemHighlightColor().effectiveColor().rgb());
    m.canvas().update();

    // Leaving the canvas clears the tracking.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&m.canvas(), &leave);
    EXPECT_EQ(m.canvas().trackedItem(), 0);

    mouse(&m.canvas(), QEvent::MouseMove, QPoint(5, 5));
    mouse(&m.canvas(), QEvent::MouseButtonRelease, QPoint(5, 5));
    EXPECT_FALSE(m.menu.isVisible());
    EXPECT_TRUE(m.chooser.chosen.isEmpty()) << "the choice waits for the event loop";
    rbxtest::spinEventLoop(50);
    EXPECT_EQ(m.chooser.chosen, QVariantList{QStringLiteral("first")});
}

TEST(GraphicalMenu, AReleaseBesideEveryPictureOnlyClosesAndAMissingMethodIsLogged) {
    TwoPictures m;
    m.menu.popup(QPoint(100, 100));
    ASSERT_TRUE(rbxtest::waitFor([&] { return m.menu.isVisible(); }, 2000));
    mouse(&m.canvas(), QEvent::MouseButtonPress, QPoint(25, 5));
    mouse(&m.canvas(), QEvent::MouseButtonRelease, QPoint(25, 5));
    EXPECT_FALSE(m.menu.isVisible());
    rbxtest::spinEventLoop(50);
    EXPECT_TRUE(m.chooser.chosen.isEmpty());

    // A target that has no such method, and one that is gone.
    kx::LogCapture log;
    Chooser other;
    KXGraphicalItem wrong{QImage(), QRect(), "nothing", &other, 1};
    EXPECT_FALSE(wrong.targetResponds());
    wrong.performAction();
    EXPECT_TRUE(log.contains(QStringLiteral("Chooser object does not respond to nothing"))) << log.lines().join(u'\n').toStdString();
    KXGraphicalItem gone{QImage(), QRect(), "choose", nullptr, 1};
    gone.performAction();
    EXPECT_TRUE(log.contains(QStringLiteral("does not respond to choose")));
    // A target that goes away before the loop turns is not called.
    auto* late = new Chooser;
    KXGraphicalItem item{QImage(), QRect(), "choose", late, 7};
    EXPECT_TRUE(item.targetResponds());
    item.performAction();
    delete late;
    rbxtest::spinEventLoop(50);
}

TEST(GraphicalMenu, TheCanvasIsDarkInTheDarkAppearance) {
    TwoPictures m;
    m.canvas().resize(m.canvas().sizeHint());
    for (const bool dark : {false, true}) {
        KXAppearance::DrawingScope scope(dark);
        const QImage shot = m.canvas().grab().toImage();
        const QColor gap = shot.pixelColor(25 * shot.width() / 50, 5 * shot.height() / 10);
        if (dark) EXPECT_EQ(gap.rgb(), QColor::fromRgbF(0.13f, 0.13f, 0.13f).rgb());
        else EXPECT_EQ(gap.rgb(), m.canvas().palette().color(QPalette::Window).rgb());
    }
}

TEST(MenuHelpers, PulledDownBelowAViewOrPoppedUpOverIt) {
    const QRect view(200, 100, 120, 24);
    EXPECT_EQ(kx::menu::pullDownPosition(view, QPointF(0, -2)), QPoint(200, 122));
    EXPECT_EQ(kx::menu::pullDownPosition(view, QPointF(5, 2)), QPoint(205, 126));
    EXPECT_EQ(kx::menu::popUpPosition(view), QPoint(200, 85));

    QWidget host;
    host.setAttribute(Qt::WA_DontShowOnScreen);
    host.setGeometry(300, 200, 120, 24);
    host.show();
    QMenu menu;
    menu.addAction(QStringLiteral("one"));
    kx::menu::pullDownBelow(menu, host, 1.0);
    ASSERT_TRUE(rbxtest::waitFor([&] { return menu.isVisible(); }, 2000));
    EXPECT_EQ(menu.pos(), host.mapToGlobal(QPoint(0, 25)));
    menu.close();
    kx::menu::popUpAt(menu, QPointF(40, 40), host, 3);
    ASSERT_TRUE(rbxtest::waitFor([&] { return menu.isVisible(); }, 2000));
    EXPECT_EQ(menu.pos(), host.mapToGlobal(QPoint(0, -15)));
    menu.close();
}

TEST(Separator, AStraightLineAtMidHeightOrAStepBetweenTwoHeights) {
    const QRectF box(0, 0, 100, 20);
    // Both offsets -1: one straight line half-way up.
    QPainterPath straight = KXSeparator::linePath(box, -1, -1);
    EXPECT_EQ(straight.elementCount(), 2);
    EXPECT_EQ(QPointF(straight.elementAt(0)), QPointF(0, 10));
    EXPECT_EQ(QPointF(straight.elementAt(1)), QPointF(100, 10));
    // The same height on both sides is straight too.
    EXPECT_EQ(KXSeparator::linePath(box, 4, 4).elementCount(), 2);

    // From 4 above the bottom on the left to half-way on the right: two turns of radius 3
    // through the middle height, then straight on.
    const QPainterPath step = KXSeparator::linePath(box, 4, -1);
    EXPECT_EQ(step.pointAtPercent(0), QPointF(0, 16));
    EXPECT_EQ(step.currentPosition(), QPointF(100, 10));
    ASSERT_EQ(step.elementCount(), 8);  // move, two curves of three points, line
    EXPECT_EQ(QPointF(step.elementAt(3)), QPointF(3, 13));
    EXPECT_EQ(QPointF(step.elementAt(6)), QPointF(6, 10));
    // Past the turns the line runs at the right height.
    EXPECT_NEAR(step.pointAtPercent(0.5).y(), 10, 1e-6);
    // The turn never takes more than half the width.
    const QPainterPath narrow = KXSeparator::linePath(QRectF(0, 0, 4, 40), 0, 38);
    EXPECT_LE(narrow.boundingRect().width(), 4.0001);

    // Dashes are given in points; the pen counts in its widths.
    EXPECT_EQ(KXSeparator::penDashPattern({6, 2}, 2), (QVector<qreal>{3, 1}));
    EXPECT_EQ(KXSeparator::penDashPattern({3}, 1), (QVector<qreal>{3, 3}));
    EXPECT_TRUE(KXSeparator::penDashPattern({}, 1).isEmpty());
    EXPECT_TRUE(KXSeparator::penDashPattern({0, 3}, 1).isEmpty());
}

TEST(Separator, DrawsItsLineInItsColourDashedWhenAsked) {
    KXSeparator line;
    line.resize(100, 20);
    line.setBorderColor(Qt::red);
    line.setBorderWidth(2);
    auto redAt = [&line](int x, int y) {
        const QImage shot = line.grab().toImage();
        const QColor c = shot.pixelColor(x * shot.width() / 100, y * shot.height() / 20);
        return c.red() > 150 && c.green() < 100;
    };
    EXPECT_TRUE(redAt(50, 10));
    EXPECT_FALSE(redAt(50, 3));
    line.setLeftOffset(15);
    line.setRightOffset(15);
    EXPECT_TRUE(redAt(50, 5));
    EXPECT_FALSE(redAt(50, 10));
    line.setDash({10, 10});
    // Dash from 0 to 10, gap from 10 to 20, ...
    EXPECT_TRUE(redAt(5, 5));
    EXPECT_FALSE(redAt(15, 5));
    EXPECT_TRUE(redAt(25, 5));
}

#include "MenusTest.moc"
