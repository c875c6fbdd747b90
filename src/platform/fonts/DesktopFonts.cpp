#include "platform/fonts/DesktopFonts.h"

#include "platform/fonts/FcCharacters.h"

namespace rbx {

kx::CharSet orthographyOfLanguage(const QString& language) {
    QString code = language.toLower();
    code.replace(u'_', u'-');
    for (;;) {
        const QByteArray bytes = code.toUtf8();
        if (const FcCharSet* fc = FcLangGetCharSet(reinterpret_cast<const FcChar8*>(bytes.constData()))) {
            kx::CharSet set;
            fc::addCharacters(fc, set);
            return set;
        }
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
