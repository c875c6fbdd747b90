#include "table/core/RbxTableGroup.h"

#include "core/ModifierFlags.h"
#include "table/core/RbxGeometry.h"
#include "model/CharacterText.h"

#include <algorithm>
#include <climits>
#include <cmath>

using namespace rbx::geom;

namespace {

// trunc(value) as a non-negative row or column number; nullopt for values that are
// negative, not finite or too large to be one.
std::optional<long long> wholeCount(double value) {
    if (!std::isfinite(value) || value < 0 || value >= double(LLONG_MAX / 2)) return std::nullopt;
    return static_cast<long long>(std::trunc(value));
}

bool isRecentKind(std::int32_t kind) { return kind == RbxRecentGroupKind || kind == RbxRecentLayoutGroupKind; }

} // namespace

RbxTableGroup::RbxTableGroup(std::shared_ptr<RbxCharGroup> group)
    : group_(group ? std::move(group) : std::make_shared<RbxCharGroup>()) {}

std::size_t RbxTableGroup::count() const {
    if (!group_->hasCharacterList()) return 0;
    const std::size_t length = group_->characters().size();
    if (isRecentKind(groupKind()) && truncation_ >= 1 && std::size_t(truncation_) < length)
        return std::size_t(truncation_);
    return length;
}

char32_t RbxTableGroup::characterAtIndex(std::size_t index) const {
    if (index == kx::NotFound || index >= count()) return 0;
    return group_->characters()[index];
}

QString RbxTableGroup::charactersAsString() const {
    const RbxVirtualCharacters& v = CharacterText::virtualCharacters();
    QString text;
    text.reserve(qsizetype(group_->characters().size()));
    for (char32_t c : group_->characters()) {
        if (c == 0 || c > 0x10FFFF || v.isVirtualCharacter(c)) continue;
        const char32_t one[1] = {c};
        text += QString::fromUcs4(one, 1);
    }
    return text;
}

QString RbxTableGroup::allCharactersText() const {
    QString text;
    for (char32_t c : group_->characters()) text += CharacterText::stringWithCharacter(c);
    return text;
}

QString RbxTableGroup::characterDescriptions(bool asTable) const {
    QString text;
    for (char32_t c : group_->characters()) {
        text += CharacterText::descriptionOfCharacterOrLigature(c, asTable);
        text += QLatin1Char('\n');
    }
    return text;
}

QString RbxTableGroup::displayName() const {
    const QString name = group_->name().isEmpty() ? QStringLiteral("???") : group_->name();
    return QStringLiteral("%1 (%2)").arg(name).arg(count());
}

QString RbxTableGroup::description() const { return QStringLiteral("%1 (%2)").arg(group_->name()).arg(count()); }

void RbxTableGroup::setCharSize(const QSizeF& cellSize, float bottom, int charactersPerRow,
                                const RbxTableEnvironment& env) {
    charSize_ = cellSize;
    perRow_ = charactersPerRow;
    truncation_ = 0;
    nRows_ = 0;
    const double hh = headerHeight();
    const double W = env.visibleSize.width(), H = env.visibleSize.height();
    const std::int32_t kind = groupKind();

    if (kind == RbxFavoritesGroupKind && count() == 0) {
        float t = float(hh);
        if (isExpanded()) {
            const double hint = env.favoritesHint ? env.favoritesHint->height(W) : 0;
            t = float(hint + 10 + t);
        }
        bounds_ = QRectF(0, bottom, W, t);
        return;
    }
    if (kind == RbxMessageGroupKind) {
        bounds_ = QRectF(0, bottom, W, H);
        return;
    }
    if (kind == RbxRecentGroupKind) {
        truncation_ = int(std::min<long long>(INT_MAX, (long long)std::max(1, env.recentLines) * std::max(0, charactersPerRow)));
    } else if (kind == RbxRecentLayoutGroupKind) {
        const double h = cellSize.height();
        const auto rows = h > 0 ? wholeCount((H - hh + 1) / h) : std::nullopt;
        truncation_ = int(std::min<long long>(INT_MAX, rows.value_or(0) * std::max(0, charactersPerRow)));
    }

    double h = cellSize.height();
    const std::size_t n = std::size_t(std::max(0, charactersPerRow));
    const std::size_t c = count();
    if (c != 0 && n != 0) {
        nRows_ = int(std::min<std::size_t>(INT_MAX, (c + n - 1) / n));
        if (kind == RbxBasicGroupKind && env.fitAscii) {
            const float g = float(h * nRows_ + hh);
            if (H > g && nRows_ >= 3 && 0.8 * H <= g) h = (H - hh) / nRows_;
        }
        h = std::round(h * nRows_) / nRows_;
    }
    charSize_.setHeight(h);
    bounds_ = QRectF(0, bottom, cellSize.width() * double(n), hh);
    if (isExpanded()) bounds_.setHeight(hh + h * nRows_);
}

