#pragma once
// Placement of windows on screens, as pure functions of rectangles. All rectangles are in
// global screen coordinates (y down): "top" is the smaller y. A screen is described by its
// full frame or by its visible frame (the frame less panels and docks).

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace kx::placement {

// Border masks of a borderless window's frame.
enum Border : int { NoBorder = 0, LeftBorder = 1, RightBorder = 2, TopBorder = 4, BottomBorder = 8 };
// Width of the strip along each edge that counts as a border.
inline constexpr qreal BorderWidth = 9;
// A single edge (not a corner) counts only this close to the edge.
inline constexpr qreal EdgeGrip = 3;
// Height of the title strip above the content of a borderless window.
inline constexpr qreal FrameBorderHeight = 22;

// `window` centred in `screenFrame` (same size).
QRectF centeredInFrame(const QRectF& window, const QRectF& screenFrame);

// `window` moved onto `visibleFrame`: unchanged when it lies inside; else its width and
// height are cut to the visible frame's, it is shifted left or down until its right and
// top edges are inside, then right or up until its left and bottom edges are inside.
QRectF movedToVisibleFrame(const QRectF& window, const QRectF& visibleFrame);

// The screen a window that no screen shows whole should move to: the one whose visible
// frame overlaps it most; without overlap the nearest one (the gap along the one axis on
// which they are apart, the smaller gap when apart on both; ties: the first); with no
// screens `mainScreen`. Answers nullopt when some visible frame contains the window.
std::optional<int> screenForCompletelyVisible(const QRectF& window, const QList<QRectF>& visibleFrames,
                                              int mainScreen);

// The frame that makes `window` completely visible, or nullopt when it already is.
std::optional<QRectF> completelyVisibleFrame(const QRectF& window, const QList<QRectF>& visibleFrames,
                                             int mainScreen);

// The border mask of `point` in `rect`: 0 outside. Within 9 of the left edge sets Left, else
// within 9 of the right edge Right; within 9 of the bottom edge sets Bottom, else within 9
// of the top edge Top. A single edge counts only within 3 of that edge; a corner (two bits)
// within the 9 × 9 square.
int borderForPoint(const QPointF& point, const QRectF& rect);

// The strip of `bounds` that a border mask covers: 9 wide along each named edge, the 9 × 9
// square for a corner, an empty rectangle for 0.
QRectF borderRect(int mask, const QRectF& bounds);

// The frame while a border is dragged: `start` is the frame at the press, `delta` how far
// the mouse moved since. The left edge stays at most 20 left of the visible right edge, the
// right edge keeps the window's right at least 20 right of the visible left edge; the
// bottom edge stays within the visible frame; the top edge stays inside the visible top and
// at least 30 above the visible bottom. Width and height stay within [minSize, maxSize]
// (a non-positive maximum means none) with the opposite edge in place.
QRectF resizedFrame(const QRectF& start, int border, const QPointF& delta, const QRectF& visibleFrame,
                    const QSizeF& minSize, const QSizeF& maxSize);

// The rectangle with the title strip added above it, and taken away again.
QRectF addFrameBorder(const QRectF& rect);
QRectF removeFrameBorder(const QRectF& rect);

} // namespace kx::placement
