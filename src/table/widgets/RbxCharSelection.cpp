// The table view's selection: the selected cell, the hover selection and the magnifier.
#include "table/widgets/RbxCharSelection.h"

#include "core/CharSet.h"
#include "core/ModifierFlags.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "table/core/RbxCellGlyphs.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxCharTracking.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxCharViewInternal.h"
#include "table/widgets/RbxMagnifier.h"
#include "table/widgets/RbxMagnifierPopup.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <utility>

RbxCharSelection::RbxCharSelection(RbxCharView& view)
    : view_(view), magnifier_(std::make_shared<RbxMagnifierPopup>()) {}

RbxCharSelection::~RbxCharSelection() { magnifier_->close(); }

// ---------------------------------------------------------------- the selected cell

char32_t RbxCharSelection::selectedCharacter() const { return view_.characterAtIndex(selectedCharIndex_); }

void RbxCharSelection::selectCharacterAtIndex(std::size_t index) {
    if (index == selectedCharIndex_) return;
    invalidateSelection();
    selectedCharIndex_ = index;
    invalidateSelection();
    view_.displayCharacterInfo(view_.characterAtIndex(index));
    if (index != kx::NotFound && clickButton_ >= RbxCharView::LeftClick) {
        QRectF cell = view_.rectForCharacterAtIndex(index);
        if (!cell.isEmpty()) {
            if (clickButton_ == RbxCharView::ProgrammaticClick) {
                // Bring the cell near the middle of the visible area.
                const float d = float((view_.scrollArea().height() - cell.height()) * 0.5 - 40);
                cell.adjust(0, -d, 0, d);
            }
            view_.scrollRectToVisible(cell);
        }
    }
    selectionRectChanged();
}

void RbxCharSelection::forget() {
    if (selectedCharIndex_ == kx::NotFound) return;
    // The index belongs to the groups that went: nothing of the old cell is redrawn.
    selectedCharIndex_ = kx::NotFound;
    view_.displayCharacterInfo(0);
    selectionRectChanged();
}

void RbxCharSelection::temporarilySelectCharacterAtIndex(std::size_t index) {
    invalidateSelection();
    selectedCharIndex_ = index;
    invalidateSelection();
    view_.viewport()->repaint();
}

void RbxCharSelection::selectAndShowCharacterAtIndex(std::size_t index) {
    const int before = clickButton_;
    clickButton_ = RbxCharView::ProgrammaticClick;
    selectCharacterAtIndex(index);
    clickButton_ = before;
    blinkCharacterAtIndex(index);
}

void RbxCharSelection::blinkCharacterAtIndex(std::size_t index) {
    if (index == kx::NotFound) return;
    QPointer<RbxCharSelection> self(this);
    const std::pair<int, std::size_t> steps[] = {{200, kx::NotFound}, {300, index}, {400, kx::NotFound}, {500, index}};
    for (const auto& [ms, i] : steps)
        QTimer::singleShot(ms, this, [self, i = i] {
            if (self) self->temporarilySelectCharacterAtIndex(i);
        });
}

void RbxCharSelection::invalidateSelection() { view_.invalidateCharacterAtIndex(selectedCharIndex_); }

void RbxCharSelection::setClickButton(int button) {
    if (button == clickButton_) return;
    clickButton_ = button;
    invalidateSelection();
}

bool RbxCharSelection::duringClick() const { return clickButton_ != RbxCharView::NoClick; }

// ---------------------------------------------------------------- the hover selection

bool RbxCharSelection::postponed(qint64& due, qint64 now) {
    if (!due) return false;
    const qint64 wait = due - now;
    if (wait >= 0) {
        updateSelectionLater(int(wait) + 10);
        return true;
    }
    due = 0;
    return false;
}

void RbxCharSelection::updateSelectionLater(int ms) {
    QPointer<RbxCharSelection> self(this);
    QTimer::singleShot(ms, this, [self] {
        if (self) self->updateSelection();
    });
}

void RbxCharSelection::updateSelection() {
    const qint64 now = monotonicMs();
    if (postponed(nextSelectionUpdateMs_, now)) return;
    if (updateSuppressedUntilMs_) {
        if (postponed(updateSuppressedUntilMs_, now)) return;
        if (updateSuppressed_) {
            updateSuppressed_ = false;
            invalidateSelection();
        }
    }
    const RbxCharTracking& tracking = view_.tracking();
    if (!view_.window()->isVisible() || tracking.contextMenuOpen()) return;
    // Only the table's visible part counts: a table on a hidden page selects nothing.
    if (!view_.isVisible()) {
        if (view_.selectedCharIndex() != kx::NotFound || prevMouseLocation_ != QPointF(-1, -1)) tableHidden();
        return;
    }

    QPointF p(-1, -1);
    if (tracking.mouseInWindow() && !tracking.mouseInSheet() && !tracking.menuOpen() &&
        !view_.controller().hasAttachedSheet()) {
        const QPointF here = view_.currentMouseLocation();
        if (QRectF(view_.viewport()->rect()).contains(here)) p = here;
    }
    if (p == prevMouseLocation_) return;
    prevMouseLocation_ = p;
    selectCharacterAtIndex(p.x() < 0 ? kx::NotFound : view_.indexOfCharacterAtViewportPoint(p.toPoint()));
}

