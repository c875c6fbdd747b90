#pragma once
// Fontconfig's character sets as ours (inside the fonts layer only).

#include "core/CharSet.h"

#include <fontconfig/fontconfig.h>

namespace rbx::fc {

// Adds the members of a fontconfig set (none for null) to `set`.
void addCharacters(const FcCharSet* characters, kx::CharSet& set);

} // namespace rbx::fc
