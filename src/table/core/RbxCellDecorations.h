#pragma once
// Where the small marks of a cell go, in table coordinates (y up): the favourite and
// recent badges at the top-right corner, the skin-tone dot and the text/emoji triangle at
// the bottom-right corner (the cell's hot corner), and the bracket under a space.

#include "model/RbxCharGroup.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <array>
#include <cstdint>

namespace rbx::cells {

// Badges shrink with cells smaller than 45: min(w, h) / 45, else 1.
double badgeScale(const QSizeF& cell);

enum class Badge { None, FavoriteAndRecent, Favorite, Recent };
// The badge of a cell: both marks outside the favourites and recent groups; else a
// favourite outside the favourites group; else a recent one outside the recent group.
Badge badgeFor(bool favorite, bool recent, std::int32_t groupKind);
// The badge's square: 14 k (both) or 11 k, inset 3 k from the top and right edges.
QRectF badgeRect(const QRectF& cell, Badge badge);
// The skin-tone dot: 11 k, 3 k from the right and bottom edges.
QRectF skinToneDotRect(const QRectF& cell);
// The text/emoji triangle image: 8 k, 4 k from the right and bottom edges.
QRectF textEmojiTriangleRect(const QRectF& cell);

// The side of the hot corner: 16, or 16 × min(w, h) / 45 for cells smaller than 45.
double hotCornerSize(const QSizeF& cell);
// A press in the cell opens the corner's menu: x ≥ right - s and y < bottom + s.
bool hotCornerContains(const QRectF& cell, const QPointF& p);

// The bracket under a space of advance `width` drawn from `origin` in `cell`: a path of
// four points (up-tick, baseline left, baseline right, up-tick) and its line width; a
// bracket wider than the cell allows is shortened to cell width less the line width and
// centred in the cell.
struct SpaceBracket {
    std::array<QPointF, 4> points;
    double lineWidth;
};
SpaceBracket spaceBracket(const QPointF& origin, double width, const QRectF& cell);

} // namespace rbx::cells
