#pragma once
// Answers the lower layers leave to the application, installed at start-up: the
// settings store's font look-up, dark menu theme and login item; the character texts
// of the table.

#include <QString>

namespace startup {

void installHooks();

// The font the settings may name, at 12 points: the name itself when such a font is
// available, "" for no name, else the system font's PostScript name.
QString availableFontName(const QString& postScriptName);
// The PostScript name of the desktop's general font ("" when none is found).
QString systemFontName();

} // namespace startup
