#include "kxlib/gui/BezierPathExtensions.h"

#include <algorithm>

namespace kx::path {

QPainterPath bezierPathWithRect(const QRectF& rect, float radius) {
    QPainterPath path;
    appendBezierPathWithRect(path, rect, radius);
    return path;
}

void appendBezierPathWithRect(QPainterPath& path, const QRectF& rect, float radius) {
    const float x = float(rect.x()), y = float(rect.y());
    const float w = float(rect.width()), h = float(rect.height());
    const float r = std::max(0.0f, std::min({radius, w / 2, h / 2}));
    const float d = 2 * r;
    // Starts on the left edge, then goes round the four corners; each corner is a quarter
    // circle of radius r whose tangents are the two edges.
    path.moveTo(x, y + r);
    if (r > 0) path.arcTo(QRectF(x, y + h - d, d, d), 180, 90);
    else path.lineTo(x, y + h);
    path.lineTo(x + w - r, y + h);
    if (r > 0) path.arcTo(QRectF(x + w - d, y + h - d, d, d), 270, 90);
    else path.lineTo(x + w, y + h);
    path.lineTo(x + w, y + r);
    if (r > 0) path.arcTo(QRectF(x + w - d, y, d, d), 0, 90);
    else path.lineTo(x + w, y);
    path.lineTo(x + r, y);
    if (r > 0) path.arcTo(QRectF(x, y, d, d), 90, 90);
    else path.lineTo(x, y);
    path.closeSubpath();
}

} // namespace kx::path
