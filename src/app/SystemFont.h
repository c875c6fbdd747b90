#pragma once
// The desktop's general font as the palette names fonts (by PostScript name), and the
// font a setting may name, falling back on it.

#include <QString>

namespace systemfont {

// The PostScript name of the desktop's general font: the plain face of the installed
// family it stands for, else any installed face ("" when there is none).
QString systemFontName();
// Makes the application's font name the installed family that the desktop's general font
// stands for (an alias such as "Sans Serif" names none): Qt then finds it among its fonts
// at once, where for an alias it would sort every installed face for a replacement.
void useInstalledFamily();
// The font the settings may name, at 12 points: the name itself when such a font is
// available, "" for no name, else the system font's PostScript name.
QString availableFontName(const QString& postScriptName);

} // namespace systemfont
