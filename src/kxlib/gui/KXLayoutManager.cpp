#include "kxlib/gui/KXLayoutManager.h"

#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <cmath>
#include <vector>

namespace {

// One pass of a box blur over the alpha channel, horizontally or vertically.
void boxBlurAlpha(QImage& image, int radius, bool horizontal) {
    if (radius < 1) return;
    const int w = image.width(), h = image.height();
    const int outer = horizontal ? h : w, inner = horizontal ? w : h;
    std::vector<int> line(inner);
    for (int o = 0; o < outer; ++o) {
        auto px = [&](int i) -> QRgb* {
            return horizontal ? reinterpret_cast<QRgb*>(image.scanLine(o)) + i
                              : reinterpret_cast<QRgb*>(image.scanLine(i)) + o;
        };
        for (int i = 0; i < inner; ++i) line[i] = qAlpha(*px(i));
        int sum = 0;
        const int window = 2 * radius + 1;
        for (int i = -radius; i <= radius; ++i) sum += (i >= 0 && i < inner) ? line[i] : 0;
        for (int i = 0; i < inner; ++i) {
            const int a = sum / window;
            *px(i) = qRgba(0, 0, 0, a);
            const int out = i - radius, in = i + radius + 1;
            if (out >= 0) sum -= line[out];
            if (in < inner) sum += line[in];
        }
    }
}

} // namespace

QList<QGlyphRun> KXLayoutManager::glyphRuns(const QString& text, const QFont& font) {
    if (text.isEmpty()) return {};
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return {};
    }
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    const qreal ascent = line.ascent();
    QList<QGlyphRun> runs = layout.glyphRuns();
    for (QGlyphRun& run : runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p.ry() -= ascent;
        run.setPositions(positions);
    }
    return runs;
}

qreal KXLayoutManager::advanceWidth(const QList<QGlyphRun>& runs) {
    qreal right = 0;
    for (const QGlyphRun& run : runs) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        const QList<QPointF> advances = run.rawFont().advancesForGlyphIndexes(glyphs);
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size() && i < advances.size(); ++i)
            right = std::max(right, positions[i].x() + advances[i].x());
    }
    return right;
}

QRectF KXLayoutManager::inkBounds(const QList<QGlyphRun>& runs) {
    QRectF bounds;
    for (const QGlyphRun& run : runs) {
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            const QRectF r = run.rawFont().boundingRect(glyphs[i]).translated(positions[i]);
            if (!r.isEmpty()) bounds = bounds.united(r);
        }
    }
    return bounds;
}

void KXLayoutManager::drawGlyphs(QPainter& painter, const QList<QGlyphRun>& runs, const QPointF& point) const {
    if (runs.isEmpty()) return;
    if (drawWithShadow_) drawShadow(painter, runs, point);
    for (const QGlyphRun& run : runs) painter.drawGlyphRun(point, run);
}

void KXLayoutManager::drawText(QPainter& painter, const QString& text, const QFont& font,
                               const QPointF& point) const {
    drawGlyphs(painter, glyphRuns(text, font), point);
}

void KXLayoutManager::drawShadow(QPainter& painter, const QList<QGlyphRun>& runs, const QPointF& point) const {
    const QRectF ink = inkBounds(runs);
    if (ink.isEmpty()) return;
    // Rendered at the device's scale so that the shadow is as sharp as the glyphs.
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const qreal transformScale = std::sqrt(std::abs(painter.worldTransform().determinant()));
    const qreal s = std::max(0.01, scale * (transformScale > 0 ? transformScale : 1.0));
    const int margin = int(std::ceil(ShadowBlur * 2));
    const QRect area = ink.toAlignedRect().adjusted(-margin, -margin, margin, margin);
    QImage mask(QSize(int(std::ceil(area.width() * s)), int(std::ceil(area.height() * s))),
                QImage::Format_ARGB32_Premultiplied);
    if (mask.isNull()) return;
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.scale(s, s);
        p.setPen(Qt::black);
        for (const QGlyphRun& run : runs) p.drawGlyphRun(-QPointF(area.topLeft()), run);
    }
    // Three box passes approximate a Gaussian of the blur radius.
    const int r = std::max(1, int(std::lround(ShadowBlur * s / 2)));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurAlpha(mask, r, true);
        boxBlurAlpha(mask, r, false);
    }
    painter.save();
    painter.setOpacity(painter.opacity() / 3.0);
    painter.drawImage(QRectF(point + QPointF(area.topLeft()) + QPointF(ShadowOffsetX, ShadowOffsetY),
                             QSizeF(area.size())),
                      mask);
    painter.restore();
}
