#pragma once
// What fontconfig knows about the desktop's fonts beyond the faces themselves: the
// characters a language is written with (its orthographies, so that fonts can be
// grouped by the languages they cover), the default sans-serif face and the installed
// family a family name stands for.

#include "core/CharSet.h"
#include "platform/fonts/FaceInfo.h"

#include <QList>
#include <QString>

namespace rbx {

// The characters of a language given by its code ("de", "pt-br", "zh_TW" ...); a code
// with a territory falls back to the language alone. Empty when the language is
// unknown.
kx::CharSet orthographyOfLanguage(const QString& language);

// The PostScript name of the face fontconfig picks for "sans-serif"; "" when none.
QString defaultSansSerifPostScriptName();

// The installed family (one of the faces') that fontconfig puts first for a family name:
// the name itself when installed, else the first family its rules give for it ("Sans
// Serif" and other aliases, or a family not installed, are followed to the default
// family) whose faces cover the desktop's language, else the first installed one. No font
// is matched: only the rules are applied to the name, and the faces are looked up. ""
// when none is installed.
QString installedFamily(const QString& family, const QList<FaceInfo>& faces);

} // namespace rbx
