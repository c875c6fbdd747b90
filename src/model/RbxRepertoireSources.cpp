#include "model/RbxRepertoireSources.h"

#include "model/RbxFontList.h"
#include "model/RbxNameFilter.h"

kx::CharSet RbxModelRepertoireSources::charactersInAllFonts() { return RbxFontList::fontList().availableCharactersInAllFonts(); }

kx::CharSet RbxModelRepertoireSources::definedCharacters() { return RbxFontList::fontList().definedUnicodeCharacters(); }

std::optional<kx::CharSet> RbxModelRepertoireSources::filteredCharacters() { return RbxNameFilter::filteredCharacters(); }
