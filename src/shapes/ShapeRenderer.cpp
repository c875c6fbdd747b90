#include "shapes/ShapeRenderer.h"

#include <QPainter>

namespace shapes {

QPainterPath strokePath(const Stroke& stroke, int padHeight) {
    QPainterPath path;
    if (stroke.isEmpty()) return path;
    auto down = [padHeight](QPointF p) { return QPointF(p.x(), padHeight - p.y()); };
    path.moveTo(down(stroke.first()));
    if (stroke.size() == 1)
        path.lineTo(down(stroke.first()));
    for (qsizetype i = 1; i < stroke.size(); ++i) path.lineTo(down(stroke[i]));
    return path;
}

QPen strokePen(const QColor& color) {
    return QPen(color, StrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

ShapeRenderer::ShapeRenderer(const ShapeGeometry& geometry) : geometry_(geometry), fonts_(geometry) {}

void ShapeRenderer::clearImage() {
    if (image_.size() != geometry_.size) image_ = QImage(geometry_.size, QImage::Format_RGBA8888);
    image_.fill(Qt::white);
}

FeatureVector ShapeRenderer::drawingFeatures(const QList<Stroke>& strokes, char32_t background, const QString& backgroundFont) {
    clearImage();
    {
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing, true);
        if (background >= 33) {
            const QPainterPath glyph = fonts_.characterPath(background, BigFonts::backgroundFontName(backgroundFont));
            p.fillPath(glyph, Qt::black);
        }
        p.setPen(strokePen(Qt::black));
        p.setBrush(Qt::NoBrush);
        for (const Stroke& s : strokes) p.drawPath(strokePath(s, geometry_.size.height()));
    }
    return analyzeImage(image_);
}

FeatureVector ShapeRenderer::characterFeatures(char32_t c, const QString& postScriptName) {
    clearImage();
    {
        QPainter p(&image_);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.fillPath(fonts_.characterPath(c, postScriptName), Qt::black);
    }
    return analyzeImage(image_);
}

} // namespace shapes
