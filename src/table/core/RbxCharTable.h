#pragma once
// The character table's groups with their layout, the character index across groups, and
// scrolling with the scroll anchor, in table coordinates (RbxGeometry.h): groups are
// stacked upwards from y = 0, the first group on top; a scroll position names the top
// edge of the visible area.
//
// A global character index is the sum of the counts of all earlier groups plus the index
// inside the group; kx::NotFound means none.

#include "table/core/RbxTableGroup.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <vector>

class RbxCharTable {
public:
    // Replaces the groups (a new font, layout or view).
    void setGroups(const std::vector<std::shared_ptr<RbxCharGroup>>& groups);
    std::vector<RbxTableGroup>& groups() { return groups_; }
    const std::vector<RbxTableGroup>& groups() const { return groups_; }

    // The number of characters fitted into the visible area: with "fitAscii", a table of
    // exactly one group of the basic kind fits its count; else 0.
    std::size_t charactersToFit(bool fitAscii) const;

    // Lays the groups out for scaled cells in a view `viewWidth` wide: as many cells per
    // row as fit (at least one), stretched to fill the row; groups bottom-up from y = 0; a
    // table lower than the visible area is as high as it and hugs its top.
    void layout(const QSizeF& cellSize, double viewWidth, const RbxTableEnvironment& env);
    QSizeF charSize() const { return charSize_; }
    int charactersPerRow() const { return perRow_; }
    float tableHeight() const { return tableHeight_; }

    // Expands or collapses every group and makes that the settings' default.
    void expandAllGroups(bool expanded);

    // Sum of the counts of the groups before position `group`.
    std::size_t firstIndexOfGroup(std::size_t group) const;
    // Sum of all counts.
    std::size_t totalCount() const;
    // The position of the group that holds a global index, and the local index in it.
    std::optional<std::pair<std::size_t, std::size_t>> locate(std::size_t index) const;

    std::size_t indexOfCharacterAtPoint(const QPointF& p) const;
    // The lowest group holding the character wins; kx::NotFound for 0 and absent ones.
    std::size_t indexOfCharacter(char32_t c) const;
    QRectF rectForCharacterAtIndex(std::size_t index) const;
    char32_t characterAtIndex(std::size_t index) const;
    const RbxTableGroup* groupAtIndex(std::size_t index) const;
    // Only points of the visible rectangle have a group.
    const RbxTableGroup* groupAtPoint(const QPointF& p, const QRectF& visibleRect) const;
    RbxTableGroup* groupAtPoint(const QPointF& p, const QRectF& visibleRect);
    static bool isGroupVisible(const RbxTableGroup& group, const QRectF& visibleRect);
    // The position of the first group whose bottom is at or below the visible top less 4;
    // 0 when none.
    std::size_t indexOfFirstVisibleGroup(double visibleTop) const;

    // Scrolling: the y values name the visible top.
    // The visible rectangle's bottom for a wanted visible top (never below 0).
    static float scrollOriginForY(double y, double visibleHeight);
    // The visible top that shows a character: its group's best top, else the table's top.
    double yForCharacter(char32_t c) const;
    // Saves the anchor in the first group whose bottom lies at or below visibleTop - 4.
    void saveAnchorCharacter(double visibleTop);
    // The visible top that shows the saved anchor: the first positive anchorY, else 0.
    double anchorTop() const;
    // After a new layout: the visible top that keeps the distance from the table's top.
    double topKeepingDistance(double oldTableHeight, double oldVisibleTop) const;

    // Conversion to a scroll area whose scroll value 0 shows the table's top and whose
    // y axis points down.
    QRectF visibleRectForScrollValue(double value, const QSizeF& viewport) const;
    // The scroll value (clamped to the table) for a wanted visible top.
    double scrollValueForY(double y, const QSizeF& viewport) const;
    // A point of the viewport (y down) in the table; pass a pixel's centre (x + 0.5,
    // y + 0.5) so that the pixel row under a cell's top edge belongs to that cell.
    QPointF tablePointFromViewport(const QPointF& p, double scrollValue) const;
    QRectF viewportRectFromTable(const QRectF& r, double scrollValue) const;
    QRectF tableRectFromViewport(const QRectF& r, double scrollValue) const;

private:
    std::vector<RbxTableGroup> groups_;
    QSizeF charSize_;
    int perRow_ = 1;
    float tableHeight_ = 0;
};
