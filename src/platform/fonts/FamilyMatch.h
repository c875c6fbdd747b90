#pragma once
// What fontconfig makes of a family name with a weight and a slant, as other programs
// report the font they draw with ("DejaVu Serif", bold; "Monospace"): the PostScript
// name of the installed face it picks. Aliases such as "Monospace" resolve to the face
// that stands for them.

#include <QString>

namespace rbx {

// weight: OpenType weight class (400 regular, 700 bold). "" when fontconfig picks no
// face whose family is the one asked for (an alias picks any) or the face has no
// PostScript name.
QString postScriptNameForFamily(const QString& family, int weight, bool italic);

} // namespace rbx
