#pragma once
// The desktop's general font as the palette names fonts (by PostScript name), and the
// font a setting may name, falling back on it.

#include <QString>

namespace systemfont {

// The PostScript name of the desktop's general font: its family's plain face, else any
// installed face ("" when there is none).
QString systemFontName();
// The font the settings may name, at 12 points: the name itself when such a font is
// available, "" for no name, else the system font's PostScript name.
QString availableFontName(const QString& postScriptName);

} // namespace systemfont
