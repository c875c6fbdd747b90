// Where the names meet the font list: the selected family and the defined characters.

#include "model/CharacterNameState.h"
#include "model/RbxFontList.h"

namespace rbx::names {

QString currentFamilyName() {
    const RbxFontList::FamilyPtr family = RbxFontList::fontList().selectedFamily();
    if (family) return family->name();
    return RbxFontList::familyNameOfFont(RbxFontList::fontList().selectedFont());
}

void definedCharactersFromUnicodeData(const kx::CharSet& defined) { RbxFontList::fontList().setDefinedUnicodeCharacters(defined); }

} // namespace rbx::names
