#include "app/PaletteTableController.h"

#include "app/PaletteFocus.h"
#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "model/RbxRecentGroupDescription.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QLineEdit>
#include <algorithm>

PaletteTableController::PaletteTableController(RbxCharWindowController& controller, std::shared_ptr<PaletteFocus> focus)
    : c_(controller), focus_(std::move(focus)) {}

bool PaletteTableController::hasAttachedSheet() const { return c_.hasSheet(); }

bool PaletteTableController::isKeyWindow() const {
    const QWidget* w = c_.window();
    return w && (QApplication::activeWindow() == w || focus_->holdsKeyboard());
}

void PaletteTableController::activateApplication() {
    if (RbxCharWindow* w = c_.window()) focus_->take(*w);
}

void PaletteTableController::deactivateApplication() { focus_->deactivateApplication(); }

void PaletteTableController::fadeOut(double duration, double delay) { c_.fadeOut(float(duration), float(delay)); }

void PaletteTableController::stopMouseOutsideFading() { c_.stopMouseOutsideFading(); }

void PaletteTableController::updateToFrontApplication(bool force) { c_.updateToFrontApplication(force); }

QWidget* PaletteTableController::searchField() const { return c_.searchField(); }

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
