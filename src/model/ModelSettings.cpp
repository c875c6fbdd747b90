#include "model/ModelSettings.h"

namespace rbx::names {

bool logCharacterNameTimes() { return false; }
QString unicodeFolderSetting() { return QString(); }
bool htmlEntitiesSetting() { return false; }
bool hexHtmlSetting() { return false; }

} // namespace rbx::names
