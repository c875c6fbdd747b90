#include "model/RbxFontInfo.h"

#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "core/ProcessWide.h"
#include "core/Types.h"
#include "model/EmojiTables.h"
#include "model/FontExtensions.h"
#include "model/RbxCmapList.h"
#include "model/RbxEmoji.h"
#include "model/RbxLigatures.h"
#include "model/RbxModelSettings.h"
#include "model/RbxRepertoireSources.h"
#include "model/VirtualCharacters.h"

#include <QHash>

namespace {

constexpr int GenerationSize = 10;

} // namespace

// ---- the cache ----------------------------------------------------------------------

RbxFontInfoCache& RbxFontInfoCache::shared() { return kx::ProcessWide<RbxFontInfoCache>::get(); }

std::unique_ptr<RbxFontInfoCache> RbxFontInfoCache::makeDefault() { return std::make_unique<RbxFontInfoCache>(); }

RbxFontInfoCache::RbxFontInfoCache(RbxRepertoireSources* sources, std::optional<QVariantMap> tuning)
    : sources_(sources), tuning_(std::move(tuning)) {}

std::shared_ptr<RbxFontInfo> RbxFontInfoCache::infoWithFont(const rbx::Font& font) {
    if (!font) return nullptr;
    const QString name = font.postScriptName();
    if (auto it = current_.constFind(name); it != current_.constEnd()) return it.value();
    std::shared_ptr<RbxFontInfo> info = previous_.value(name);
    if (!info) info = std::make_shared<RbxFontInfo>(font);
    current_.insert(name, info);
    if (current_.size() >= GenerationSize) {
        previous_ = std::move(current_);
        current_ = {};
        current_.reserve(GenerationSize);
    }
    return info;
}

void RbxFontInfoCache::flushCachedCharacters() {
    for (const auto& i : std::as_const(current_)) i->flush();
    for (const auto& i : std::as_const(previous_)) i->flush();
}

std::shared_ptr<RbxFontInfo> RbxFontInfo::fontInfoWithFont(const rbx::Font& font) {
    return RbxFontInfoCache::shared().infoWithFont(font);
}

void RbxFontInfo::flushCachedCharacters() { RbxFontInfoCache::shared().flushCachedCharacters(); }

// ---- tuning -------------------------------------------------------------------------

const QVariantMap& RbxFontInfoCache::tuningDictionary() {
    if (!tuning_) {
        const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("FontTuning"), QStringLiteral("plist"));
        const kx::plist::Result r = path.isNull() ? kx::plist::Result{QVariant(), QStringLiteral("missing")}
                                                  : kx::plist::readFile(path);
        if (!r.ok() || !kx::ns::isDictionary(r.value)) {
            kx::log(QStringLiteral("could not read FontTuning dictionary."));
            tuning_ = QVariantMap();
        } else {
            tuning_ = r.value.toMap();
        }
    }
    return *tuning_;
}

QVariantMap RbxFontInfo::fontTuningDictionary() { return RbxFontInfoCache::shared().tuningDictionary(); }

std::optional<QVariantMap> RbxFontInfo::tuningForFontNamed(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    const QVariantMap dict = fontTuningDictionary();
    auto entry = [&](const QString& key) -> std::optional<QVariantMap> {
        auto it = dict.constFind(key);
        if (it == dict.constEnd() || !kx::ns::isDictionary(it.value())) return std::nullopt;
        return it.value().toMap();
    };
    if (auto e = entry(name)) return e;
    if (auto e = entry(name + QLatin1Char('*'))) return e;
    QString key = name;
    for (;;) {
        const qsizetype dash = key.lastIndexOf(QLatin1Char('-'));
        if (dash < 0) break;
        key.truncate(dash);
        if (auto e = entry(key + QLatin1Char('*'))) return e;
    }
    return std::nullopt;
}

std::optional<QVariantMap> RbxFontInfo::tuningForFont(const rbx::Font& font) {
    return tuningForFontNamed(font.postScriptName());
}

bool RbxFontInfo::tuningIgnoresLigatures(const rbx::Font& font, const QString& kind) {
    const auto t = tuningForFont(font);
    if (!t) return false;
    const QVariant v = t->value(QStringLiteral("ignoreLigatures"));
    if (!kx::ns::isString(v)) return false;
    const QString s = v.toString();
    return s == QLatin1String("all") || s == kind;
}

QStringList RbxFontInfo::ligaturesToIgnore(const QVariantMap& tuning) {
    QStringList out;
    const QVariant v = tuning.value(QStringLiteral("ignoreLigatures"));
    if (!kx::ns::isArray(v)) return out;
    for (const QVariant& e : v.toList())
        if (kx::ns::isString(e)) out << e.toString();
    return out;
}