void RbxCharSelection::tableHidden() {
    forgetHover();
    selectCharacterAtIndex(kx::NotFound);
}

void RbxCharSelection::forgetHover() {
    hideMagnifier();
    prevMouseLocation_ = QPointF(-1, -1);
}

void RbxCharSelection::reselectAfterDelay() {
    forgetHover();
    selectCharacterAtIndex(kx::NotFound);
    updateSelectionLater(10);
}

void RbxCharSelection::reselectAfterScrolling() {
    forgetHover();
    nextSelectionUpdateMs_ = monotonicMs() + 100;
    selectCharacterAtIndex(kx::NotFound);
    updateSelectionLater(110);
}

void RbxCharSelection::suppressSelectionUpdate(float seconds) {
    forgetHover();
    const int ms = std::max(0, int(seconds * 1000));
    updateSuppressedUntilMs_ = monotonicMs() + ms;
    if (!updateSuppressed_) {
        updateSuppressed_ = true;
        invalidateSelection();
    }
    updateSelectionLater(ms + 100);
}

// ---------------------------------------------------------------- the magnifier

void RbxCharSelection::setMagnifierPopover(std::shared_ptr<RbxMagnifierPopover> popover) {
    if (magnifier_) magnifier_->close();
    magnifier_ = popover ? std::move(popover) : std::make_shared<RbxMagnifierPopover>();
}

void RbxCharSelection::hideMagnifier() {
    RbxMagnifier::magnifier().hide();
    magnifier_->close();
}

RbxCharSelection::MagnifierPlacement RbxCharSelection::magnifierPlacement() const {
    MagnifierPlacement m;
    const bool shift = view_.currentModifierFlags() & kx::modifier::Shift;
    m.wanted = view_.window()->isVisible() && view_.isVisible() && !view_.controller().hasAttachedSheet() &&
               selectedCharIndex_ != kx::NotFound && RbxDefaults::userDefaults().boolForKey(rbx::key::magnify) != shift;
    if (!m.wanted) return m;
    const char32_t c = selectedCharacter();
    m.character = c;
    const QRectF cell = view_.rectForCharacterAtIndex(selectedCharIndex_);
    if (cell.isEmpty()) return m;
    const QRect inViewport = view_.viewportRectFromTable(cell).toAlignedRect();
    m.cell = QRect(view_.viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
    m.font = magnifierFont(c, cell);
    return m;
}

// The font the cells are drawn with; a colour emoji the font does not have is shown as the
// table draws it: in the colour emoji font, sized to the cell.
rbx::Font RbxCharSelection::magnifierFont(char32_t c, const QRectF& cell) const {
    const rbx::Font& font = view_.font();
    const bool plainDrawing = view_.tuning().requiresSafeDrawing || kx::CharSet::combiningCharacters().contains(c) ||
                              RbxTools::characterRequiresSafeDrawing(c);
    const bool covered = font && font->coveredCharacters().contains(c);
    const kx::CharSet* emoji = view_.sources().colorEmojiCharacters();
    if (!plainDrawing && !covered && emoji && emoji->contains(c)) {
        if (const rbx::Font emoji100 = view_.sources().colorEmojiFont(100)) {
            const QRectF box = rbx::qt::metrics(emoji100).boundingRect;
            if (box.width() > 0 && box.height() > 0)
                return emoji100.withPointSize(rbx::cells::emojiFontSize(cell.size(), box.size(), 90));
        }
    }
    return view_.displayFont();
}

void RbxCharSelection::selectionRectChanged() {
    const MagnifierPlacement m = magnifierPlacement();
    if (!m.wanted) {
        closeMagnifierLater();
        return;
    }
    if (m.cell.isEmpty()) {
        RbxMagnifier::magnifier().hide();
        closeMagnifierLater();
        return;
    }
    magnifier_->show(m.character, m.font, m.cell);
    shouldHideMagnifier_ = false;
}

void RbxCharSelection::closeMagnifierLater() {
    // A selection moving from cell to cell keeps the popover open: it is closed a moment
    // later only when nothing wanted it meanwhile.
    shouldHideMagnifier_ = true;
    QPointer<RbxCharSelection> self(this);
    QTimer::singleShot(1, this, [self] {
        if (self && self->shouldHideMagnifier_) self->magnifier_->close();
    });
}
