#pragma once
// The character table's coordinates: one unit is one device-independent pixel, y grows
// upwards, the table's bottom is y = 0. A rectangle (x, y, width, height) has its bottom
// edge at y and its top edge at y + height (QRectF::top() and bottom() name the other
// way round, so these helpers say what is meant).

#include <QPointF>
#include <QRectF>

namespace rbx::geom {

inline double minY(const QRectF& r) { return r.y(); }
inline double maxY(const QRectF& r) { return r.y() + r.height(); }
inline double minX(const QRectF& r) { return r.x(); }
inline double maxX(const QRectF& r) { return r.x() + r.width(); }

// The point lies in the rectangle: left and bottom edges included, right and top edges not.
inline bool pointInRect(const QPointF& p, const QRectF& r) {
    return p.x() >= minX(r) && p.x() < maxX(r) && p.y() >= minY(r) && p.y() < maxY(r);
}

// The rectangles share an area (touching edges or an empty rectangle do not count).
inline bool intersects(const QRectF& a, const QRectF& b) {
    if (a.width() <= 0 || a.height() <= 0 || b.width() <= 0 || b.height() <= 0) return false;
    return minX(a) < maxX(b) && minX(b) < maxX(a) && minY(a) < maxY(b) && minY(b) < maxY(a);
}

} // namespace rbx::geom
