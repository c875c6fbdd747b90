#include "model/KXCharGlyphMap.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "core/StringExtensions.h"
#include "model/RbxFontList.h"

#include <algorithm>
#include <exception>

KXAssignedCharacters& KXAssignedCharacters::shared() { return kx::ProcessWide<KXAssignedCharacters>::get(); }

std::unique_ptr<KXAssignedCharacters> KXAssignedCharacters::makeDefault() { return std::make_unique<KXAssignedCharacters>(); }

std::unique_ptr<KXAssignedCharacters> KXAssignedCharacters::fromBundle() {
    return std::unique_ptr<KXAssignedCharacters>(new KXAssignedCharacters(true));
}

KXAssignedCharacters::KXAssignedCharacters(std::optional<kx::CharSet> assigned) : assigned_(std::move(assigned)) {}

KXAssignedCharacters::KXAssignedCharacters(bool fromBundle) : fromBundle_(fromBundle) {}

const kx::CharSet* KXAssignedCharacters::assignedCharacters() {
    std::call_once(made_, [this] {
        if (fromBundle_) assigned_ = RbxFontList::assignedCodePoints(RbxFontList::bundleDefinedUnicodeCharacters());
    });
    return assigned_ ? &*assigned_ : nullptr;
}

kx::CharSet KXCharGlyphMap::illegalCharacters() {
    kx::CharSet illegal;
    if (const kx::CharSet* assigned = KXAssignedCharacters::shared().assignedCharacters()) {
        illegal = *assigned;
        illegal.invert();
    }
    illegal.addCharactersFrom(0xD800, 0xDFFF);
    illegal.addCharactersFrom(0xFDD0, 0xFDEF);
    for (char32_t plane = 0; plane <= 0x10; ++plane) illegal.addCharactersFrom((plane << 16) | 0xFFFE, (plane << 16) | 0xFFFF);
    return illegal;
}

std::shared_ptr<KXCharGlyphMap> KXCharGlyphMap::charGlyphMapForFont(const rbx::Font& font) {
    try {
        return std::make_shared<KXCharGlyphMap>(font);
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("charGlyphMapForFont exception: %1").arg(QString::fromUtf8(e.what())));
        return nullptr;
    }
}

KXCharGlyphMap::KXCharGlyphMap(const rbx::Font& font) {
    if (!font) {
        fontName_ = QString();
        setMapError(QStringLiteral("glyph map without a font"));
        return;
    }
    const auto face = font.face();
    build(font.postScriptName(), face->coveredCharacters(), [&](char32_t c) { return face->nominalGlyph(c); });
}

KXCharGlyphMap::KXCharGlyphMap(const QString& fontName, std::vector<std::pair<char32_t, std::uint16_t>> pairs) {
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    kx::CharSet set;
    for (const auto& p : pairs) set.addCharacter(p.first);
    build(fontName, set, [&](char32_t c) -> std::uint32_t {
        auto it = std::lower_bound(pairs.begin(), pairs.end(), c, [](const auto& p, char32_t v) { return p.first < v; });
        return (it != pairs.end() && it->first == c) ? it->second : 0;
    });
}

void KXCharGlyphMap::build(const QString& fontName, const kx::CharSet& covered,
                           const std::function<std::uint32_t(char32_t)>& glyphOf) {
    fontName_ = fontName;
    const kx::CharSet chars = covered.minus(illegalCharacters());
    const int n = int(chars.numberOfCharacters());
    const int bmp = int(chars.numberOfCharactersInPlane(0));
    nBMPCharacters_ = bmp;
    // The UTF-16 form of the repertoire must have one unit per BMP character and two per
    // other character.
    const QString text = chars.stringWithCharacters();
    const int expected = 2 * n - bmp;
    if (text.size() != expected) {
        setMapError(QStringLiteral("glyph mapping mismatch for font %1: %2 characters, %3 in BMP, %4 outside, "
                                   "string length = %5, expected %6")
                        .arg(fontName).arg(n).arg(bmp).arg(n - bmp).arg(text.size()).arg(expected));
        return;
    }
    characters_.reserve(std::size_t(n));
    glyphs_.reserve(std::size_t(n));
    bool allGlyphs = true;
    for (kx::str::CodePointIterator it(text); it.hasNext();) {
        const char32_t c = it.next();
        if (it.brokenHalf()) continue;
        if (int(characters_.size()) >= n) {
            setMapError(QStringLiteral("Index overflow when collecting glyphs for font %1").arg(fontName));
            break;
        }
        const std::uint32_t g = glyphOf(c);
        if (g == 0 || g > 0xFFFF) allGlyphs = false;
        characters_.push_back(c);
        glyphs_.push_back(std::uint16_t(g));
        maxGlyph_ = std::max(maxGlyph_, int(g & 0xFFFF));
    }
    if (!allGlyphs) setMapError(QStringLiteral("Could not get all glyphs for font %1").arg(fontName));
    if (int(characters_.size()) < n)
        setMapError(QStringLiteral("Index underflow (%1 < %2) when collecting glyphs for font %3")
                        .arg(characters_.size()).arg(n).arg(fontName));
}

void KXCharGlyphMap::setMapError(const QString& error) {
    if (mapError_.isEmpty()) mapError_ = error;
}

char32_t KXCharGlyphMap::maxCharacter() const {
    if (!mapError_.isEmpty() || characters_.empty()) return 0;
    return characters_.back();
}

int KXCharGlyphMap::maxGlyph() const { return mapError_.isEmpty() ? maxGlyph_ : 0; }

std::uint32_t KXCharGlyphMap::glyphForCharacter(char32_t c) const {
    if (!mapError_.isEmpty()) return 0;
    auto it = std::lower_bound(characters_.begin(), characters_.end(), c);
    if (it == characters_.end() || *it != c) return 0;
    return glyphs_[std::size_t(it - characters_.begin())];
}

char32_t KXCharGlyphMap::characterForGlyph(std::uint32_t glyph) const {
    if (!mapError_.isEmpty() || glyph > std::uint32_t(maxGlyph_)) return 0;
    if (!inverseBuilt_) {
        inverseBuilt_ = true;
        charForGlyph_.assign(std::size_t(maxGlyph_) + 1, 0);
        // Ascending, so the highest character of a glyph wins.
        for (std::size_t i = 0; i < characters_.size(); ++i) charForGlyph_[glyphs_[i]] = characters_[i];
    }
    return charForGlyph_[glyph];
}

char32_t KXCharGlyphMap::leftToRightCharacterForGlyph(std::uint32_t glyph) const {
    const char32_t c = characterForGlyph(glyph);
    return (c && kx::CharSet::rightToLeftCharacterSet().contains(c)) ? 0 : c;
}

QString KXCharGlyphMap::description() const {
    QString s = QStringLiteral("glyph map (%1 characters, max glyph = %2)").arg(characters_.size()).arg(maxGlyph_);
    if (!mapError_.isEmpty()) s += QStringLiteral(" ** %1").arg(mapError_);
    return s;
}
