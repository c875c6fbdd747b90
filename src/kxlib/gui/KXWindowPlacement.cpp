#include "kxlib/gui/KXWindowPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kx::placement {

namespace {

bool containsRect(const QRectF& outer, const QRectF& inner) {
    return inner.left() >= outer.left() && inner.right() <= outer.right() && inner.top() >= outer.top() &&
           inner.bottom() <= outer.bottom();
}

qreal overlapArea(const QRectF& a, const QRectF& b) {
    const qreal w = std::min(a.right(), b.right()) - std::max(a.left(), b.left());
    const qreal h = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    return (w > 0 && h > 0) ? w * h : 0;
}

// The gap between two rectangles that do not overlap.
qreal gapBetween(const QRectF& a, const QRectF& b) {
    const qreal gx = std::max(a.left() - b.right(), b.left() - a.right());
    const qreal gy = std::max(a.top() - b.bottom(), b.top() - a.bottom());
    if (gx > 0 && gy > 0) return std::min(gx, gy);
    if (gx > 0) return gx;
    if (gy > 0) return gy;
    return 0;
}

} // namespace

QRectF centeredInFrame(const QRectF& window, const QRectF& screenFrame) {
    QRectF r(QPointF(0, 0), window.size());
    r.moveCenter(screenFrame.center());
    return r;
}

QRectF movedToVisibleFrame(const QRectF& window, const QRectF& visible) {
    if (containsRect(visible, window)) return window;
    QRectF r = window;
    r.setWidth(std::min(r.width(), visible.width()));
    r.setHeight(std::min(r.height(), visible.height()));
    if (r.right() > visible.right()) r.moveLeft(visible.right() - r.width());
    if (r.top() < visible.top()) r.moveTop(visible.top());
    if (r.left() < visible.left()) r.moveLeft(visible.left());
    if (r.bottom() > visible.bottom()) r.moveTop(visible.bottom() - r.height());
    return r;
}

std::optional<int> screenForCompletelyVisible(const QRectF& window, const QList<QRectF>& frames, int mainScreen) {
    for (const QRectF& f : frames)
        if (containsRect(f, window)) return std::nullopt;
    int best = -1;
    qreal bestArea = 0;
    for (int i = 0; i < frames.size(); ++i) {
        const qreal a = overlapArea(window, frames[i]);
        if (a > bestArea) {
            bestArea = a;
            best = i;
        }
    }
    if (best >= 0) return best;
    qreal bestGap = std::numeric_limits<qreal>::infinity();
    for (int i = 0; i < frames.size(); ++i) {
        const qreal g = gapBetween(window, frames[i]);
        if (g < bestGap) {
            bestGap = g;
            best = i;
        }
    }
    return best >= 0 ? best : mainScreen;
}

std::optional<QRectF> completelyVisibleFrame(const QRectF& window, const QList<QRectF>& frames, int mainScreen) {
    const auto target = screenForCompletelyVisible(window, frames, mainScreen);
    if (!target || *target < 0 || *target >= frames.size()) return std::nullopt;
    return movedToVisibleFrame(window, frames[*target]);
}

int borderForPoint(const QPointF& p, const QRectF& r) {
    if (!(p.x() >= r.left() && p.x() < r.right() && p.y() >= r.top() && p.y() < r.bottom())) return NoBorder;
    int mask = NoBorder;
    if (p.x() < r.left() + BorderWidth) mask |= LeftBorder;
    else if (p.x() >= r.right() - BorderWidth) mask |= RightBorder;
    if (p.y() >= r.bottom() - BorderWidth) mask |= BottomBorder;
    else if (p.y() < r.top() + BorderWidth) mask |= TopBorder;
    const bool horizontal = mask & (LeftBorder | RightBorder);
    const bool vertical = mask & (TopBorder | BottomBorder);
    if (horizontal && vertical) return mask;
    if (mask == LeftBorder) return p.x() < r.left() + EdgeGrip ? mask : NoBorder;
    if (mask == RightBorder) return p.x() >= r.right() - EdgeGrip ? mask : NoBorder;
    if (mask == BottomBorder) return p.y() >= r.bottom() - EdgeGrip ? mask : NoBorder;
    if (mask == TopBorder) return p.y() < r.top() + EdgeGrip ? mask : NoBorder;
    return NoBorder;
}

QRectF borderRect(int mask, const QRectF& b) {
    if (mask == NoBorder) return {};
    qreal left = b.left(), right = b.right(), top = b.top(), bottom = b.bottom();
    if (mask & LeftBorder) right = std::min(right, b.left() + BorderWidth);
    if (mask & RightBorder) left = std::max(left, b.right() - BorderWidth);
    if (mask & TopBorder) bottom = std::min(bottom, b.top() + BorderWidth);
    if (mask & BottomBorder) top = std::max(top, b.bottom() - BorderWidth);
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF resizedFrame(const QRectF& start, int border, const QPointF& delta, const QRectF& visible,
                    const QSizeF& minSize, const QSizeF& maxSize) {
    qreal left = start.left(), right = start.right(), top = start.top(), bottom = start.bottom();
    const qreal maxW = maxSize.width() > 0 ? maxSize.width() : std::numeric_limits<qreal>::max();
    const qreal maxH = maxSize.height() > 0 ? maxSize.height() : std::numeric_limits<qreal>::max();
    const qreal minW = std::max<qreal>(0, minSize.width()), minH = std::max<qreal>(0, minSize.height());
    if (border & LeftBorder) {
        left = std::min(start.left() + delta.x(), visible.right() - 20);
        left = right - std::clamp(right - left, minW, std::max(minW, maxW));
    } else if (border & RightBorder) {
        right = std::max(start.right() + delta.x(), visible.left() + 20);
        right = left + std::clamp(right - left, minW, std::max(minW, maxW));
    }
    if (border & BottomBorder) {
        bottom = std::clamp(start.bottom() + delta.y(), visible.top(), visible.bottom());
        bottom = top + std::clamp(bottom - top, minH, std::max(minH, maxH));
    } else if (border & TopBorder) {
        top = std::min(start.top() + delta.y(), visible.bottom() - 30);
        top = std::max(top, visible.top());
        top = bottom - std::clamp(bottom - top, minH, std::max(minH, maxH));
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QRectF addFrameBorder(const QRectF& r) { return r.adjusted(0, -FrameBorderHeight, 0, 0); }

QRectF removeFrameBorder(const QRectF& r) { return r.adjusted(0, FrameBorderHeight, 0, 0); }

} // namespace kx::placement
