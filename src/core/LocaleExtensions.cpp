#include "core/LocaleExtensions.h"

#include <QRegularExpression>

namespace kx::ns {

namespace {

bool isAsciiLetters(const QString& s) {
    for (QChar c : s) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z'))) return false;
    }
    return true;
}

bool isAsciiDigits(const QString& s) {
    for (QChar c : s)
        if (c.unicode() < '0' || c.unicode() > '9') return false;
    return true;
}

// "de_CH.UTF-8@euro" without encoding and modifier.
QString bareIdentifier(const QString& identifier) {
    QString s = identifier;
    const qsizetype cut = s.indexOf(QRegularExpression(QStringLiteral("[.@]")));
    if (cut >= 0) s.truncate(cut);
    return s;
}

bool isScriptPart(const QString& part) { return part.size() == 4 && isAsciiLetters(part); }

} // namespace

QString languageCodeWithoutRegion(const QString& identifier) {
    const QString bare = bareIdentifier(identifier);
    const QChar separator = bare.contains(u'-') ? u'-' : u'_';
    const QStringList parts = bare.split(QRegularExpression(QStringLiteral("[-_]")));
    QStringList kept;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& p = parts[i];
        const bool region = i > 0 && ((p.size() == 2 && isAsciiLetters(p)) || (p.size() == 3 && isAsciiDigits(p)));
        if (!region) kept << p;
    }
    return kept.join(separator);
}

QStringList preferredLanguages() {
    QStringList out;
    for (const QString& l : QLocale::system().uiLanguages())
        if (!out.contains(l)) out << l;
    return out;
}

QStringList preferredLanguagesWithoutRegions() {
    QStringList out;
    for (const QString& l : preferredLanguages()) out << languageCodeWithoutRegion(l);
    return out;
}

QLocale localeWithLanguageCode(const QString& code) { return QLocale(bareIdentifier(code)); }

QString localizedNameOfLanguage(const QString& identifier) {
    const QStringList parts = bareIdentifier(identifier).split(QRegularExpression(QStringLiteral("[-_]")));
    const QLocale locale(bareIdentifier(identifier));
    for (qsizetype i = 1; i < parts.size(); ++i)
        if (isScriptPart(parts[i])) return QLocale::scriptToString(locale.script());
    return QLocale::languageToString(locale.language());
}

} // namespace kx::ns
