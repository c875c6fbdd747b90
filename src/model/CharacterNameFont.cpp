// Where the names meet the font list: the selected family and the defined characters.

#include "model/CharacterNameState.h"

namespace rbx::names {

QString currentFamilyName() { return QString(); }

void definedCharactersFromUnicodeData(const kx::CharSet&) {}

} // namespace rbx::names