// ---- one font -----------------------------------------------------------------------

RbxFontInfo::RbxFontInfo(const rbx::Font& font) : font_(font) {
    const QString emoji = RbxEmoji::colorEmojiFontName();
    isAppleColorEmoji_ = font && !emoji.isEmpty() && font.postScriptName() == emoji;
}

void RbxFontInfo::setFont(const rbx::Font& font) {
    font_ = font;
    displayFont_.reset();
    flush();
}

const rbx::Font& RbxFontInfo::displayFont() {
    if (!displayFont_) displayFont_ = rbx::font::fontWithContextualAlternates(font_, false);
    return *displayFont_;
}

void RbxFontInfo::flush() {
    availableCharacters_.reset();
    availableCharacterCount_ = 0;
    lastAvailableCharacter_ = 0;
    romanMapping_.reset();
    tuning_.reset();
}

void RbxFontInfo::setIgnoresFilter(bool ignore) {
    ignoreFilter_ = ignore;
    flush();
}

void RbxFontInfo::loadCharacters() {
    if (!availableCharacters_) {
        RbxRepertoireSources* src = RbxFontInfoCache::shared().sources();
        kx::CharSet set;
        const int view = RbxModelSettings::shared().intValue(QStringLiteral("view"), 1);
        if (view == 2) {
            if (src) set = src->charactersInAllFonts();
        } else if (view == 3) {
            if (src) set = src->definedCharacters();
        } else if (font_) {
            set = font_->coveredCharacters();
        }
        if (isAppleColorEmoji_) {
            set.formUnion(RbxEmoji::colorFlagsCharacterSet());
            set.formUnion(RbxEmoji::zwjCharacterSet());
            set.formUnion(RbxEmoji::keycapCharacterSet());
        }
        if (!fontLigatures_ && !ligaturesDeferred_) fontLigatures_ = RbxLigatures::ligaturesOfFont(font_);
        repertoireWithoutLigatures_ = !fontLigatures_;
        if (fontLigatures_)
            if (auto ligatureChars = fontLigatures_->characterSet()) set.formUnion(*ligatureChars);
        if (!ignoreFilter_ && src) {
            if (auto filter = src->filteredCharacters()) set.formIntersection(*filter);
        }
        kx::CharSet controls = set.intersectionWith(kx::CharSet::fromRange(0, 0x1F));
        availableCharacterCount_ = int(set.numberOfCharacters() - controls.numberOfCharacters());
        const char32_t last = set.lastCharacter();
        lastAvailableCharacter_ = last >= 0x20 ? last : 0;
        availableCharacters_ = std::move(set);
    }
    kx::str::defineLigatures(fontLigatures_ ? fontLigatures_->ligatures().value_or(QStringList()) : QStringList());
}

const kx::CharSet& RbxFontInfo::availableCharacters() {
    loadCharacters();
    return *availableCharacters_;
}

int RbxFontInfo::availableCharacterCount() {
    loadCharacters();
    return availableCharacterCount_;
}

char32_t RbxFontInfo::lastAvailableCharacter() {
    loadCharacters();
    return lastAvailableCharacter_;
}

const std::uint8_t* RbxFontInfo::planeBitmap(int plane) {
    if (plane < 0 || plane > 16) return nullptr;
    return availableCharacters().planeBitmap(plane);
}

// ---- ligatures ------------------------------------------------------------------------

void RbxFontInfo::deferLigatures() {
    if (!fontLigatures_) ligaturesDeferred_ = true;
}

bool RbxFontInfo::readDeferredLigatures() {
    if (!ligaturesDeferred_) return false;
    ligaturesDeferred_ = false;
    if (!fontLigatures_) fontLigatures_ = RbxLigatures::ligaturesOfFont(font_);
    if (!availableCharacters_ || !repertoireWithoutLigatures_ || fontLigatures_->count() == 0) return false;
    availableCharacters_.reset();
    return true;
}

const RbxLigatures& RbxFontInfo::readLigatures() {
    if (!fontLigatures_) {
        if (ligaturesDeferred_) fontLigatures_ = RbxLigatures::ligaturesOfFont(font_);
        else loadCharacters();
    }
    return *fontLigatures_;
}

int RbxFontInfo::numberOfLigatures() {
    if (!availableCharacters_ || !fontLigatures_) loadCharacters();
    return fontLigatures_ && !(ligaturesDeferred_ && repertoireWithoutLigatures_) ? fontLigatures_->count() : 0;
}

std::optional<QStringList> RbxFontInfo::ligatureStrings() { return readLigatures().ligatures(); }

