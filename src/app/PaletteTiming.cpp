#include "app/PaletteTiming.h"

#include "app/PaletteSearch.h"
#include "app/PaletteTable.h"
#include "kxlib/RbxDefaults.h"
#include "model/FontExtensions.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QWidget>

PaletteTiming::PaletteTiming(RbxDefaults& settings, PaletteTable& table, PaletteSearch& search, QWidget* window)
    : settings_(settings), table_(table), search_(search), window_(window) {}

void PaletteTiming::prepare() {
    search_.clearSearch();
    const QString size = rbx::key::relativeFontSize.qname();
    size_ = settings_.objectForKey(size);
    settings_.setDouble(30, size);
    shown_ = table_.view()->font();
    if (window_) {
        frame_ = window_->geometry();
        window_->resize(600, 600);
    }
    // The new size and frame are laid out before the first font is drawn.
    QApplication::processEvents();
}

bool PaletteTiming::showFont(const QString& name) {
    const rbx::Font font = rbx::font::tryFindingFontWithName(name, 12);
    if (!font) return false;
    table_.showFont(font);
    return true;
}

RbxCharView& PaletteTiming::view() { return *table_.view(); }

void PaletteTiming::restore() {
    settings_.setObject(size_, rbx::key::relativeFontSize.qname());
    if (window_ && frame_.isValid()) window_->setGeometry(frame_);
    if (shown_) table_.showFont(shown_);
}
