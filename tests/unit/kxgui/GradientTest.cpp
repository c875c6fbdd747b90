#include "kxlib/gui/AttributedStringDocument.h"
#include "kxlib/gui/FlagAttachmentCell.h"
#include "kxlib/gui/KXGradient.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

QImage canvas(int w = 100, int h = 20) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void blueRamp(void* info, double t, double out[4]) {
    ++*static_cast<int*>(info);
    out[0] = 0;
    out[1] = 0;
    out[2] = t;
    out[3] = 1;
}

} // namespace

TEST(KXGradient, TwoColourBlendAndItsFills) {
    KXGradient g(QColor(255, 0, 0), QColor(0, 0, 255, 0));
    EXPECT_EQ(g.evaluate(0), (std::array<double, 4>{1, 0, 0, 1}));
    EXPECT_EQ(g.evaluate(1), (std::array<double, 4>{0, 0, 1, 0}));
    const auto mid = g.evaluate(0.5);
    EXPECT_DOUBLE_EQ(mid[0], 0.5);
    EXPECT_DOUBLE_EQ(mid[2], 0.5);
    EXPECT_DOUBLE_EQ(mid[3], 0.5);

    // Extended: the whole canvas is filled, red before the start, blue-transparent after.
    KXGradient opaque(QColor(255, 0, 0), QColor(0, 0, 255));
    QImage img = canvas();
    {
        QPainter p(&img);
        opaque.drawAxial(p, QPointF(20, 0), QPointF(80, 0), true);
    }
    EXPECT_EQ(img.pixelColor(5, 10), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(95, 10), QColor(0, 0, 255));
    EXPECT_NEAR(img.pixelColor(50, 10).red(), 128, 6);
    // Not extended: nothing beyond the band.
    img = canvas();
    {
        QPainter p(&img);
        opaque.drawAxial(p, QPointF(20, 0), QPointF(80, 0), false);
    }
    EXPECT_EQ(img.pixelColor(5, 10).alpha(), 0);
    EXPECT_EQ(img.pixelColor(95, 10).alpha(), 0);
    EXPECT_EQ(img.pixelColor(50, 10).alpha(), 255);
    // Radial without extend stays inside the circles; a clip limits any fill.
    img = canvas(100, 100);
    {
        QPainter p(&img);
        p.setClipRect(QRect(0, 0, 50, 100));
        opaque.drawRadial(p, QPointF(50, 50), 0, QPointF(50, 50), 30, false);
    }
    EXPECT_EQ(img.pixelColor(50 - 2, 50).red() > 200, true);
    EXPECT_EQ(img.pixelColor(5, 5).alpha(), 0);
    EXPECT_EQ(img.pixelColor(60, 50).alpha(), 0);
    EXPECT_GT(img.pixelColor(25, 50).blue(), 200);
}

TEST(KXGradient, TheShadingIsReusedWhileTheGeometryStays) {
    int calls = 0;
    KXGradient g(&blueRamp, &calls);
    QImage img = canvas();
    QPainter p(&img);
    g.drawAxial(p, QPointF(0, 0), QPointF(100, 0), true);
    EXPECT_EQ(g.shadingsMade(), 1);
    EXPECT_EQ(calls, 256);
    g.drawAxial(p, QPointF(0, 0), QPointF(100, 0), true);
    EXPECT_EQ(g.shadingsMade(), 1);
    g.drawAxial(p, QPointF(0, 0), QPointF(100, 0), false);
    EXPECT_EQ(g.shadingsMade(), 2);
    g.drawRadial(p, QPointF(0, 0), 0, QPointF(100, 0), 0, false);
    EXPECT_EQ(g.shadingsMade(), 3);
    g.drawRadial(p, QPointF(0, 0), 0, QPointF(100, 0), 0, false);
    EXPECT_EQ(g.shadingsMade(), 3);
    g.drawRadial(p, QPointF(0, 0), 0, QPointF(100, 0), 1, false);
    EXPECT_EQ(g.shadingsMade(), 4);
    g.drawAxial(p, QPointF(0, 0), QPointF(100, 0), false);
    EXPECT_EQ(g.shadingsMade(), 5);
    // A start equal to the end draws nothing rather than dividing by nothing.
    g.drawAxial(p, QPointF(5, 5), QPointF(5, 5), false);
    p.end();
    EXPECT_NEAR(img.pixelColor(50, 10).blue(), 128, 2);
}

