#include "platform/fonts/DesktopFonts.h"

#include <fontconfig/fontconfig.h>

namespace rbx {

namespace {

kx::CharSet charSetOf(const FcCharSet* fc) {
    kx::CharSet set;
    if (!fc) return set;
    FcChar32 map[FC_CHARSET_MAP_SIZE];
    FcChar32 next = 0;
    for (FcChar32 base = FcCharSetFirstPage(fc, map, &next); base != FC_CHARSET_DONE;
         base = FcCharSetNextPage(fc, map, &next)) {
        for (int word = 0; word < FC_CHARSET_MAP_SIZE; ++word) {
            FcChar32 bits = map[word];
            while (bits) {
                const int bit = __builtin_ctz(bits);
                bits &= bits - 1;
                set.addCharacter(base + static_cast<char32_t>(word * 32 + bit));
            }
        }
    }
    return set;
}

} // namespace

kx::CharSet orthographyOfLanguage(const QString& language) {
    QString code = language.toLower();
    code.replace(u'_', u'-');
    for (;;) {
        const QByteArray bytes = code.toUtf8();
        if (const FcCharSet* fc = FcLangGetCharSet(reinterpret_cast<const FcChar8*>(bytes.constData())))
            return charSetOf(fc);
        const qsizetype dash = code.indexOf(u'-');
        if (dash < 0) return kx::CharSet();
        code = code.left(dash);
    }
}

QString defaultSansSerifPostScriptName() {
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
    if (!pattern) return QString();
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    QString name;
    FcChar8* ps = nullptr;
    if (match && FcPatternGetString(match, FC_POSTSCRIPT_NAME, 0, &ps) == FcResultMatch && ps)
        name = QString::fromUtf8(reinterpret_cast<const char*>(ps));
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return name;
}

} // namespace rbx
