#pragma once
// The settings the names, HTML forms and the font list read and write.

#include <QString>
#include <QStringList>

namespace rbx::names {

bool logCharacterNameTimes();  // "charNames"
QString unicodeFolderSetting(); // "unicodeFolder"
bool htmlEntitiesSetting();    // "htmlEntities"
bool hexHtmlSetting();         // "hexHtml"

bool collectionLogSetting();   // "collLog"
QString selectedFontSetting(); // "selectedFont"
void setSelectedFontSetting(const QString& postScriptName);  // and written to disk
QStringList recentFontsV2Setting();                          // "recentFontsV2"
void setRecentFontsV2Setting(const QStringList& families);
QStringList oldRecentFontsSetting();                         // "recentFonts"
bool fontDetectionEnabledSetting();                          // detection on at all
bool applicationFontDetectionSetting();                      // on for the front application

} // namespace rbx::names
