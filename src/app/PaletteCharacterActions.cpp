#include "app/PaletteCharacterActions.h"

#include "app/PaletteSearch.h"
#include "app/PaletteTable.h"
#include "app/RbxSearchField.h"
#include "core/Types.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/RbxRecentLayout.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharView.h"

#include <QPointer>
#include <QTimer>

PaletteCharacterActions::PaletteCharacterActions(PaletteSearch& search, PaletteTable& table, QObject* parent)
    : QObject(parent), search_(search), table_(table) {}

void PaletteCharacterActions::changeLayout() {
    RbxLayout::saveLayoutInPrefs();
    table_.reload();
}

void PaletteCharacterActions::showSelectedCharacterInContext(char32_t c) { showSelectedCharacter(c); }

void PaletteCharacterActions::showSelectedCharacterInUnicodeBlocksContext(char32_t c) {
    if (RbxLayout::switchToUnicodeBlocksLayout()) changeLayout();
    showSelectedCharacter(c);
}

void PaletteCharacterActions::addSelectedCharacterToFavorites(char32_t c) {
    RbxFavGroupDescription::sharedFavorites()->addCharacter(c, table_.repertoire());
    changeLayout();
}

void PaletteCharacterActions::removeSelectedCharacterFromFavorites(char32_t c) {
    RbxFavGroupDescription::sharedFavorites()->removeCharacter(c, table_.repertoire());
    changeLayout();
}

void PaletteCharacterActions::removeSelectedCharacterFromRecent(char32_t c) {
    RbxRecentLayout::recentLayout()->removeRecentCharacter(c, table_.repertoire());
    changeLayout();
}

void PaletteCharacterActions::showSelectedCharacter(char32_t c) {
    search_.field()->clear();
    search_.performSearch();
    if (RbxLayout::switchToUnicodeBlocksLayout()) changeLayout();
    if (c == 0) return;
    RbxCharView* view = table_.view();
    const std::size_t index = view->indexOfCharacter(c);
    if (index == kx::NotFound) return;
    std::size_t first = 0;
    for (RbxTableGroup& g : view->table().groups()) {
        if (index < first + g.count()) {
            if (!g.isExpanded()) {
                g.group().setExpanded(true);
                view->recalculateSize();
            }
            break;
        }
        first += g.count();
    }
    QTimer::singleShot(SelectDelayMs, this, [this, index, view = QPointer<RbxCharView>(view)] {
        if (view) selectAndShowCharacterAtIndex(index);
    });
}

void PaletteCharacterActions::selectAndShowCharacterAtIndex(std::size_t index) {
    RbxCharView* view = table_.view();
    view->magnifierPopover().close();
    view->selection().selectAndShowCharacterAtIndex(index);
    view->selection().suppressSelectionUpdate(KeepSelectionSeconds);
}

void PaletteCharacterActions::goToMarkedCharacter(char32_t marked) {
    RbxCharView* view = table_.view();
    if (marked == 0 || view->indexOfCharacter(marked) == kx::NotFound) return;
    view->scrollToCharacter(marked);
    QTimer::singleShot(SelectDelayMs, this, [this, marked, view = QPointer<RbxCharView>(view)] {
        if (view) selectMarkedCharacter(marked);
    });
}

void PaletteCharacterActions::selectMarkedCharacter(char32_t marked) {
    const std::size_t index = table_.view()->indexOfCharacter(marked);
    if (index != kx::NotFound) selectAndShowCharacterAtIndex(index);
}