TEST(FlagAttachmentCell, ScalesToSixteenPointsAndDrawsInline) {
    QImage flag(32, 64, QImage::Format_ARGB32);
    flag.fill(QColor(0, 200, 0));
    const FlagAttachmentCell tall(flag);
    EXPECT_EQ(tall.cellSize(), QSizeF(8, 16));
    EXPECT_EQ(tall.cellBaselineOffset(), QPointF(0, -4));
    EXPECT_EQ(FlagAttachmentCell(QImage(20, 12, QImage::Format_ARGB32)).cellSize(), QSizeF(20, 12));

    // In a document, a drawing attachment is drawn through the cell at its size.
    QTextDocument doc;
    kx::AttributedString text(QStringLiteral("A"), {});
    text.append(kx::attributedStringForDrawingWithImage(flag));
    kx::setDocumentText(doc, text);
    EXPECT_EQ(doc.characterCount(), 3);
    QImage page = canvas(100, 60);
    {
        QPainter p(&page);
        doc.drawContents(&p);
    }
    int green = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y) == QColor(0, 200, 0)) ++green;
    EXPECT_GE(green, 8 * 14);
    EXPECT_LE(green, 8 * 17);
}

TEST(AttributedStringDocument, StylesAlignmentImagesAndTheClipboard) {
    kx::TextAttributes title;
    title.font = kx::TextFont{QStringLiteral("DejaVu Sans"), 20, true, false};
    title.alignment = kx::TextAlignment::Center;
    title.paragraphSpacing = 3;
    kx::AttributedString text(QStringLiteral("Title\nsecond"), title);
    kx::TextAttributes body;
    body.font = kx::TextFont{QStringLiteral("DejaVu Serif"), 9, false, true};
    body.foreground = 0xFF112233;
    text.append(QStringLiteral(" body"), body);
    QImage red(4, 3, QImage::Format_ARGB32);
    red.fill(Qt::red);
    text.append(kx::attributedStringWithImage(red));

    QTextDocument doc;
    kx::setDocumentText(doc, text);
    EXPECT_EQ(doc.blockCount(), 2);
    const QTextBlock first = doc.firstBlock();
    EXPECT_EQ(first.text(), QStringLiteral("Title"));
    EXPECT_EQ(first.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_DOUBLE_EQ(first.blockFormat().topMargin(), 3);
    QTextCursor c(&doc);
    c.setPosition(2);
    EXPECT_EQ(c.charFormat().font().pixelSize(), 20);
    EXPECT_TRUE(c.charFormat().font().bold());
    c.setPosition(14);
    EXPECT_TRUE(c.charFormat().font().italic());
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(0x11, 0x22, 0x33));
    c.setPosition(18);
    EXPECT_TRUE(c.charFormat().isImageFormat());
    EXPECT_EQ(c.charFormat().toImageFormat().name().section(u'/', -1), QStringLiteral("picture.png"));

    EXPECT_EQ(kx::qFont(kx::TextFont{QStringLiteral("DejaVu Sans"), 13.6}).pixelSize(), 14);
    EXPECT_EQ(kx::textFont(kx::qFont(*body.font)), *body.font);

    kx::copyToClipboard(text);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("Title\nsecond body"));
    EXPECT_TRUE(data->html().contains(QStringLiteral("font-style: italic; color: #112233\"> body</span>")));
}
