#pragma once
// Locale identifiers and the user's preferred languages.

#include <QLocale>
#include <QString>
#include <QStringList>

namespace kx::ns {

// A locale identifier without its region: "de_CH" gives "de", "zh-Hant-TW" gives
// "zh-Hant", "pt_BR.UTF-8" gives "pt".
QString languageCodeWithoutRegion(const QString& identifier);
// The user's preferred languages, most preferred first ("de-CH", "en-GB", ...).
QStringList preferredLanguages();
// The same without regions.
QStringList preferredLanguagesWithoutRegions();
// A locale for a language code without region.
QLocale localeWithLanguageCode(const QString& code);
// The name of the script when the identifier names one ("zh-Hant" gives "Traditional
// Han"), else the name of its language ("de" gives "German").
QString localizedNameOfLanguage(const QString& identifier);

} // namespace kx::ns
