// The table view: selection, the hover selection, the magnifier hand-off, group headers
// and the tool tip.
#include "table/widgets/RbxCharView.h"

#include "insertion/RbxClipboardCopies.h"

#include "core/ModifierFlags.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/KXToolTip.h"
#include "table/core/RbxCellGlyphs.h"
#include "table/core/RbxGeometry.h"
#include "model/CharacterText.h"
#include "table/core/RbxTools.h"

#include "core/CharSet.h"
#include "table/widgets/RbxCharViewInternal.h"
#include "table/widgets/RbxMagnifier.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

using namespace rbx::geom;


// ---------------------------------------------------------------- selection

void RbxCharView::selectCharacterAtIndex(std::size_t index) {
    if (index == selectedCharIndex_) return;
    invalidateSelection();
    selectedCharIndex_ = index;
    invalidateSelection();
    displayCharacterInfo(characterAtIndex(index));
    if (index != kx::NotFound && clickButton_ >= LeftClick) {
        QRectF cell = rectForCharacterAtIndex(index);
        if (!cell.isEmpty()) {
            if (clickButton_ == ProgrammaticClick) {
                // Bring the cell near the middle of the visible area.
                const float d = float((scrollArea().height() - cell.height()) * 0.5 - 40);
                cell.adjust(0, -d, 0, d);
            }
            scrollRectToVisible(cell);
        }
    }
    selectionRectChanged();
}

void RbxCharView::temporarilySelectCharacterAtIndex(std::size_t index) {
    invalidateSelection();
    selectedCharIndex_ = index;
    invalidateSelection();
    viewport()->repaint();
}

void RbxCharView::selectAndShowCharacterAtIndex(std::size_t index) {
    const int before = clickButton_;
    clickButton_ = ProgrammaticClick;
    selectCharacterAtIndex(index);
    clickButton_ = before;
    blinkCharacterAtIndex(index);
}

void RbxCharView::blinkCharacterAtIndex(std::size_t index) {
    if (index == kx::NotFound) return;
    QPointer<RbxCharView> self(this);
    const std::pair<int, std::size_t> steps[] = {{200, kx::NotFound}, {300, index}, {400, kx::NotFound}, {500, index}};
    for (const auto& [ms, i] : steps)
        QTimer::singleShot(ms, this, [self, i = i] {
            if (self) self->temporarilySelectCharacterAtIndex(i);
        });
}

char32_t RbxCharView::selectedCharacter() const { return characterAtIndex(selectedCharIndex_); }

void RbxCharView::invalidateSelection() { invalidateCharacterAtIndex(selectedCharIndex_); }

void RbxCharView::invalidateCharacterAtIndex(std::size_t index) {
    const QRectF cell = rectForCharacterAtIndex(index);
    if (cell.isEmpty()) return;
    viewport()->update(viewportRectFromTable(cell).toAlignedRect().adjusted(-1, -1, 1, 1));
}

void RbxCharView::setClickButton(int button) {
    if (button == clickButton_) return;
    clickButton_ = button;
    invalidateSelection();
}

// ---------------------------------------------------------------- hover selection

QPoint RbxCharView::globalMouseLocation() const { return mouse_->globalMouseLocation(); }

QPointF RbxCharView::currentMouseLocation() const { return QPointF(viewport()->mapFromGlobal(globalMouseLocation())); }

void RbxCharView::updateSelection() {
    const qint64 now = monotonicMs();
    // A postponed update: try again when it is due.
    for (qint64* due : {&nextSelectionUpdateMs_, &updateSuppressedUntilMs_}) {
        if (!*due) continue;
        const qint64 wait = *due - now;
        if (wait >= 0) {
            QPointer<RbxCharView> self(this);
            QTimer::singleShot(int(wait) + 10, this, [self] {
                if (self) self->updateSelection();
            });
            return;
        }
        *due = 0;
        if (due == &updateSuppressedUntilMs_ && updateSuppressed_) {
            updateSuppressed_ = false;
            invalidateSelection();
        }
    }
    if (!window()->isVisible() || contextMenuOpen_) return;

    QPointF p(-1, -1);
    if (inWindow_ && !inSheet_ && !menuOpen_ && !windowHasSheet()) {
        const QPointF here = currentMouseLocation();
        if (QRectF(viewport()->rect()).contains(here)) p = here;
    }
    if (p == prevMouseLocation_) return;
    prevMouseLocation_ = p;
    selectCharacterAtIndex(p.x() < 0 ? kx::NotFound : indexOfCharacterAtViewportPoint(p.toPoint()));
}

