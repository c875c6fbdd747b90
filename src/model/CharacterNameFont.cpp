// Where the names meet the font list: the selected family and the defined characters.

#include "model/CharacterNameState.h"

#include "core/ProcessWide.h"
#include "model/RbxFontList.h"
#include "model/RbxFontRepertoire.h"

namespace rbx::names {

QString currentFamilyName() {
    // The font list's selection when the list is loaded; the name never loads it.
    if (RbxFontList* list = kx::ProcessWide<RbxFontList>::current(); list && list->isLoaded()) {
        if (const RbxFontList::FamilyPtr family = list->selectedFamily()) return family->name();
        if (const rbx::Font font = list->selectedFont()) return RbxFontList::familyNameOfFont(font);
    }
    // The palette's own font.
    if (RbxFontRepertoire* repertoire = state().selectedFontRepertoire(); repertoire && repertoire->hasFont())
        return repertoire->fontFamilyName();
    return QString();
}

void definedCharactersFromUnicodeData(const kx::CharSet& defined) {
    kx::ProcessWide<RbxFontList>::get().setDefinedUnicodeCharacters(defined);
}

} // namespace rbx::names
