#include "app/PaletteFontList.h"

#include "model/RbxFontList.h"

PaletteFontList::PaletteFontList(QObject* parent) : QObject(parent) {
    RbxFontList::setFontChangeHandler([this](const QString& reason) { emit fontsChangeNoticed(reason); });
}

PaletteFontList::~PaletteFontList() { RbxFontList::setFontChangeHandler(nullptr); }

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