char32_t RbxFontInfo::virtualLigatureCharacterForString(const QString& s) {
    if (s.isEmpty()) return 0;
    const std::size_t i = readLigatures().indexOfLigatureString(s);
    return i == kx::NotFound ? 0 : rbx::emoji::LigatureFirst + char32_t(i);
}

QString RbxFontInfo::ligatureForVirtualCharacter(char32_t c) {
    if (c < rbx::emoji::LigatureFirst) return QString();
    const std::size_t i = c - rbx::emoji::LigatureFirst;
    const auto& list = readLigatures().ligatures();
    if (!list || i >= std::size_t(list->size())) return QString();
    return list->at(qsizetype(i));
}

// ---- Mac OS Roman -------------------------------------------------------------------------

const std::int32_t* RbxFontInfo::romanMapping() {
    if (romanMapping_) return romanMapping_->data();
    if (romanNone_ || !font_) return nullptr;
    RbxCmapList list(font_);
    const int index = list.indexOfBestRomanCmap();
    const auto cmap = index >= 0 ? list.cmapAtIndex(index) : nullptr;
    if (!cmap) {
        romanNone_ = true;
        return nullptr;
    }
    auto table = std::make_unique<std::array<std::int32_t, 256>>();
    std::array<std::uint32_t, 256> glyphs{};
    for (std::uint32_t i = 32; i < 256; ++i) glyphs[i] = i;
    cmap->translateCharactersToGlyphs(glyphs.data(), 256);
    std::uint32_t maxGlyph = 0;
    for (std::uint32_t i = 32; i < 256; ++i) maxGlyph = std::max(maxGlyph, glyphs[i]);
    std::vector<char32_t> glyphChar(std::size_t(maxGlyph) + 1, 0);

    // The characters of the font itself, whatever the view or the filter, in batches.
    std::vector<char32_t> bmp;
    font_->coveredCharacters().forEach([&](char32_t c) {
        if (c <= 0xFFFF) bmp.push_back(c);
    });
    int batches = 0, failed = 0;
    for (std::size_t start = 0; start < bmp.size(); start += 1024) {
        const std::size_t end = std::min(bmp.size(), start + 1024);
        ++batches;
        bool complete = true;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint32_t g = font_->nominalGlyph(bmp[i]);
            if (g == 0) complete = false;
            if (g != 0 && g <= maxGlyph && glyphChar[g] == 0) glyphChar[g] = bmp[i];
        }
        if (!complete) ++failed;
    }
    if (failed) kx::log(QStringLiteral("romanMapping: %1 errors of %2").arg(failed).arg(batches));
    (*table)[0] = 0;
    for (int i = 0; i < 32; ++i) (*table)[std::size_t(i)] = 0;
    for (std::size_t i = 32; i < 256; ++i) (*table)[i] = glyphs[i] ? std::int32_t(glyphChar[glyphs[i]]) : 0;
    if ((*table)[32] != 0 && (*table)[32] == (*table)[202]) (*table)[202] = 0xA0;
    romanMapping_ = std::move(table);
    return romanMapping_->data();
}

char32_t RbxFontInfo::unicodeForRoman(int code) {
    if (code < 32 || code > 255) return 0;
    const std::int32_t* map = romanMapping();
    return map ? char32_t(map[code]) : 0;
}

int RbxFontInfo::romanForUnicode(char32_t c) {
    const std::int32_t* map = romanMapping();
    if (!map || c == 0) return 0;
    for (int code = 32; code < 256; ++code)
        if (char32_t(map[code]) == c) return code;
    return 0;
}

// ---- tuning values --------------------------------------------------------------------------

QVariantMap RbxFontInfo::tuning() {
    if (!tuning_) tuning_ = tuningForFont(font_).value_or(QVariantMap());
    return *tuning_;
}

double RbxFontInfo::tuningDouble(const char* key, double defaultValue) {
    const QVariant v = tuning().value(QLatin1String(key));
    return kx::ns::hasNumberValue(v) ? kx::ns::doubleValue(v) : defaultValue;
}

std::pair<double, double> RbxFontInfo::tuningZoom() {
    return {tuningDouble("zoomX", 1.0), tuningDouble("zoomY", 1.0) * 0.95};
}

double RbxFontInfo::tuningBaselineOffset() { return tuningDouble("baselineOffset", 0); }
double RbxFontInfo::tuningScaledOffsetX() { return tuningDouble("scaledOffsetX", 0); }
double RbxFontInfo::tuningRelativeWidth() { return tuningDouble("relativeWidth", 0); }