QRectF RbxTableGroup::headerArea() const {
    if (!showsHeader()) return {};
    return QRectF(0, top() - HeaderAreaHeight, bounds_.width(), HeaderAreaHeight);
}

QRectF RbxTableGroup::disclosureArea() const {
    if (!showsHeader()) return {};
    return QRectF(DisclosureLeft, top() - 28, DisclosureWidth, HeaderAreaHeight);
}

QRectF RbxTableGroup::headerTitleArea() const {
    if (!showsHeader()) return {};
    const double left = std::trunc(DisclosureLeft + DisclosureWidth);
    const QRectF header = headerArea();
    return QRectF(left, header.y() + TitleInset, header.width() - left, header.height() - 2 * TitleInset);
}

bool RbxTableGroup::headerContainsPoint(const QPointF& p) const {
    return showsHeader() && pointInRect(p, bounds_) && p.y() >= top() - headerHeight();
}

QRectF RbxTableGroup::gridArea() const {
    return QRectF(bounds_.x(), bounds_.y(), bounds_.width(), std::max(0.0, bounds_.height() - headerHeight()));
}

std::array<QPointF, 3> RbxTableGroup::disclosureTriangle() const {
    const QPointF centre = QRectF(DisclosureLeft, top() - 28, DisclosureWidth, HeaderAreaHeight).center();
    const double a = isExpanded() ? 0 : 90;
    std::array<QPointF, 3> corners;
    const double angles[3] = {a - 90, a + 30, a + 150};
    for (int i = 0; i < 3; ++i) {
        const double r = angles[i] * M_PI / 180;
        corners[std::size_t(i)] = centre + QPointF(TriangleRadius * std::cos(r), TriangleRadius * std::sin(r));
    }
    return corners;
}

RbxHeaderAction RbxTableGroup::headerClickAction(const QPointF& p, int clickCount, int eventType,
                                                 std::uint32_t modifierFlags) const {
    if (!showsHeader()) return RbxHeaderAction::None;
    if (pointInRect(p, disclosureArea()) || clickCount == 2)
        return (modifierFlags & kx::modifier::Option) ? RbxHeaderAction::ToggleAllGroups : RbxHeaderAction::ToggleGroup;
    if (eventType == 3 || (eventType == 1 && (modifierFlags & kx::modifier::Mask) == kx::modifier::Control))
        return RbxHeaderAction::ShowMenu;
    return RbxHeaderAction::None;
}

std::size_t RbxTableGroup::indexOfCharacterAtPoint(const QPointF& p) const {
    if (!isExpanded() || !pointInRect(p, bounds_)) return kx::NotFound;
    const float d = float(top() - headerHeight() - p.y());
    if (d < 0) return kx::NotFound;
    const double w = charSize_.width(), h = charSize_.height();
    if (!(w > 0) || !(h > 0) || perRow_ <= 0) return kx::NotFound;
    const auto row = wholeCount(d / h);
    if (!row || *row >= nRows_) return kx::NotFound;
    const auto column = wholeCount((p.x() - bounds_.x()) / w);
    if (!column || *column >= perRow_) return kx::NotFound;
    const std::size_t index = std::size_t(*column) + std::size_t(*row) * std::size_t(perRow_);
    return index < count() ? index : kx::NotFound;
}

QRectF RbxTableGroup::rectForCharacterAtIndex(std::size_t index) const {
    if (index == kx::NotFound || !isExpanded() || index >= count() || perRow_ <= 0) return {};
    const std::size_t n = std::size_t(perRow_);
    const std::size_t row = index / n, column = index - row * n;
    const double w = charSize_.width(), h = charSize_.height();
    return QRectF(bounds_.x() + double(column) * w, bounds_.y() + double(nRows_ - 1 - long(row)) * h, w, h);
}

