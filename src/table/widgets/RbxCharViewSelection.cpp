// The table view: selection, presses and releases, group headers and the tool tip.
#include "table/widgets/RbxCharView.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/KXToolTip.h"
#include "table/core/RbxGeometry.h"
#include "table/core/RbxTools.h"

#include <QCursor>
#include <algorithm>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

using namespace rbx::geom;

namespace {

// Qt's modifiers in the stored form: Command is Ctrl, Control is Super (Meta), Option is Alt.
std::uint32_t modifierFlags(Qt::KeyboardModifiers m) {
    std::uint32_t flags = 0;
    if (m & Qt::ShiftModifier) flags |= 0x20000;
    if (m & Qt::MetaModifier) flags |= 0x40000;
    if (m & Qt::AltModifier) flags |= 0x80000;
    if (m & Qt::ControlModifier) flags |= 0x100000;
    return flags;
}

} // namespace

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

void RbxCharView::setUpdateSuppressed(bool suppressed) {
    if (suppressed == updateSuppressed_) return;
    updateSuppressed_ = suppressed;
    invalidateSelection();
}

// ---------------------------------------------------------------- mouse

void RbxCharView::hoverSelect(const QPoint& p) {
    if (updateSuppressed_) return;
    selectCharacterAtIndex(indexOfCharacterAtViewportPoint(p));
}

void RbxCharView::handlePress(QMouseEvent* event, int clickCount) {
    const QPoint p = event->position().toPoint();
    const QPointF tablePoint = tablePointFromViewport(QPointF(p) + QPointF(0.5, 0.5));
    const std::uint32_t flags = modifierFlags(event->modifiers());
    const auto& groups = table_.groups();
    if (const RbxTableGroup* g = groupAtPoint(tablePoint); g && g->headerContainsPoint(tablePoint)) {
        const int type = event->button() == Qt::RightButton ? 3 : 1;
        headerClick(std::size_t(g - groups.data()), tablePoint, clickCount, type, flags,
                    event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || clickCount >= 2) return;
    if (flags & (0x40000 | 0x100000)) return;
    hoverSelect(p);
    setClickButton(LeftClick);
    startAutoScrolling();
}

void RbxCharView::mousePressEvent(QMouseEvent* event) { handlePress(event, 1); }

void RbxCharView::mouseDoubleClickEvent(QMouseEvent* event) { handlePress(event, 2); }

void RbxCharView::mouseMoveEvent(QMouseEvent* event) {
    hoverSelect(event->position().toPoint());
    if (duringClick()) triggerAutoScroll();
}

// ---------------------------------------------------------------- auto-scrolling

void RbxCharView::startAutoScrolling() {
    stopAutoScrolling();
    autoScrollTimer_ = new QTimer(this);
    autoScrollTimer_->setInterval(10);
    connect(autoScrollTimer_, &QTimer::timeout, this, &RbxCharView::triggerAutoScroll);
    autoScrollTimer_->start();
}

void RbxCharView::stopAutoScrolling() {
    delete autoScrollTimer_;
    autoScrollTimer_ = nullptr;
}

bool RbxCharView::isAutoScrolling() const { return autoScrollTimer_ != nullptr; }

void RbxCharView::triggerAutoScroll() {
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    const int h = viewport()->height();
    int dy = 0;
    if (p.y() < 0) dy = p.y();
    else if (p.y() >= h) dy = p.y() - h + 1;
    if (dy == 0) return;
    const double row = std::max(1.0, table_.charSize().height());
    const double step = std::clamp(double(dy), -row, row);
    setScrollValue(scrollValue() + step);
    hoverSelect(QPoint(std::clamp(p.x(), 0, viewport()->width() - 1), std::clamp(p.y(), 0, h - 1)));
}

void RbxCharView::mouseReleaseEvent(QMouseEvent* event) {
    const int button = clickButton_;
    if (button == NoClick) return;
    stopAutoScrolling();
    hoverSelect(event->position().toPoint());
    setClickButton(NoClick);
    // The character under the mouse at release time is the one inserted.
    if (button == LeftClick && event->button() == Qt::LeftButton) {
        if (const char32_t c = selectedCharacter()) postCharacter(c, QString());
    }
}

void RbxCharView::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (!duringClick() && !updateSuppressed_) selectCharacterAtIndex(kx::NotFound);
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
    const QString s = RbxTools::stringWithCharacter(c);
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
