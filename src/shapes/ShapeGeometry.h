#pragma once
// Where things lie on the shape finder's pad, in pad coordinates: origin at the bottom
// left, y growing upwards, one unit per pixel.
//   innerRect    the white drawing area: the bounds moved 14 right and 14 up, 26 narrower
//                and 20 lower
//   drawingRect  where strokes may go: innerRect inset by 10, its bottom raised by 20
//   guide lines  with u = round(innerRect height / 6) from the bottom y0 of innerRect:
//                descent y0 + u, baseline y0 + 2u, x-height y0 + 4u, cap height y0 + 5u

#include <QRectF>
#include <QSize>
#include <cmath>

namespace shapes {

// Strokes are this wide, with round caps and joins, on the pad and when matched.
inline constexpr double StrokeWidth = 15.0;
// The pad's size in the shape finder; the reference data is rendered at it.
inline constexpr int PadWidth = 320;
inline constexpr int PadHeight = 270;

struct ShapeGeometry {
    QSize size;
    QRectF innerRect;    // x, y of the bottom-left corner, width, height
    QRectF drawingRect;
    float descentLineY = 0, baseLineY = 0, lowerLineY = 0, upperLineY = 0;

    explicit ShapeGeometry(QSize padSize = QSize(PadWidth, PadHeight)) : size(padSize) {
        innerRect = QRectF(14, 14, padSize.width() - 26, padSize.height() - 20);
        drawingRect = innerRect.adjusted(10, 10, -10, -10);
        drawingRect = QRectF(drawingRect.x(), drawingRect.y() + 20, drawingRect.width(), drawingRect.height() - 20);
        const double u = std::round(innerRect.height() / 6);
        const double y0 = innerRect.y();
        descentLineY = float(y0 + u);
        baseLineY = float(y0 + 2 * u);
        lowerLineY = float(y0 + 4 * u);
        upperLineY = float(y0 + 5 * u);
    }
    // Whether a point lies inside drawingRect (its edges included).
    bool inDrawingRect(QPointF p) const {
        return p.x() >= drawingRect.left() && p.x() <= drawingRect.right() && p.y() >= drawingRect.top() &&
               p.y() <= drawingRect.bottom();
    }
    // Rounded to whole units and clamped into drawingRect.
    QPointF clampedToDrawingRect(QPointF p) const {
        const double x = std::clamp(std::round(p.x()), drawingRect.left(), drawingRect.right());
        const double y = std::clamp(std::round(p.y()), drawingRect.top(), drawingRect.bottom());
        return {x, y};
    }
};

} // namespace shapes