std::size_t RbxTableGroup::indexOfCharacter(char32_t c, bool exact) const {
    const auto& chars = group_->characters();
    if (isRecentKind(groupKind())) {
        const auto end = chars.begin() + std::ptrdiff_t(count());
        const auto it = std::find(chars.begin(), end, c);
        return it != end ? std::size_t(it - chars.begin()) : kx::NotFound;
    }
    if (group_->isAscending()) {
        const auto it = std::lower_bound(chars.begin(), chars.end(), c);
        if (it != chars.end() && *it == c) return std::size_t(it - chars.begin());
        return exact ? kx::NotFound : (it == chars.end() ? count() : std::size_t(it - chars.begin()));
    }
    // Written order: the list is searched whole.
    const auto it = std::find(chars.begin(), chars.end(), c);
    if (it != chars.end()) return std::size_t(it - chars.begin());
    if (exact) return kx::NotFound;
    std::size_t best = kx::NotFound;
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (chars[i] > c && (best == kx::NotFound || chars[i] < chars[best])) best = i;
    return best == kx::NotFound ? count() : best;
}

double RbxTableGroup::bestTopOfCharacterAtIndex(std::size_t index) const {
    const std::size_t n = std::size_t(std::max(0, perRow_));
    if (count() == 0 || n == 0 || !isExpanded() || index < n) return top();
    if (index >= count()) return bottom();
    return top() - headerHeight() - double(index / n) * charSize_.height();
}

std::optional<RbxCellRange> RbxTableGroup::dirtyRange(const QRectF& dirty) const {
    if (!isExpanded() || nRows_ <= 0 || perRow_ <= 0 || !intersects(dirty, gridArea())) return std::nullopt;
    const double w = charSize_.width(), h = charSize_.height();
    if (!(w > 0) || !(h > 0)) return std::nullopt;
    const double gridTop = top() - headerHeight();
    auto index = [](double v) { return std::isfinite(v) ? std::clamp(std::trunc(v), -1e9, 1e9) : (v > 0 ? 1e9 : -1e9); };
    RbxCellRange r;
    r.perRow = perRow_;
    r.firstRow = int(std::max(0.0, index(float(gridTop - maxY(dirty)) / h)));
    r.lastRow = int(std::min(double(nRows_ - 1), index(float(gridTop - minY(dirty)) / h)));
    r.firstColumn = int(std::max(0.0, index(float(minX(dirty) - bounds_.x()) / w)));
    r.lastColumn = int(std::min(double(perRow_ - 1), index(float(maxX(dirty) - bounds_.x()) / w)));
    if (r.lastRow < r.firstRow || r.lastColumn < r.firstColumn) return std::nullopt;
    r.firstIndex = std::size_t(r.firstRow) * std::size_t(perRow_);
    r.endIndex = std::min(std::size_t(r.lastRow + 1) * std::size_t(perRow_), count());
    if (r.firstIndex >= r.endIndex) return std::nullopt;
    return r;
}

bool RbxTableGroup::meetsRect(const QRectF& rect) const { return intersects(rect, bounds_); }

void RbxTableGroup::saveAnchorAtY(float y) {
    if (isExpanded() && count() != 0 && charSize_.height() > 0) {
        const float d = float(top() - headerHeight() - y);
        if (d >= 0) {
            const auto row = wholeCount(d / charSize_.height());
            if (row && *row != 0) {
                saveAnchorAtIndex(*row < nRows_ ? std::size_t(*row) * std::size_t(perRow_) : count() - 1);
                return;
            }
        }
    }
    saveAnchorAtGroupStart();
}

void RbxTableGroup::saveAnchorAtIndex(std::size_t index) {
    if (group_->layout()) group_->layout()->saveAnchorCharacter(characterAtIndex(index), group_->layoutIndex());
}

void RbxTableGroup::saveAnchorAtGroupStart() {
    if (group_->layout()) group_->layout()->saveAnchorAtStartOfGroup(group_->layoutIndex());
}

double RbxTableGroup::anchorY() const {
    const auto& layout = group_->layout();
    if (!layout) return 0;
    const int anchorGroup = layout->anchorGroup();
    if (group_->layoutIndex() < anchorGroup) return 0;
    if (group_->layoutIndex() == anchorGroup)
        return bestTopOfCharacterAtIndex(layout->anchorIndexInCharacters(group_->characters()));
    return top();
}
