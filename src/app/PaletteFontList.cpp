#include "app/PaletteFontList.h"

#include "core/ProcessWide.h"
#include "model/RbxFontList.h"

PaletteFontList::PaletteFontList(QObject* parent) : QObject(parent) {
    // The process's list object is cheap to make; its fonts are read on first use.
    connect(&kx::ProcessWide<RbxFontList>::get(), &RbxFontList::fontChangeNoticed, this,
            &PaletteFontList::fontsChangeNoticed);
}

PaletteFontList::~PaletteFontList() = default;

RbxFontList& PaletteFontList::list() {
    RbxFontList& list = RbxFontList::fontList();
    if (!made_) {
        made_ = true;
        if (selected_) list.selectFont(selected_);
    }
    return list;
}

void PaletteFontList::selectFont(const rbx::Font& font) {
    selected_ = font;
    if (made_) RbxFontList::fontList().selectFont(font);
}

void PaletteFontList::markSelectedFontAsUsed() {
    RbxFontList& l = list();
    if (selected_ && l.selectedFont().postScriptName() != selected_.postScriptName()) l.selectFont(selected_);
    l.markSelectedFontAsUsed();
}
