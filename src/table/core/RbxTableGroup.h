#pragma once
// A group of the character table with its geometry: a header line (disclosure triangle and
// title) above a grid of equal cells, filled row by row from the left, rows counted
// downwards from the header. All rectangles are in table coordinates (RbxGeometry.h).

#include "core/Types.h"
#include "model/RbxCharGroup.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <array>
#include <cstddef>
#include <memory>
#include <optional>

// The text of an empty favourites group, as the drawing lays it out.
class RbxFavoritesHint {
public:
    virtual ~RbxFavoritesHint() = default;
    // Its height laid out in the given width.
    virtual double height(double width) const = 0;
};

// What a layout pass needs to know beyond the cells: the visible part of the table and
// the settings that shape groups.
struct RbxTableEnvironment {
    QSizeF visibleSize;      // width and height of the visible area
    int recentLines = 2;     // "recentLines"
    bool fitAscii = false;   // "fitAscii"
    // The favourites hint (none: no hint, height 0).
    const RbxFavoritesHint* favoritesHint = nullptr;
};

// The cells of a group that a dirty rectangle touches: rows firstRow ... lastRow, columns
// firstColumn ... lastColumn; the local indexes firstIndex up to (not including) endIndex
// are visited row by row, and of them only those in the column range are drawn.
struct RbxCellRange {
    int firstRow = 0, lastRow = -1, firstColumn = 0, lastColumn = -1;
    std::size_t firstIndex = 0, endIndex = 0;
    int perRow = 1;
    bool isDrawn(std::size_t index) const {
        if (index < firstIndex || index >= endIndex) return false;
        const int column = int(index % std::size_t(perRow));
        return column >= firstColumn && column <= lastColumn;
    }
};

// What a press on a group's header does.
enum class RbxHeaderAction { None, ToggleGroup, ToggleAllGroups, ShowMenu };

class RbxTableGroup {
public:
    static constexpr double HeaderHeight = 30;
    static constexpr double HeaderAreaHeight = 29;
    static constexpr double DisclosureLeft = 4;
    static constexpr double DisclosureWidth = 30;
    static constexpr double TitleInset = 6;
    static constexpr double MessageInset = 20;
    static constexpr double TriangleRadius = 5.5;

    explicit RbxTableGroup(std::shared_ptr<RbxCharGroup> group);

    RbxCharGroup& group() { return *group_; }
    const RbxCharGroup& group() const { return *group_; }
    const std::shared_ptr<RbxCharGroup>& groupPointer() const { return group_; }
    std::int32_t groupKind() const { return group_->groupKind(); }
    bool isExpanded() const { return group_->isExpanded(); }
    bool showsHeader() const { return group_->showsHeader(); }

    // Characters shown: the whole list, but for recent groups (kinds 2 and 4) cut to the
    // truncation count when that lies in 1 ... length - 1.
    std::size_t count() const;
    // 0 for kx::NotFound or an index at or beyond count().
    char32_t characterAtIndex(std::size_t index) const;
    // The whole list (not cut) as text; virtual characters are left out.
    QString charactersAsString() const;
    // The whole list with virtual characters spelled out (the header's copy command).
    QString allCharactersText() const;
    // One description line per character, each followed by "\n".
    QString characterDescriptions(bool asTable) const;
    // "name (count)", "???" for an empty name.
    QString displayName() const;
    // "name (count)".
    QString description() const;

    // Lays the group out with its bottom at `bottom`: computes rows, truncation and bounds.
    void setCharSize(const QSizeF& cellSize, float bottom, int charactersPerRow, const RbxTableEnvironment& env);
    QRectF bounds() const { return bounds_; }
    QSizeF charSize() const { return charSize_; }
    int charactersPerRow() const { return perRow_; }
    int nRows() const { return nRows_; }
    int truncationCount() const { return truncation_; }
    double top() const { return bounds_.y() + bounds_.height(); }
    double bottom() const { return bounds_.y(); }

    // 30 with a header, else 0.
    double headerHeight() const { return showsHeader() ? HeaderHeight : 0; }
    QRectF headerArea() const;
    QRectF disclosureArea() const;
    QRectF headerTitleArea() const;
    bool headerContainsPoint(const QPointF& p) const;
    // The bounds without the header.
    QRectF gridArea() const;
    // The three corners of the disclosure triangle: pointing down when expanded, right
    // when collapsed.
    std::array<QPointF, 3> disclosureTriangle() const;
    // What a press on the header does: `eventType` 1 for a left and 3 for a right mouse
    // down, `modifierFlags` in the stored form (Shift 0x20000, Control 0x40000, Option
    // 0x80000, Command 0x100000).
    RbxHeaderAction headerClickAction(const QPointF& p, int clickCount, int eventType, std::uint32_t modifierFlags) const;

    // Local index of the cell under the point, kx::NotFound on the header, on empty cells
    // and outside.
    std::size_t indexOfCharacterAtPoint(const QPointF& p) const;
    // The zero rectangle for kx::NotFound, for a collapsed group and beyond count().
    QRectF rectForCharacterAtIndex(std::size_t index) const;
    // Position of c. Recent groups search their shown characters in recency order. The
    // others: exactly c, else (not exact) the first position holding a larger character
    // in an ascending list, in a list in written order the position of the smallest
    // larger one; count() when there is none; kx::NotFound when exact and absent.
    std::size_t indexOfCharacter(char32_t c, bool exact) const;
    // The y to scroll the visible top to so that the cell shows.
    double bestTopOfCharacterAtIndex(std::size_t index) const;

    // The cells a dirty rectangle touches; nullopt when there are none to draw.
    std::optional<RbxCellRange> dirtyRange(const QRectF& dirty) const;
    // The dirty rectangle meets the group.
    bool meetsRect(const QRectF& rect) const;

    // Scroll anchor, kept by the group's layout.
    void saveAnchorAtY(float y);
    void saveAnchorAtIndex(std::size_t index);
    void saveAnchorAtGroupStart();
    double anchorY() const;

private:
    std::shared_ptr<RbxCharGroup> group_;
    QRectF bounds_;
    QSizeF charSize_;
    int perRow_ = 0;
    int nRows_ = 0;
    int truncation_ = 0;
};
