#pragma once
// Rounded-rectangle outlines.

#include <QPainterPath>
#include <QRectF>

namespace kx::path {

// A new path holding the outline of `rect` with corners of radius `radius`; the radius is
// limited to half the width and half the height (a larger one gives semicircular ends,
// 0 gives sharp corners).
QPainterPath bezierPathWithRect(const QRectF& rect, float radius);

// Appends the same closed outline to `path`.
void appendBezierPathWithRect(QPainterPath& path, const QRectF& rect, float radius);

} // namespace kx::path
