#include "app/PaletteEvents.h"

#include "app/PaletteTable.h"
#include "app/RbxCharWindowController.h"
#include "core/Types.h"
#include "model/RbxLayout.h"
#include "table/widgets/RbxCharKeys.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

PaletteEvents::PaletteEvents(RbxCharWindowController& controller, RbxCharView& view)
    : controller_(controller), view_(view) {}

bool PaletteEvents::hasSheet() const { return controller_.hasSheet(); }

void PaletteEvents::mouseUp(QMouseEvent& event) { view_.mouseUp(event.button()); }

bool PaletteEvents::keyDown(QKeyEvent& event) {
    if (view_.keys().viewSelectionKeyEvent(&event)) return true;
    // A text field that has the keyboard keeps its editing keys (copy, cut).
    const QWidget* focus = QApplication::focusWidget();
    if (focus && focus->testAttribute(Qt::WA_InputMethodEnabled)) return false;
    return view_.keys().handleHardWiredShortcut(&event);
}

void PaletteEvents::deselectCharacter() { view_.selectCharacterAtIndex(kx::NotFound); }

void PaletteEvents::rebuildLayouts() {
    RbxLayout::updateLayoutPopUp();
    controller_.table().reload();
}
