#pragma once
// Renders drawings and characters as the matcher sees them, black on white into one
// RGBA picture of the pad's size that is kept between uses, and answers their features.

#include "shapes/BigFonts.h"
#include "shapes/ShapeFeatures.h"
#include "shapes/ShapeFile.h"

#include <QImage>
#include <QPainterPath>

namespace shapes {

// A stroke as a path in pad pixels (y growing downwards) for a pad of the given height.
QPainterPath strokePath(const Stroke& stroke, int padHeight);
// The pen of every stroke: 15 wide, round caps and joins.
QPen strokePen(const QColor& color);

class ShapeRenderer {
public:
    explicit ShapeRenderer(const ShapeGeometry& geometry);

    const ShapeGeometry& geometry() const { return geometry_; }
    BigFonts& fonts() { return fonts_; }

    // The drawing: its background character (33 or more) in its font as on the pad, then
    // its strokes.
    FeatureVector drawingFeatures(const QList<Stroke>& strokes, char32_t background, const QString& backgroundFont);
    // One character alone in the big font of that name.
    FeatureVector characterFeatures(char32_t c, const QString& postScriptName);

    // The picture last rendered.
    const QImage& image() const { return image_; }

private:
    void clearImage();

    ShapeGeometry geometry_;
    BigFonts fonts_;
    QImage image_;
};

} // namespace shapes
