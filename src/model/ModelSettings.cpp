#include "model/ModelSettings.h"

namespace rbx::names {

namespace {
struct Values {
    QString selectedFont;
    QStringList recentFontsV2;
};
Values& values() {
    static Values v;
    return v;
}
} // namespace

bool logCharacterNameTimes() { return false; }
QString unicodeFolderSetting() { return QString(); }
bool htmlEntitiesSetting() { return false; }
bool hexHtmlSetting() { return false; }

bool collectionLogSetting() { return false; }
QString selectedFontSetting() { return values().selectedFont; }
void setSelectedFontSetting(const QString& postScriptName) { values().selectedFont = postScriptName; }
QStringList recentFontsV2Setting() { return values().recentFontsV2; }
void setRecentFontsV2Setting(const QStringList& families) { values().recentFontsV2 = families; }
QStringList oldRecentFontsSetting() { return QStringList(); }
bool fontDetectionEnabledSetting() { return true; }
bool applicationFontDetectionSetting() { return false; }

} // namespace rbx::names
