#pragma once
// The table's named colours ("gridColor", "charSubstitutionColor", ...) from the bundle's
// "Colors.plist": a dictionary of name → {"aquaColor", "darkAquaColor"} in the archived
// form of KXDynamicColor. Read once; a name the file lacks (or a missing file) gives the
// built-in colour of that name, and an unknown name grey. Main thread only.

#include "kxlib/gui/KXDynamicColor.h"

#include <QString>

namespace rbx::colors {

KXDynamicColor named(const QString& name);

// Reads the file again on the next look-up (tests that change the resources).
void reload();

} // namespace rbx::colors
