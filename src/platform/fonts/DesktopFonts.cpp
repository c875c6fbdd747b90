#include "platform/fonts/DesktopFonts.h"

#include "platform/fonts/FcCharacters.h"

#include <QSet>

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

QString installedFamily(const QString& family, const QList<FaceInfo>& faces) {
    const QString asked = family.trimmed();
    for (const FaceInfo& face : faces)
        if (face.family.compare(asked, Qt::CaseInsensitive) == 0) return face.family;
    if (asked.isEmpty()) return QString();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return QString();
    const QByteArray name = asked.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcChar8* lang = nullptr;
    const QString language = FcPatternGetString(pattern, FC_LANG, 0, &lang) == FcResultMatch && lang
                                 ? QString::fromUtf8(reinterpret_cast<const char*>(lang))
                                 : QString();
    // The families the rules give, in their order; the first installed one whose faces
    // cover the language wins, as the language weighs more than a family put in by a rule.
    QString found;
    QString firstInstalled;
    QSet<QString> tried;
    FcChar8* f = nullptr;
    for (int i = 0; found.isEmpty() && FcPatternGetString(pattern, FC_FAMILY, i, &f) == FcResultMatch; ++i) {
        const QString candidate = QString::fromUtf8(reinterpret_cast<const char*>(f));
        if (!candidate.isEmpty() && !tried.contains(candidate.toCaseFolded())) {
            tried.insert(candidate.toCaseFolded());
            for (const FaceInfo& face : faces) {
                if (face.family.compare(candidate, Qt::CaseInsensitive) != 0) continue;
                if (firstInstalled.isEmpty()) firstInstalled = face.family;
                if (language.isEmpty() || !face.coverage || face.coverage->supportsLanguage(language)) {
                    found = face.family;
                    break;
                }
            }
        }
    }
    FcPatternDestroy(pattern);
    return found.isEmpty() ? firstInstalled : found;
}

} // namespace rbx
