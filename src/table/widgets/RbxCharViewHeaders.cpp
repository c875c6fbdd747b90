// The table view: the group headers (folding and their copy menu) and the tool tip of the
// selected character.
#include "table/widgets/RbxCharView.h"

#include "insertion/RbxClipboardCopies.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/KXToolTip.h"
#include "model/CharacterText.h"

#include <QMenu>

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
    // A virtual character (an emoji sequence, a flag, a ligature) shows the code points
    // it stands for, never its own number.
    const QString unicode = CharacterText::decimalRepresentation(c);
    QString text = roman != 0 ? QStringLiteral("Char: \"%1\"\nUnicode: %2\nRoman: %3\nGlyph: %4")
                                    .arg(s, unicode)
                                    .arg(roman)
                                    .arg(glyph)
                              : QStringLiteral("Char: \"%1\"\nUnicode: %2\nGlyph: %3").arg(s, unicode).arg(glyph);
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
    const QRectF cell = viewportRectFromTable(rectForCharacterAtIndex(selectedCharIndex()));
    tooltip_->showString(tooltipTextForCharacter(c), viewport()->mapToGlobal(cell.topLeft().toPoint()));
}
