#include "table/core/RbxCharTable.h"

#include "kxlib/RbxDefaults.h"
#include "table/core/RbxGeometry.h"

#include <algorithm>
#include <cmath>

using namespace rbx::geom;

void RbxCharTable::setGroups(const std::vector<std::shared_ptr<RbxCharGroup>>& groups) {
    groups_.clear();
    groups_.reserve(groups.size());
    for (const auto& g : groups) groups_.emplace_back(g);
}

std::size_t RbxCharTable::charactersToFit(bool fitAscii) const {
    if (groups_.size() == 1 && fitAscii && groups_.front().groupKind() == RbxBasicGroupKind)
        return groups_.front().count();
    return 0;
}

void RbxCharTable::layout(const QSizeF& cellSize, double viewWidth, const RbxTableEnvironment& env) {
    QSizeF cell = cellSize;
    int perRow = 1;
    if (viewWidth > 0 && cell.width() > 0 && std::isfinite(viewWidth / cell.width())) {
        perRow = int(std::clamp(std::trunc(viewWidth / cell.width()), 1.0, 1e6));
        cell.setWidth(viewWidth / perRow);
    }
    charSize_ = cell;
    perRow_ = perRow;

    float height = 0;
    for (auto it = groups_.rbegin(); it != groups_.rend(); ++it) {
        it->setCharSize(cell, height, perRow, env);
        height = float(it->top());
    }
    tableHeight_ = height;
    const double visibleHeight = env.visibleSize.height();
    if (visibleHeight > tableHeight_) {
        tableHeight_ = float(visibleHeight);
        float bottom = tableHeight_;
        for (auto& g : groups_) {
            bottom = float(bottom - g.bounds().height());
            g.setCharSize(cell, bottom, perRow, env);
        }
    }
}

void RbxCharTable::expandAllGroups(bool expanded) {
    RbxDefaults::userDefaults().setDefaultBlocksCollapsed(!expanded);
    for (auto& g : groups_) g.group().setExpanded(expanded);
}

std::size_t RbxCharTable::firstIndexOfGroup(std::size_t group) const {
    std::size_t sum = 0;
    for (std::size_t i = 0; i < group && i < groups_.size(); ++i) sum += groups_[i].count();
    return sum;
}

std::size_t RbxCharTable::totalCount() const { return firstIndexOfGroup(groups_.size()); }

std::optional<std::pair<std::size_t, std::size_t>> RbxCharTable::locate(std::size_t index) const {
    if (index == kx::NotFound) return std::nullopt;
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        const std::size_t n = groups_[i].count();
        if (index < n) return std::make_pair(i, index);
        index -= n;
    }
    return std::nullopt;
}

std::size_t RbxCharTable::indexOfCharacterAtPoint(const QPointF& p) const {
    std::size_t sum = 0;
    for (const auto& g : groups_) {
        if (pointInRect(p, g.bounds())) {
            const std::size_t local = g.indexOfCharacterAtPoint(p);
            return local == kx::NotFound ? kx::NotFound : sum + local;
        }
        sum += g.count();
    }
    return kx::NotFound;
}

std::size_t RbxCharTable::indexOfCharacter(char32_t c) const {
    if (c == 0) return kx::NotFound;
    for (std::size_t i = groups_.size(); i-- > 0;) {
        const std::size_t local = groups_[i].indexOfCharacter(c, true);
        if (local != kx::NotFound) return firstIndexOfGroup(i) + local;
    }
    return kx::NotFound;
}

QRectF RbxCharTable::rectForCharacterAtIndex(std::size_t index) const {
    const auto at = locate(index);
    return at ? groups_[at->first].rectForCharacterAtIndex(at->second) : QRectF();
}

char32_t RbxCharTable::characterAtIndex(std::size_t index) const {
    const auto at = locate(index);
    return at ? groups_[at->first].characterAtIndex(at->second) : 0;
}

const RbxTableGroup* RbxCharTable::groupAtIndex(std::size_t index) const {
    const auto at = locate(index);
    return at ? &groups_[at->first] : nullptr;
}

const RbxTableGroup* RbxCharTable::groupAtPoint(const QPointF& p, const QRectF& visibleRect) const {
    if (!pointInRect(p, visibleRect)) return nullptr;
    for (const auto& g : groups_)
        if (pointInRect(p, g.bounds())) return &g;
    return nullptr;
}

RbxTableGroup* RbxCharTable::groupAtPoint(const QPointF& p, const QRectF& visibleRect) {
    return const_cast<RbxTableGroup*>(std::as_const(*this).groupAtPoint(p, visibleRect));
}

bool RbxCharTable::isGroupVisible(const RbxTableGroup& group, const QRectF& visibleRect) {
    return intersects(visibleRect, group.bounds());
}

std::size_t RbxCharTable::indexOfFirstVisibleGroup(double visibleTop) const {
    const float y = float(visibleTop - 4);
    for (std::size_t i = 0; i < groups_.size(); ++i)
        if (groups_[i].bottom() <= y) return i;
    return 0;
}

float RbxCharTable::scrollOriginForY(double y, double visibleHeight) {
    const float origin = float(y - visibleHeight);
    return origin > 0 ? origin : 0;
}

double RbxCharTable::yForCharacter(char32_t c) const {
    if (c != 0) {
        for (std::size_t i = groups_.size(); i-- > 0;) {
            const std::size_t local = groups_[i].indexOfCharacter(c, true);
            if (local != kx::NotFound) return groups_[i].bestTopOfCharacterAtIndex(local);
        }
    }
    return tableHeight_;
}

void RbxCharTable::saveAnchorCharacter(double visibleTop) {
    const float y = float(visibleTop - 4);
    for (auto& g : groups_) {
        if (g.bottom() <= y) {
            g.saveAnchorAtY(y);
            return;
        }
    }
}

double RbxCharTable::anchorTop() const {
    for (const auto& g : groups_) {
        const double y = g.anchorY();
        if (y > 0) return y;
    }
    return 0;
}

double RbxCharTable::topKeepingDistance(double oldTableHeight, double oldVisibleTop) const {
    return tableHeight_ - float(oldTableHeight - oldVisibleTop);
}

QRectF RbxCharTable::visibleRectForScrollValue(double value, const QSizeF& viewport) const {
    const double top = tableHeight_ - value;
    return QRectF(0, top - viewport.height(), viewport.width(), viewport.height());
}

double RbxCharTable::scrollValueForY(double y, const QSizeF& viewport) const {
    const double top = scrollOriginForY(y, viewport.height()) + viewport.height();
    const double maxValue = std::max(0.0, double(tableHeight_) - viewport.height());
    return std::clamp(double(tableHeight_) - top, 0.0, maxValue);
}

QPointF RbxCharTable::tablePointFromViewport(const QPointF& p, double scrollValue) const {
    return QPointF(p.x(), tableHeight_ - scrollValue - p.y());
}

QRectF RbxCharTable::viewportRectFromTable(const QRectF& r, double scrollValue) const {
    return QRectF(r.x(), tableHeight_ - scrollValue - maxY(r), r.width(), r.height());
}

QRectF RbxCharTable::tableRectFromViewport(const QRectF& r, double scrollValue) const {
    return QRectF(r.x(), tableHeight_ - scrollValue - (r.y() + r.height()), r.width(), r.height());
}
