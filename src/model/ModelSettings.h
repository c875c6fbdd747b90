#pragma once
// The settings the names and HTML forms read.

#include <QString>

namespace rbx::names {

bool logCharacterNameTimes();  // "charNames"
QString unicodeFolderSetting(); // "unicodeFolder"
bool htmlEntitiesSetting();    // "htmlEntities"
bool hexHtmlSetting();         // "hexHtml"

} // namespace rbx::names