std::optional<std::vector<char32_t>> RbxFontInfo::scaleCharacters() {
    const QVariant v = tuning().value(QStringLiteral("scaleCharacters"));
    if (!kx::ns::isArray(v)) return std::nullopt;
    std::vector<char32_t> out;
    for (const QVariant& e : v.toList()) {
        if (!kx::ns::hasNumberValue(e)) continue;
        const std::int64_t c = kx::ns::integerValue(e);
        if (c >= 32 && c <= 0x10FFFF) out.push_back(char32_t(c));
    }
    if (out.empty()) return std::nullopt;
    return out;
}

double RbxFontInfo::ligatureScalingThreshold() { return std::max(1.0, tuningDouble("ligatureScalingThreshold", 1.0)); }

bool RbxFontInfo::ignoreAllLigatures() {
    return tuning().value(QStringLiteral("ignoreLigatures")) == QVariant(QStringLiteral("all"));
}

bool RbxFontInfo::ignoreGSUBLigatures() {
    const QVariant v = tuning().value(QStringLiteral("ignoreLigatures"));
    return v == QVariant(QStringLiteral("all")) || v == QVariant(QStringLiteral("GSUB"));
}

bool RbxFontInfo::ignoremorxLigatures() {
    const QVariant v = tuning().value(QStringLiteral("ignoreLigatures"));
    return v == QVariant(QStringLiteral("all")) || v == QVariant(QStringLiteral("morx"));
}

QStringList RbxFontInfo::ligaturesToIgnore() { return ligaturesToIgnore(tuning()); }

bool RbxFontInfo::fontRequiresSafeDrawing() {
    if (!colorFontInformation_) colorFontInformation_ = rbx::font::isColorFont(font_) ? 'Y' : 'N';
    if (colorFontInformation_ == 'Y') return true;
    if (RbxModelSettings::shared().boolValue(QStringLiteral("safeDrawing"), true)) return true;
    const QVariant v = tuning().value(QStringLiteral("safeDrawing"));
    return kx::ns::hasNumberValue(v) && kx::ns::intValue(v) != 0;
}

int RbxFontInfo::unicodeGlyph(char32_t c) {
    if (!font_) return 0;
    const auto glyphs = font_->shape(kx::str::stringWithUTF32Character(c), false);
    if (glyphs.isEmpty()) return 0;
    if (glyphs.size() == 1) return int(glyphs.first().glyph);
    return -int(glyphs.size());
}

// ---- descriptions --------------------------------------------------------------------------

QString RbxFontInfo::shortDescription() {
    setIgnoresFilter(true);
    const QString s = QStringLiteral("%1 / %2 (family: %3) %4 characters")
                          .arg(font_.displayName(), font_.postScriptName(), font_.familyName())
                          .arg(availableCharacterCount());
    setIgnoresFilter(false);
    return s;
}

QString RbxFontInfo::description() {
    setIgnoresFilter(true);
    const int count = availableCharacterCount();
    const char32_t last = lastAvailableCharacter();
    const auto bitmapLength = availableCharacters().bitmapRepresentation().size();
    const bool roman = font_ && RbxCmapList(font_).indexOfBestRomanCmap() >= 0;
    const QString ps = font_.postScriptName().isEmpty() ? QStringLiteral("???") : font_.postScriptName();
    const QString full = font_.displayName().isEmpty() ? QStringLiteral("???") : font_.displayName();
    const QString descriptor = font_ ? QStringLiteral("%1 (face %2, %3 pt)")
                                           .arg(font_->filePath().isEmpty() ? QStringLiteral("(memory)") : font_->filePath())
                                           .arg(font_->faceIndex()).arg(font_.pointSize())
                                     : QStringLiteral("(none)");
    QString s = QStringLiteral("%1 / %2 (family: %3)\n%4 characters, last=%5, bitmap=%6, ats=%7(%8)\n"
                               "enc: mostComp=%9(%10), tec=%11(%12), ats=%13(%14)\nATS: %15\nPS: %16\nQD: %17\n"
                               "descriptor: %18\ntuning: %19")
                    .arg(font_.displayName(), font_.postScriptName(), font_.familyName())
                    .arg(count).arg(uint(last)).arg(bitmapLength).arg(0).arg(0)
                    .arg(roman ? 30 : 10).arg(roman ? QStringLiteral("MacRoman") : QStringLiteral("Unicode"))
                    .arg(0).arg(QStringLiteral("?")).arg(0).arg(QStringLiteral("?"))
                    .arg(full, ps, QString(), descriptor, kx::ns::description(tuning()));
    s += QStringLiteral("\nlanguages: %1").arg(QStringLiteral("()"));
    s += QStringLiteral("\ncopyright: %1").arg(font_ ? font_->nameString(0) : QString());
    setIgnoresFilter(false);
    return s;
}
