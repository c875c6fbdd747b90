#include "table/core/RbxCellDecorations.h"

#include "model/RbxCharGroup.h"

#include <algorithm>

namespace rbx::cells {

double badgeScale(const QSizeF& cell) {
    const double m = std::min(cell.width(), cell.height());
    return m < 45 ? std::max(0.0, m) / 45 : 1.0;
}

Badge badgeFor(bool favorite, bool recent, std::int32_t kind) {
    const bool inFavorites = kind == RbxFavoritesGroupKind, inRecent = kind == RbxRecentGroupKind;
    if (favorite && recent && !inFavorites && !inRecent) return Badge::FavoriteAndRecent;
    if (favorite && !inFavorites) return Badge::Favorite;
    if (recent && !inRecent) return Badge::Recent;
    return Badge::None;
}

QRectF badgeRect(const QRectF& cell, Badge badge) {
    if (badge == Badge::None) return {};
    const double k = badgeScale(cell.size());
    const double side = (badge == Badge::FavoriteAndRecent ? 14 : 11) * k;
    const double inset = 3 * k;
    const double right = cell.x() + cell.width(), top = cell.y() + cell.height();
    return QRectF(right - inset - side, top - inset - side, side, side);
}

QRectF skinToneDotRect(const QRectF& cell) {
    const double k = badgeScale(cell.size());
    const double side = 11 * k, inset = 3 * k;
    return QRectF(cell.x() + cell.width() - inset - side, cell.y() + inset, side, side);
}

QRectF textEmojiTriangleRect(const QRectF& cell) {
    const double k = badgeScale(cell.size());
    const double side = 8 * k, inset = 4 * k;
    return QRectF(cell.x() + cell.width() - inset - side, cell.y() + inset, side, side);
}

double hotCornerSize(const QSizeF& cell) {
    const double m = std::min(cell.width(), cell.height());
    return m < 45 ? 16 * std::max(0.0, m) / 45 : 16.0;
}

bool hotCornerContains(const QRectF& cell, const QPointF& p) {
    const double s = hotCornerSize(cell.size());
    return p.x() >= cell.x() + cell.width() - s && p.y() < cell.y() + s;
}

SpaceBracket spaceBracket(const QPointF& origin, double width, const QRectF& cell) {
    const double w = cell.width(), h = cell.height();
    const double lw = std::max(1.0, h / 25);
    double x = origin.x(), u = width;
    if (u > w - lw) {
        u = std::max(0.0, w - lw);
        x = cell.x() + (w - u) / 2;
    }
    const double y = origin.y(), tick = h / 10;
    return {{QPointF(x, y + tick), QPointF(x, y), QPointF(x + u, y), QPointF(x + u, y + tick)}, lw};
}

} // namespace rbx::cells
