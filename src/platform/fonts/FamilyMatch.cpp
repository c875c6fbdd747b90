#include "platform/fonts/FamilyMatch.h"

#include <fontconfig/fontconfig.h>

namespace rbx {

namespace {
bool isAlias(const QString& family) {
    static const char* const aliases[] = {"monospace", "sans-serif", "sans", "serif", "system-ui", "cursive", "fantasy"};
    for (const char* a : aliases)
        if (family.compare(QLatin1String(a), Qt::CaseInsensitive) == 0) return true;
    return false;
}
} // namespace

QString postScriptNameForFamily(const QString& family, int weight, bool italic) {
    if (family.trimmed().isEmpty()) return {};
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    const QByteArray name = family.trimmed().toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(qBound(1, weight, 1000)));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return {};
    QString out;
    FcChar8* ps = nullptr;
    bool familyMatches = isAlias(family);
    FcChar8* f = nullptr;
    for (int i = 0; !familyMatches && FcPatternGetString(match, FC_FAMILY, i, &f) == FcResultMatch; ++i)
        familyMatches = QString::fromUtf8(reinterpret_cast<const char*>(f)).compare(family.trimmed(), Qt::CaseInsensitive) == 0;
    if (familyMatches && FcPatternGetString(match, FC_POSTSCRIPT_NAME, 0, &ps) == FcResultMatch)
        out = QString::fromUtf8(reinterpret_cast<const char*>(ps));
    FcPatternDestroy(match);
    return out;
}

} // namespace rbx
