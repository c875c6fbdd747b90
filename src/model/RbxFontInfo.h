#pragma once
// The model's view of one font: its repertoire (the characters the character table
// shows for it) with per-plane bitmaps, its ligatures as virtual characters, its Mac OS
// Roman mapping, its tuning values from "FontTuning.plist" and whether it must be drawn
// the safe way. Infos are shared through the process's RbxFontInfoCache, two
// generations keyed by PostScript name. Main thread only.

#include "core/CharSet.h"
#include "platform/fonts/Font.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class RbxLigatures;
class RbxFontInfo;
class RbxRepertoireSources;

// The infos of the process (kx::ProcessWide<RbxFontInfoCache>), with what their
// repertoires rest on and the tuning dictionary: installed by the composition root,
// else made on first use without sources (empty sets, no filter) over the bundle's
// tuning file.
class RbxFontInfoCache {
public:
    static RbxFontInfoCache& shared();
    static std::unique_ptr<RbxFontInfoCache> makeDefault();

    // `sources` (may be null) must outlive the cache; `tuning` stands in for the bundle's
    // "FontTuning.plist", which is read on first need when it is not given.
    explicit RbxFontInfoCache(RbxRepertoireSources* sources = nullptr,
                              std::optional<QVariantMap> tuning = std::nullopt);

    std::shared_ptr<RbxFontInfo> infoWithFont(const rbx::Font& font);
    void flushCachedCharacters();
    // Empty (and logged once) when the bundle's file cannot be read.
    const QVariantMap& tuningDictionary();
    RbxRepertoireSources* sources() const { return sources_; }

private:
    RbxRepertoireSources* const sources_;
    std::optional<QVariantMap> tuning_;
    // Two generations: an info survives at least ten further insertions, and one found
    // in the previous generation moves into the current one.
    QHash<QString, std::shared_ptr<RbxFontInfo>> current_, previous_;
};

class RbxFontInfo {
public:
    // ---- the cache (RbxFontInfoCache::shared()) ---------------------------------
    static std::shared_ptr<RbxFontInfo> fontInfoWithFont(const rbx::Font& font);
    // Every cached info drops its repertoire.
    static void flushCachedCharacters();

    // ---- tuning ----------------------------------------------------------------
    // The cache's tuning dictionary: "FontTuning.plist" of the bundle, read once
    // (empty, and logged, when unreadable).
    static QVariantMap fontTuningDictionary();
    // The entry of a name: the name, the name + "*", then the name cut at each last "-"
    // followed by "*".
    static std::optional<QVariantMap> tuningForFontNamed(const QString& name);
    static std::optional<QVariantMap> tuningForFont(const rbx::Font& font);
    // True when the tuning's "ignoreLigatures" is "all" or `kind` ("GSUB", "morx").
    static bool tuningIgnoresLigatures(const rbx::Font& font, const QString& kind);
    // The strings of a list-valued "ignoreLigatures".
    static QStringList ligaturesToIgnore(const QVariantMap& tuning);

    explicit RbxFontInfo(const rbx::Font& font);

    const rbx::Font& font() const { return font_; }
    void setFont(const rbx::Font& font);
    const rbx::Font& displayFont();
    bool isAppleColorEmoji() const { return isAppleColorEmoji_; }

    // Drops the repertoire, the Roman mapping and the tuning (not the ligatures).
    void flush();
    bool ignoresFilter() const { return ignoreFilter_; }
    void setIgnoresFilter(bool ignore);

    // ---- the repertoire --------------------------------------------------------
    // Loads the repertoire when needed; always makes this font's ligatures the ones the
    // virtual ligature characters stand for.
    void loadCharacters();
    const kx::CharSet& availableCharacters();
    // Members from U+0020 on, and the highest one.
    int availableCharacterCount();
    char32_t lastAvailableCharacter();
    // The 8,192-byte bitmap of a plane (bit c & 7 of byte c >> 3); nullptr for a plane
    // above 16 or without members. Valid until the repertoire is dropped.
    const std::uint8_t* planeBitmap(int plane);

    // ---- ligatures ---------------------------------------------------------------
    // Until readDeferredLigatures(), a repertoire made leaves out the ligatures not read
    // yet and numberOfLigatures() counts none; asking for their strings reads them, but the
    // repertoire made takes them only at readDeferredLigatures().
    void deferLigatures();
    // Reads the ligatures deferLigatures() held back; true when the repertoire made without
    // them must be made again (done on its next use).
    bool readDeferredLigatures();
    int numberOfLigatures();
    std::optional<QStringList> ligatureStrings();
    // U+B0000 + index; 0 for an empty or unknown string.
    char32_t virtualLigatureCharacterForString(const QString& s);
    // The string of U+B0000 + i; a null string outside the list.
    QString ligatureForVirtualCharacter(char32_t c);

    // ---- Mac OS Roman ------------------------------------------------------------
    // 256 entries, code -> character; nullptr when the font has no usable Roman subtable.
    const std::int32_t* romanMapping();
    char32_t unicodeForRoman(int code);
    int romanForUnicode(char32_t c);

    // ---- tuning values -----------------------------------------------------------
    QVariantMap tuning();
    std::pair<double, double> tuningZoom();
    double tuningBaselineOffset();
    double tuningScaledOffsetX();
    double tuningRelativeWidth();
    // The characters (32 and up) scaled to fit; nullopt when none are given.
    std::optional<std::vector<char32_t>> scaleCharacters();
    double ligatureScalingThreshold();
    bool ignoreAllLigatures();
    bool ignoreGSUBLigatures();
    bool ignoremorxLigatures();
    QStringList ligaturesToIgnore();

    bool fontRequiresSafeDrawing();
    // The glyph the single character becomes; 0 for none, minus the glyph count when it
    // becomes two or more.
    int unicodeGlyph(char32_t c);

    QString shortDescription();
    QString description();

private:
    double tuningDouble(const char* key, double defaultValue);
    // The ligatures, read now when they are not (held back ones without remaking the repertoire).
    const RbxLigatures& readLigatures();

    rbx::Font font_;
    std::optional<rbx::Font> displayFont_;
    std::optional<kx::CharSet> availableCharacters_;
    int availableCharacterCount_ = 0;
    char32_t lastAvailableCharacter_ = 0;
    std::shared_ptr<RbxLigatures> fontLigatures_;
    bool ligaturesDeferred_ = false;
    bool repertoireWithoutLigatures_ = false; // made while they were unread
    std::unique_ptr<std::array<std::int32_t, 256>> romanMapping_;
    bool romanNone_ = false;
    std::optional<QVariantMap> tuning_;
    bool ignoreFilter_ = false;
    bool isAppleColorEmoji_ = false;
    char colorFontInformation_ = 0;
};