void RbxCharView::reselectAfterDelay() {
    RbxMagnifier::magnifier().hide();
    magnifier_->close();
    prevMouseLocation_ = QPointF(-1, -1);
    selectCharacterAtIndex(kx::NotFound);
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(10, this, [self] {
        if (self) self->updateSelection();
    });
}

void RbxCharView::reselectAfterScrolling() {
    RbxMagnifier::magnifier().hide();
    magnifier_->close();
    prevMouseLocation_ = QPointF(-1, -1);
    nextSelectionUpdateMs_ = monotonicMs() + 100;
    selectCharacterAtIndex(kx::NotFound);
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(110, this, [self] {
        if (self) self->updateSelection();
    });
}

void RbxCharView::suppressSelectionUpdate(float seconds) {
    RbxMagnifier::magnifier().hide();
    magnifier_->close();
    prevMouseLocation_ = QPointF(-1, -1);
    const int ms = std::max(0, int(seconds * 1000));
    updateSuppressedUntilMs_ = monotonicMs() + ms;
    if (!updateSuppressed_) {
        updateSuppressed_ = true;
        invalidateSelection();
    }
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(ms + 100, this, [self] {
        if (self) self->updateSelection();
    });
}

// ---------------------------------------------------------------- magnifier hand-off

void RbxCharView::setMagnifierPopover(std::shared_ptr<RbxMagnifierPopover> popover) {
    if (magnifier_) magnifier_->close();
    magnifier_ = popover ? std::move(popover) : std::make_shared<RbxMagnifierPopover>();
}

std::uint32_t RbxCharView::currentModifierFlags() const { return modifiers_->currentModifierFlags(); }

