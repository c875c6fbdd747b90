#include "kxlib/gui/BezierPathExtensions.h"
#include "kxlib/gui/CenteredTextFieldCell.h"
#include "kxlib/gui/KXLayoutManager.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using kx::path::appendBezierPathWithRect;
using kx::path::bezierPathWithRect;

TEST(RoundedPath, RadiusIsLimitedToHalfTheShorterSide) {
    const QRectF rect(10, 20, 100, 40);
    const QPainterPath pill = bezierPathWithRect(rect, 500);
    EXPECT_EQ(pill.boundingRect(), rect);
    // Semicircular ends of radius 20 around (30, 40) and (90, 40).
    EXPECT_FALSE(pill.contains(QPointF(11, 21)));
    EXPECT_FALSE(pill.contains(QPointF(109, 59)));
    EXPECT_TRUE(pill.contains(QPointF(11.5, 40)));
    EXPECT_TRUE(pill.contains(QPointF(30, 21)));
    EXPECT_FALSE(pill.contains(QPointF(14, 27))); // distance 20.6 from (30, 40)
    EXPECT_TRUE(pill.contains(QPointF(16, 29)));  // distance 17.8

    const QPainterPath sharp = bezierPathWithRect(rect, 0);
    EXPECT_TRUE(sharp.contains(QPointF(10.5, 20.5)));
    EXPECT_TRUE(sharp.contains(QPointF(109.5, 59.5)));

    const QPainterPath rounded = bezierPathWithRect(rect, 8);
    EXPECT_FALSE(rounded.contains(QPointF(11, 21)));
    EXPECT_TRUE(rounded.contains(QPointF(13, 23)));
    EXPECT_TRUE(rounded.contains(QPointF(60, 20.5)));

    QPainterPath two = bezierPathWithRect(QRectF(0, 0, 10, 10), 2);
    appendBezierPathWithRect(two, QRectF(100, 0, 10, 10), 2);
    EXPECT_TRUE(two.contains(QPointF(105, 5)));
    EXPECT_TRUE(two.contains(QPointF(5, 5)));
    EXPECT_FALSE(two.contains(QPointF(50, 5)));
}

TEST(CenteredText, FrameIsInsetByHalfTheSpareHeightRoundedDown) {
    EXPECT_EQ(kx::centeredTextFrame(QRectF(0, 0, 100, 30), 12, 4), QRectF(0, 7, 100, 16));
    EXPECT_EQ(kx::centeredTextFrame(QRectF(0, 0, 100, 31), 12, -4), QRectF(0, 7, 100, 17));
    // A line taller than the frame: negative inset, the text frame grows.
    EXPECT_EQ(kx::centeredTextFrame(QRectF(5, 50, 40, 20), 30, 10), QRectF(5, 40, 40, 40));

    // Drawn: the ink of a capital sits in the middle third of a tall cell.
    QFont font;
    font.setPixelSize(20);
    QImage canvas(60, 90, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.setPen(Qt::black);
    kx::drawCenteredText(p, QRectF(0, 0, 60, 90), QStringLiteral("H"), font);
    p.end();
    int top = -1, bottom = -1;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            if (qGray(canvas.pixel(x, y)) < 128) {
                if (top < 0) top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0);
    EXPECT_GT(top, 30);
    EXPECT_LT(bottom, 60);
}

namespace {

QImage renderGlyph(bool shadow) {
    QFont font;
    font.setPixelSize(40);
    QImage canvas(80, 80, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    p.setPen(Qt::black);
    KXLayoutManager lm;
    lm.setDrawWithShadow(shadow);
    lm.drawText(p, QStringLiteral("I"), font, QPointF(20, 55));
    p.end();
    return canvas;
}

} // namespace

TEST(LayoutManager, ShadowFallsDownRightOnlyWhenSwitchedOn) {
    const QImage plain = renderGlyph(false);
    const QImage shadowed = renderGlyph(true);
    QFont font;
    font.setPixelSize(40);
    const QRectF ink = KXLayoutManager::inkBounds(KXLayoutManager::glyphRuns(QStringLiteral("I"), font))
                           .translated(20, 55);
    ASSERT_FALSE(ink.isEmpty());
    // The glyph itself is drawn in both.
    const QPoint inside = ink.center().toPoint();
    EXPECT_LT(qGray(plain.pixel(inside)), 60);
    EXPECT_LT(qGray(shadowed.pixel(inside)), 60);
    // Just right of and below the ink: background without shadow, darkened with it.
    const QPoint belowRight(int(ink.right()) + 2, int(ink.bottom()) + 2);
    EXPECT_EQ(qGray(plain.pixel(belowRight)), 255);
    EXPECT_LT(qGray(shadowed.pixel(belowRight)), 250);
    // The shadow does not fall up-left.
    const QPoint aboveLeft(int(ink.left()) - 3, int(ink.top()) - 3);
    EXPECT_EQ(qGray(shadowed.pixel(aboveLeft)), 255);
    // Far away nothing changes.
    EXPECT_EQ(shadowed.pixel(75, 5), plain.pixel(75, 5));
}

TEST(LayoutManager, RunsOfLongTextAndGlyphMetrics) {
    QFont font;
    font.setPixelSize(20);
    const QString text = QStringLiteral("abcdefghijklmnop");
    const auto runs = KXLayoutManager::glyphRuns(text, font);
    int glyphs = 0;
    for (const auto& r : runs) glyphs += int(r.glyphIndexes().size());
    EXPECT_GE(glyphs, 12); // more than nine glyphs in one call are all kept
    const qreal advance = KXLayoutManager::advanceWidth(runs);
    EXPECT_GT(advance, 100);
    // Baseline-relative: the ink of letters without descenders lies above y = 0.
    const QRectF ink = KXLayoutManager::inkBounds(KXLayoutManager::glyphRuns(QStringLiteral("H"), font));
    EXPECT_LT(ink.bottom(), 1.0);
    EXPECT_LT(ink.top(), -10);
    EXPECT_TRUE(KXLayoutManager::glyphRuns(QString(), font).isEmpty());
}
