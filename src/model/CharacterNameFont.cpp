// Where the names meet the font list: the selected family and the defined characters.

#include "model/CharacterNameState.h"
#include "model/RbxFontList.h"
#include "model/RbxFontRepertoire.h"

namespace rbx::names {

QString currentFamilyName() {
    RbxFontList& list = RbxFontList::fontList();
    if (const RbxFontList::FamilyPtr family = list.selectedFamily()) return family->name();
    if (const rbx::Font font = list.selectedFont()) return RbxFontList::familyNameOfFont(font);
    // The palette's own font when the font list has no selection.
    if (RbxFontRepertoire* repertoire = state().selectedFontRepertoire(); repertoire && repertoire->hasFont())
        return repertoire->fontFamilyName();
    return QString();
}

void definedCharactersFromUnicodeData(const kx::CharSet& defined) { RbxFontList::fontList().setDefinedUnicodeCharacters(defined); }

} // namespace rbx::names