RbxCharView::MagnifierPlacement RbxCharView::magnifierPlacement() const {
    MagnifierPlacement m;
    const bool shift = currentModifierFlags() & kx::modifier::Shift;
    m.wanted = window()->isVisible() && !windowHasSheet() && selectedCharIndex_ != kx::NotFound &&
               RbxDefaults::userDefaults().boolForKey(rbx::key::magnify) != shift;
    if (!m.wanted) return m;
    const char32_t c = selectedCharacter();
    m.character = c;
    const QRectF cell = rectForCharacterAtIndex(selectedCharIndex_);
    if (cell.isEmpty()) return m;
    const QRect inViewport = viewportRectFromTable(cell).toAlignedRect();
    m.cell = QRect(viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
    m.font = displayFont_;
    // A colour emoji the font does not have is shown as the table draws it: in the colour
    // emoji font, sized to the cell.
    const bool plainDrawing = tuning_.requiresSafeDrawing || kx::CharSet::combiningCharacters().contains(c) ||
                              RbxTools::characterRequiresSafeDrawing(c);
    const bool covered = font_ && font_->coveredCharacters().contains(c);
    const kx::CharSet* emoji = sources_->colorEmojiCharacters();
    if (!plainDrawing && !covered && emoji && emoji->contains(c)) {
        if (const rbx::Font emoji100 = sources_->colorEmojiFont(100)) {
            const QRectF box = rbx::qt::metrics(emoji100).boundingRect;
            if (box.width() > 0 && box.height() > 0)
                m.font = emoji100.withPointSize(rbx::cells::emojiFontSize(cell.size(), box.size(), 90));
        }
    }
    return m;
}

void RbxCharView::selectionRectChanged() {
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

void RbxCharView::closeMagnifierLater() {
    // A selection moving from cell to cell keeps the popover open: it is closed a moment
    // later only when nothing wanted it meanwhile.
    shouldHideMagnifier_ = true;
    QPointer<RbxCharView> self(this);
    QTimer::singleShot(1, this, [self] {
        if (self && self->shouldHideMagnifier_) self->magnifier_->close();
    });
}

// ---------------------------------------------------------------- group headers

void RbxCharView::headerClick(std::size_t position, const QPointF& tablePoint, int clickCount, int eventType,
                              std::uint32_t flags, const QPoint& globalPoint) {
    if (position >= table_.groups().size()) return;
    RbxTableGroup& g = table_.groups()[position];
    switch (g.headerClickAction(tablePoint, clickCount, eventType, flags)) {
    case RbxHeaderAction::ToggleGroup:
        g.group().setExpanded(!g.isExpanded());
        recalculateSize();
        break;
    case RbxHeaderAction::ToggleAllGroups:
        expandAllGroups(!g.isExpanded());
        break;
    case RbxHeaderAction::ShowMenu:
        if (auto menu = headerMenu(position)) {
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu.release()->popup(globalPoint);
        }
        break;
    case RbxHeaderAction::None:
        break;
    }
}

std::unique_ptr<QMenu> RbxCharView::headerMenu(std::size_t position) {
    if (position >= table_.groups().size()) return nullptr;
    auto menu = std::make_unique<QMenu>(QStringLiteral("Runebox"), this);
    const std::shared_ptr<RbxCharGroup> group = table_.groups()[position].groupPointer();
    // The commands act on the group itself, whatever the table shows by the time they run.
    menu->addAction(QStringLiteral("Copy Characters"),
                    [group] { RbxTableClipboard::shared().publishString(RbxTableGroup(group).allCharactersText()); });
    menu->addAction(QStringLiteral("Copy Character Descriptions (as Text)"), [group] {
        RbxTableClipboard::shared().publishString(RbxTableGroup(group).characterDescriptions(false));
    });
    menu->addAction(QStringLiteral("Copy Character Descriptions (as Table)"), [group] {
        RbxTableClipboard::shared().publishString(RbxTableGroup(group).characterDescriptions(true));
    });
    return menu;
}

void RbxCharView::copyAllCharacters(std::size_t position) {
    if (position >= table_.groups().size()) return;
    RbxTableClipboard::shared().publishString(table_.groups()[position].allCharactersText());
}

void RbxCharView::copyCharacterDescriptions(std::size_t position, bool asTable) {
    if (position >= table_.groups().size()) return;
    RbxTableClipboard::shared().publishString(table_.groups()[position].characterDescriptions(asTable));
}

// ---------------------------------------------------------------- tool tip

QString RbxCharView::tooltipTextForCharacter(char32_t c) {
    if (c == 0) return {};
    const QString s = CharacterText::stringWithCharacter(c);
    const int roman = sources_->romanForUnicode(font_, c) & 0xFFFF;
    const std::uint32_t glyph = cellTexts_.glyphForCharacter(c);
    QString text = roman != 0 ? QStringLiteral("Char: \"%1\"\nUnicode: %2\nRoman: %3\nGlyph: %4")
                                    .arg(s)
                                    .arg(quint32(c))
                                    .arg(roman)
                                    .arg(glyph)
                              : QStringLiteral("Char: \"%1\"\nUnicode: %2\nGlyph: %3").arg(s).arg(quint32(c)).arg(glyph);
    const QString entity = sources_->htmlEntityForCharacter(c);
    if (!entity.isEmpty()) text = QStringLiteral("%1\nHTML: %2").arg(text, entity);
    return text;
}

void RbxCharView::showTooltipForCharacter(char32_t c) {
    if (c == 0 || !RbxDefaults::userDefaults().boolForKey(rbx::key::showTooltips)) {
        KXToolTip::hide();
        return;
    }
    if (!tooltip_) tooltip_ = KXToolTip::tooltip();
    const QRectF cell = viewportRectFromTable(rectForCharacterAtIndex(selectedCharIndex_));
    tooltip_->showString(tooltipTextForCharacter(c), viewport()->mapToGlobal(cell.topLeft().toPoint()));
}
