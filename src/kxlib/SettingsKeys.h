#pragma once
// Every key of the settings store with its type and the default that the code applies
// when the key has no value. Keys whose default comes from the bundle's
// "UserDefaults.plist" carry the plain reader's default (NO, 0, 0.0, "") and
// `fromBundle` set. Read them through the typed overloads of KXDefaults:
//     store.integerForKey(rbx::key::recentLines)   // 2 when absent
// Keys are case-sensitive and several contain blanks.

#include <QString>
#include <QVariant>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <vector>

namespace rbx::key {

enum class Type { Bool, Int, Float, String, Data, Array, Dict };

struct BoolKey {
    const char* name;
    bool codeDefault = false;
    bool fromBundle = false;
    QString qname() const { return QString::fromLatin1(name); }
};
// `values`, when not empty, are the only values the system can work with: another one
// is refused when written.
struct IntKey {
    const char* name;
    int codeDefault = 0;
    bool fromBundle = false;
    std::span<const int> values{};
    QString qname() const { return QString::fromLatin1(name); }
};
// `lowest` and `highest` bound the values the system can work with: a stored value
// outside them (or not finite) is not used, and is refused when written.
struct FloatKey {
    const char* name;
    double codeDefault = 0.0;
    bool fromBundle = false;
    double lowest = -std::numeric_limits<double>::max();
    double highest = std::numeric_limits<double>::max();
    QString qname() const { return QString::fromLatin1(name); }
    bool holds(double v) const { return std::isfinite(v) && v >= lowest && v <= highest; }
};
struct StringKey {
    const char* name;
    const char* codeDefault = "";
    bool fromBundle = false;
    QString qname() const { return QString::fromLatin1(name); }
};
// Data, arrays and dictionaries: no default but nil (or what the bundle gives).
struct ObjectKey {
    const char* name;
    Type type;
    bool fromBundle = false;
    QString qname() const { return QString::fromLatin1(name); }
};

constexpr bool Bundle = true;

// Palette window and table
inline constexpr IntKey activator{"activator", 0, Bundle};  // 1 menu-bar item, 2 top-right, else top-left corner
inline constexpr BoolKey statusItem{"status item"};          // older form of activator
inline constexpr BoolKey hideQInCorner{"hide Q in corner", false, Bundle};
inline constexpr BoolKey animateWindow{"animate window", false, Bundle};
inline constexpr BoolKey startAtLogin{"start at login", false, Bundle};
inline constexpr BoolKey insertionCloses{"insertion closes", false, Bundle};
inline constexpr BoolKey clickOutsideCloses{"click outside closes", false, Bundle};
inline constexpr BoolKey mouseOutsideCloses{"mouse outside closes", false, Bundle};
inline constexpr BoolKey fixOffscreenWindow{"fixOffscreenWindow", true};
inline constexpr StringKey openWindowHotkey{"openWindowHotkey", "", Bundle};  // "flags,keycode" or ""
// The table's views (this font, all fonts, all Unicode) and the text pages (preview,
// sample, font information).
inline constexpr int ViewModes[] = {1, 2, 3, 10, 11, 12};
inline constexpr IntKey view{"view", 0, Bundle, ViewModes};
inline constexpr StringKey layout{"layout", "", Bundle};
inline constexpr StringKey disabledLayout{"disabledLayout", "", Bundle};
inline constexpr StringKey sample{"sample", "", Bundle};
inline constexpr BoolKey magnify{"magnify", false, Bundle};
inline constexpr BoolKey showTooltips{"showTooltips", false, Bundle};
inline constexpr BoolKey hiliteRecentCharacters{"hilite recent characters", false, Bundle};
inline constexpr IntKey recentLines{"recentLines", 2};
// Outside these sizes the table shows no usable cell.
inline constexpr FloatKey relativeFontSize{"relativeFontSize", 0.0, Bundle, 1.0, 10000.0};
inline constexpr BoolKey fitAscii{"fitAscii", false, Bundle};
inline constexpr FloatKey minimumFitSize{"minimumFitSize", 0.0, Bundle, 0.0, 10000.0};
inline constexpr BoolKey characterShadow{"characterShadow", false, Bundle};
inline constexpr BoolKey darkTable{"darkTable", false, Bundle};  // honoured only under a dark menu theme
inline constexpr BoolKey defaultBlocksCollapsed{"defaultBlocksCollapsed"};
inline constexpr ObjectKey collapsedBlocks{"collapsedBlocks", Type::Array};
inline constexpr ObjectKey expandedBlocks{"expandedBlocks", Type::Array};
inline constexpr BoolKey fontNameInFont{"fontNameInFont", true};
inline constexpr FloatKey ncph{"ncph", 23.0};  // corner activator height with a top safe-area inset
inline constexpr FloatKey scph{"scph", 12.0};  // and without one
inline constexpr BoolKey wRef{"wRef"};
inline constexpr BoolKey statusOnly{"statusOnly"};
inline constexpr BoolKey suppressOpening{"suppressOpening"};

// Fonts
inline constexpr StringKey selectedFont{"selectedFont", "", Bundle};
inline constexpr StringKey selectedCollection{"selectedCollection", ""};
// The width of the font list beside the content pages; 0 keeps it folded away.
inline constexpr IntKey fontListWidth{"fontListWidth", 170};
inline constexpr ObjectKey recentFonts{"recentFonts", Type::Array, Bundle};
inline constexpr ObjectKey recentFontsV2{"recentFontsV2", Type::Array, Bundle};
inline constexpr BoolKey useUniversalFont{"useUniversalFont", false, Bundle};
inline constexpr StringKey universalFont{"universalFont", "", Bundle};
inline constexpr ObjectKey fontSpecificLayouts{"fontSpecificLayouts", Type::Dict};
inline constexpr ObjectKey fontLayoutSuggestionsInstalled{"fontLayoutSuggestionsInstalled", Type::Array};
inline constexpr ObjectKey fontSizeAdjustment{"fontSizeAdjustment", Type::Dict};
inline constexpr BoolKey enableFontDetection{"enableFontDetection", true};
inline constexpr BoolKey dropFont{"dropFont", false, Bundle};
inline constexpr BoolKey safeDrawing{"safeDrawing", true};
inline constexpr BoolKey ligatures{"ligatures", true};
inline constexpr BoolKey gsub{"gsub", true};
inline constexpr BoolKey morx{"morx", true};
inline constexpr StringKey unicodeFolder{"unicodeFolder"};

// Characters and insertion
inline constexpr ObjectKey applications{"applications", Type::Dict};
inline constexpr FloatKey formattedSize{"formattedSize", 0.0, Bundle};
inline constexpr BoolKey htmlEntities{"htmlEntities", false, Bundle};
inline constexpr BoolKey hexHtml{"hexHtml", false, Bundle};
inline constexpr ObjectKey globalRecentCharacters{"global recent characters", Type::Data};
inline constexpr ObjectKey fontRecentCharacters{"font recent characters", Type::Dict};
inline constexpr ObjectKey recentLigatures{"recent ligatures", Type::Array};
inline constexpr ObjectKey favoriteCharacters{"favoriteCharacters", Type::Data};
inline constexpr ObjectKey favoriteFontCharacters{"favoriteFontCharacters", Type::Dict};
inline constexpr ObjectKey favoriteLigatures{"favoriteLigatures", Type::Array};
inline constexpr IntKey useCount{"useCount"};
inline constexpr IntKey buildNr{"buildNr"};  // default computed from the bundle's "build.nr"
inline constexpr BoolKey sound{"sound", false, Bundle};
// Pauses in seconds while typing, and the clipboard's extra wait: a longer one would hold
// the insertion (and the clipboard the user had) for good.
inline constexpr FloatKey keyStringDelay1{"keyStringDelay1", 0.0, false, 0.0, 10.0};
inline constexpr FloatKey keyStringDelay2{"keyStringDelay2", 0.0, false, 0.0, 10.0};
inline constexpr FloatKey keyStringDelay3{"keyStringDelay3", 0.0, false, 0.0, 10.0};
inline constexpr FloatKey keyStringDelayEnd{"keyStringDelayEnd", 0.0, false, 0.0, 10.0};
inline constexpr BoolKey keyStringEmptyPrefix{"keyStringEmptyPrefix"};
// 0.25 unless the per-application settings name a top-level "pasteFileDelay".
inline constexpr FloatKey pasteFileDelay{"pasteFileDelay", 0.25, false, 0.0, 10.0};
inline constexpr BoolKey pasteboardSavingEnabled{"KXPasteboardSavingEnabled", true};
inline constexpr FloatKey pasteboardRestoreExtraDelay{"KXPasteboardRestoreExtraDelay", 0.0, false, -60.0, 60.0};
inline constexpr StringKey quitOther{"quitOther", "quitkill"};
inline constexpr StringKey shapeCompareCharacters{"shapeCompareCharacters"};

// Sample text
inline constexpr StringKey editableSampleText{"editableSampleText", "", Bundle};
inline constexpr FloatKey editorFontSize{"editorFontSize", 0.0, Bundle};
inline constexpr IntKey editorAlignment{"editorAlignment", 0, Bundle};  // 3 justified, else natural

// Updates
inline constexpr int UpdateIntervals[] = {0, 1, 2, 3};  // never, daily, weekly, four-weekly
inline constexpr IntKey updateInterval{"updateInterval", 0, false, UpdateIntervals};
inline constexpr IntKey monthlyMinute{"monthlyMinute"};
inline constexpr BoolKey checkForBetaVersions{"checkForBetaVersions"};
inline constexpr BoolKey checkForUpdatesInFullScreenMode{"checkForUpdatesInFullScreenMode", true};
inline constexpr StringKey lastUpdateCheck{"lastUpdateCheck"};
inline constexpr StringKey lastCurrentVersion{"lastCurrentVersion"};
inline constexpr StringKey lastReleaseDate{"lastReleaseDate"};
// The SHA-256 the feed gives for the archive of lastCurrentVersion (absent: none given).
inline constexpr StringKey lastArchiveSHA256{"lastArchiveSHA256"};
// The Ed25519 signature (base64) the feed gives for that archive (absent: none given).
inline constexpr StringKey lastArchiveEd25519{"lastArchiveEd25519"};
inline constexpr StringKey versionToSkip{"versionToSkip", ""};
inline constexpr StringKey monce{"monce"};
inline constexpr StringKey lastMaintenance{"lastMaintenance"};
// "V#" followed by a version: the reply of the once-per-version ping.
inline constexpr const char* versionPingPrefix = "V#";
inline constexpr BoolKey vcktest{"vcktest"};
// The update server's base address (hidden; empty: the project's https server).
inline constexpr StringKey updateServer{"updateServer", ""};
// Opens the spaces-fix window at launch (hidden).
inline constexpr BoolKey spaceWindow{"spaceWindow"};
inline constexpr IntKey httpsMinSys{"httpsMinSys", 101300};

// Application state
inline constexpr IntKey launchCount{"launch count"};
inline constexpr IntKey launchCountOld{"launchCount"};  // older key, read once
inline constexpr ObjectKey translate{"translate", Type::Dict, Bundle};  // instructions, never written
inline constexpr ObjectKey import{"import", Type::Array, Bundle};

// Traces
inline constexpr BoolKey logSheets{"log sheets"};
inline constexpr BoolKey charNames{"charNames"};
inline constexpr BoolKey collLog{"collLog"};
inline constexpr BoolKey shapeTools{"shapeTools"};
inline constexpr BoolKey glyphInfo{"glyphInfo"};
inline constexpr BoolKey logFocus{"logFocus"};
inline constexpr BoolKey logCalcFont{"logCalcFont"};
inline constexpr BoolKey ligainfo{"ligainfo"};
inline constexpr BoolKey logOpen{"logOpen"};
// Every clipboard request a reader makes while we own the clipboard, and what it got.
inline constexpr BoolKey logClipboard{"logClipboard"};

// One row per key, for listings and checks.
struct KeyInfo {
    QString name;
    Type type;
    QVariant codeDefault;  // nil for data, arrays and dictionaries
    bool fromBundle;
    double lowest = -std::numeric_limits<double>::max();  // numbers only: the usable range
    double highest = std::numeric_limits<double>::max();
    std::vector<int> values = {};  // integers only: the usable values (empty: any)
};
const std::vector<KeyInfo>& allKeys();

// The key's row in the table; the replies of the version pings ("V#" followed by a
// version) are texts. Nothing for any other name.
std::optional<KeyInfo> keyInfo(const QString& name);
// The value a text stands for as a key's type, or nothing when it is none: booleans from
// 1/0, yes/no, true/false (any case); integers (32-bit) and finite numbers as decimal
// text; texts as they are. Data, lists and dictionaries cannot be given as text.
std::optional<QVariant> coerce(Type type, const QString& text);
// coerce() for the key's type, and for a number also within the key's usable range, for
// an integer one of its usable values.
std::optional<QVariant> valueFor(const KeyInfo& key, const QString& text);
// typeDescription() with a number's usable range ("a number from 1 to 10000") or an
// integer's usable values ("one of 0, 1, 2, 3").
QString valueDescription(const KeyInfo& key);
// A value of the key's type in the form the store's typed setters write it: an integer
// as a 32-bit integer, a number as a double, others as they are.
QVariant storedForm(Type type, const QVariant& value);
// "a boolean (yes or no)", "an integer", ...: what a key of the type holds, for messages.
QString typeDescription(Type type);

} // namespace rbx::key
