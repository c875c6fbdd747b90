#pragma once
// The selection of a table view: the selected cell, the press in progress, the hover
// selection that follows the mouse (with its postponed and suppressed updates), and the
// magnifier popover that shows the selected character. One per table view, made and held
// by it. Main thread only.

#include "core/Types.h"
#include "platform/fonts/Font.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <QObject>
#include <QPointF>
#include <QRect>
#include <cstddef>
#include <memory>

class RbxCharView;

class RbxCharSelection : public QObject {
    Q_OBJECT
public:
    explicit RbxCharSelection(RbxCharView& view);
    ~RbxCharSelection() override;

    // ---- the selected cell (global indexes; kx::NotFound is none)
    std::size_t selectedCharIndex() const { return selectedCharIndex_; }
    char32_t selectedCharacter() const;
    // Selects an index (kx::NotFound deselects), redraws both cells and shows the
    // character's information; during a press (or a programmatic selection) the cell is
    // scrolled into view. Then the magnifier is placed anew.
    void selectCharacterAtIndex(std::size_t index);
    // Sets the index without scrolling or information, and repaints at once.
    void temporarilySelectCharacterAtIndex(std::size_t index);
    // Selects the index near the middle of the visible area and lets it blink.
    void selectAndShowCharacterAtIndex(std::size_t index);
    // Off at 0.2 s, on at 0.3 s, off at 0.4 s, on at 0.5 s; nothing for kx::NotFound.
    void blinkCharacterAtIndex(std::size_t index);
    // Marks the selected cell for redrawing.
    void invalidateSelection();
    // Forgets the selected cell (the groups were replaced), and with it its tool tip and
    // magnifier.
    void forget();

    // The press in progress (RbxCharView::ClickButton).
    int clickButton() const { return clickButton_; }
    void setClickButton(int button);
    bool duringClick() const;

    // ---- the hover selection: the cell under the mouse while the mouse is in the window,
    // over the visible table, with no sheet and no menu; none otherwise. Frozen while the
    // window is hidden or one of the table's menus is open.
    void updateSelection();
    // Deselect and select again after a moment (the magnifier hides meanwhile).
    void reselectAfterDelay();
    void reselectAfterScrolling();
    // Keeps the selection as it is for `seconds`.
    void suppressSelectionUpdate(float seconds);
    // The hover selection is frozen (the cell stays drawn pressed).
    bool updateSuppressed() const { return updateSuppressed_; }
    // The mouse location the hover selection used last, in viewport coordinates;
    // (-1, -1) when none.
    QPointF prevMouseLocation() const { return prevMouseLocation_; }

    // ---- the magnifier popover (the table's own, RbxMagnifierPopup, unless another is
    // given; null: none)
    void setMagnifierPopover(std::shared_ptr<RbxMagnifierPopover> popover);
    RbxMagnifierPopover& magnifierPopover() const { return *magnifier_; }
    // The magnifier is on screen and stays: the palette keeps the keys while it is. One
    // about to close (its selection is gone) holds nothing.
    bool magnifierHoldsKeys() const { return magnifier_->isShown() && !shouldHideMagnifier_; }
    // Shows, moves or hides the magnifier after a change of selection, scrolling or
    // modifier keys.
    void selectionRectChanged();
    // Whether the magnifier is wanted now, and the font and cell it would show.
    struct MagnifierPlacement {
        bool wanted = false;
        char32_t character = 0;
        rbx::Font font;
        QRect cell;  // global coordinates; empty: the selection has no cell
    };
    MagnifierPlacement magnifierPlacement() const;
    // Closes the popover and leaves the help mode (a menu or new cells take over).
    void hideMagnifier();
    // The table is no longer shown (another page, or the window hidden): nothing is selected.
    void tableHidden();

private:
    // Hides the magnifier and forgets where the mouse was, so that the next update selects
    // anew.
    void forgetHover();
    void updateSelectionLater(int ms);
    // A postponed update: true when it is still to come (and is then scheduled).
    bool postponed(qint64& due, qint64 now);
    void closeMagnifierLater();
    rbx::Font magnifierFont(char32_t c, const QRectF& cell) const;

    RbxCharView& view_;
    std::size_t selectedCharIndex_ = kx::NotFound;
    int clickButton_ = 0;
    bool updateSuppressed_ = false;
    // Monotonic milliseconds; 0 = not set.
    qint64 updateSuppressedUntilMs_ = 0;
    qint64 nextSelectionUpdateMs_ = 0;
    QPointF prevMouseLocation_{-1, -1};
    std::shared_ptr<RbxMagnifierPopover> magnifier_;
    bool shouldHideMagnifier_ = false;
};
