#pragma once
// What fontconfig knows about the desktop's fonts beyond the faces themselves: the
// characters a language is written with (its orthographies, so that fonts can be
// grouped by the languages they cover) and the default sans-serif face.

#include "core/CharSet.h"

#include <QString>

namespace rbx {

// The characters of a language given by its code ("de", "pt-br", "zh_TW" ...); a code
// with a territory falls back to the language alone. Empty when the language is
// unknown.
kx::CharSet orthographyOfLanguage(const QString& language);

// The PostScript name of the face fontconfig picks for "sans-serif"; "" when none.
QString defaultSansSerifPostScriptName();

} // namespace rbx
