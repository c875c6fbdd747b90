#include "app/PaletteTableController.h"

#include "app/PaletteCharacterActions.h"
#include "app/PaletteFocus.h"
#include "app/PaletteFontTable.h"
#include "app/FontListTableView.h"
#include "app/PaletteSampleViews.h"
#include "app/ShapeFinder.h"
#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "kxlib/gui/KXGraphicalMenu.h"
#include "model/RbxLayout.h"
#include "model/RbxRecentGroupDescription.h"
#include "table/widgets/RbxCharMenus.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>

PaletteTableController::PaletteTableController(RbxCharWindowController& controller, std::shared_ptr<PaletteFocus> focus,
                                               PaletteSampleViews* samples, ShapeFinder* shapes)
    : c_(controller), focus_(std::move(focus)), samples_(samples), shapes_(shapes) {}

void PaletteTableController::activateSampleEditor() {
    if (samples_) samples_->activateSampleEditor();
}

void PaletteTableController::activatePreview() {
    if (samples_) samples_->activatePreview();
}

void PaletteTableController::changeViewTo(int view) { c_.changeViewTo(view); }

void PaletteTableController::showInfoForCharacter(char32_t c) {
    if (c) c_.sheets().openNamedSheet(QStringLiteral("characterInfo"), {{QStringLiteral("character"), uint(c)}});
}

double PaletteTableController::bestMatchQuality(char32_t c) const { return shapes_ ? shapes_->result().quality(c) : 0; }

bool PaletteTableController::reenterShapeFinder() { return shapes_ && shapes_->reenter(); }

bool PaletteTableController::hasAttachedSheet() const { return c_.hasSheet(); }

bool PaletteTableController::isKeyWindow() const {
    const QWidget* w = c_.window();
    return w && w->isVisible() && (QApplication::activeWindow() == w || focus_->holdsKeyboard());
}

void PaletteTableController::activateApplication() { focus_->pointerEntered(); }

void PaletteTableController::deactivateApplication() { focus_->pointerLeft(); }

void PaletteTableController::fadeOut(double duration, double delay) { c_.fadeOut(float(duration), float(delay)); }

void PaletteTableController::stopMouseOutsideFading() { c_.stopMouseOutsideFading(); }

void PaletteTableController::updateToFrontApplication(bool force) { c_.updateToFrontApplication(force); }

QWidget* PaletteTableController::searchField() const { return c_.searchField(); }

std::unique_ptr<QMenu> PaletteTableController::contextMenu(char32_t c) {
    RbxCharView& view = *c_.charView();
    RbxContextMenuState state = RbxCharMenus::tableState(view, c);
    const QLineEdit* search = c_.searchField();
    state.searchFieldEmpty = !search || search->text().isEmpty();
    const auto layout = c_.table().layout();
    state.unicodeBlocksLayout = layout && layout.get() == RbxLayout::unicodeBlocksLayout().get();
    state.shapeTools = shapes_ && shapes_->offersTrainingCommands();
    return RbxCharMenus::makeMenu(view, buildContextMenu(state), c);
}

std::unique_ptr<QMenu> PaletteTableController::skinsMenu(char32_t c) { return RbxCharMenus::skinsMenu(*c_.charView(), c); }

std::unique_ptr<QMenu> PaletteTableController::emojiTextMenu(char32_t c) {
    return RbxCharMenus::emojiTextMenu(*c_.charView(), c);
}

void PaletteTableController::updateRecentGroup() {
    // A recent group of the layout takes the recent characters the font has; without one
    // (the recent layout, or a layout whose recent group is yet to come) the table is built
    // anew from the layout. Groups that no layout made are left as they are.
    RbxCharView* view = c_.charView();
    RbxFontRepertoire* font = c_.table().repertoire();
    std::vector<char32_t> recents;
    if (font) {
        if (auto available = RbxRecentGroupDescription::sharedRecents()->availableCharactersForFontInfo(font))
            recents = std::move(*available);
    }
    if (view->updateRecentGroup(std::move(recents))) return;
    const auto& groups = view->groups();
    const bool fromLayout =
        std::any_of(groups.begin(), groups.end(), [](const RbxTableGroup& g) { return bool(g.group().layout()); });
    if (fromLayout || view->showingRecentLayout()) c_.table().reload();
}

char32_t PaletteTableController::markedCharacter() const { return c_.fontTable().markedCharacter(); }

void PaletteTableController::markFontsContainingCharacter(char32_t c) { c_.fontTable().markFontsContainingCharacter(c); }

void PaletteTableController::resetMarkedFonts() { c_.fontTable().resetMarkedFonts(); }

QWidget* PaletteTableController::fontListView() const { return c_.fontTable().fontTableView(); }

bool PaletteTableController::offersCharacterCommand(RbxMenuCommand command) const {
    using C = RbxMenuCommand;
    switch (command) {
    case C::MarkFonts:
    case C::ResetMarks:
    case C::AddToFavorites:
    case C::RemoveFromFavorites:
    case C::RemoveFromRecent:
    case C::ShowInContext:
    case C::ShowInUnicodeBlocksContext: return true;
    case C::ShowInfo: return c_.sheets().isRegistered(QStringLiteral("characterInfo"));
    default: return shapes_ && shapes_->offersCommand(command);
    }
}

void PaletteTableController::characterCommand(RbxMenuCommand command, char32_t c) {
    PaletteCharacterActions& actions = c_.characterActions();
    using C = RbxMenuCommand;
    switch (command) {
    case C::AddToFavorites: actions.addSelectedCharacterToFavorites(c); break;
    case C::RemoveFromFavorites: actions.removeSelectedCharacterFromFavorites(c); break;
    case C::RemoveFromRecent: actions.removeSelectedCharacterFromRecent(c); break;
    case C::ShowInContext: actions.showSelectedCharacterInContext(c); break;
    case C::ShowInUnicodeBlocksContext: actions.showSelectedCharacterInUnicodeBlocksContext(c); break;
    default:
        if (shapes_) shapes_->performCommand(command, c, c_.selectedFont().postScriptName());
        break;
    }
}
