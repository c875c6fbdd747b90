#include "model/KXCharGlyphMap.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "model/RbxCmapList.h"
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

namespace {

// The glyphs of ascending characters, from one pass over the face's Unicode 'cmap'
// subtable (the full one, else the BMP one); what the subtable leaves unmapped, and
// every character of a face without one, the face maps itself.
void glyphsFromCmap(const rbx::Font& font, const std::vector<char32_t>& chars, std::vector<std::uint32_t>& glyphs) {
    RbxCmapList list(font);
    if (const int full = list.indexOfFullUnicodeCmap(); full >= 0) {
        const std::unique_ptr<RbxCmap> cmap = list.anyCmapAtIndex(full);
        if (const auto* groups = dynamic_cast<const RbxCmap12*>(cmap.get())) {
            const auto mapped = groups->allMappings();
            auto m = mapped.begin();
            for (std::size_t i = 0; i < chars.size(); ++i) {
                while (m != mapped.end() && m->first < chars[i]) ++m;
                if (m != mapped.end() && m->first == chars[i]) glyphs[i] = m->second;
            }
        }
    } else if (const int bmp = list.indexOfBestUnicodeCmap(); bmp >= 0) {
        if (const std::unique_ptr<RbxCmap> cmap = list.cmapAtIndex(bmp)) {
            std::size_t n = 0;
            while (n < chars.size() && chars[n] <= 0xFFFF) glyphs[n] = chars[n], ++n;
            cmap->translateCharactersToGlyphs(glyphs.data(), int(n));
        }
    }
    const auto face = font.face();
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (glyphs[i] == 0) glyphs[i] = face->nominalGlyph(chars[i]);
}

} // namespace

KXCharGlyphMap::KXCharGlyphMap(const rbx::Font& font) {
    if (!font) {
        fontName_ = QString();
        setMapError(QStringLiteral("glyph map without a font"));
        return;
    }
    build(font.postScriptName(), font->coveredCharacters(),
          [&](const std::vector<char32_t>& chars, std::vector<std::uint32_t>& glyphs) { glyphsFromCmap(font, chars, glyphs); });
}

KXCharGlyphMap::KXCharGlyphMap(const QString& fontName, std::vector<std::pair<char32_t, std::uint16_t>> pairs) {
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    kx::CharSet set;
    for (const auto& p : pairs) set.addCharacter(p.first);
    build(fontName, set, [&](const std::vector<char32_t>& chars, std::vector<std::uint32_t>& glyphs) {
        auto it = pairs.begin();
        for (std::size_t i = 0; i < chars.size(); ++i) {
            while (it != pairs.end() && it->first < chars[i]) ++it;
            glyphs[i] = (it != pairs.end() && it->first == chars[i]) ? it->second : 0;
        }
    });
}

void KXCharGlyphMap::build(const QString& fontName, const kx::CharSet& covered, const GlyphsOf& glyphsOf) {
    fontName_ = fontName;
    const kx::CharSet chars = covered.minus(illegalCharacters());
    nBMPCharacters_ = int(chars.numberOfCharactersInPlane(0));
    characters_.reserve(chars.numberOfCharacters());
    chars.forEach([&](char32_t c) { characters_.push_back(c); });
    std::vector<std::uint32_t> glyphs(characters_.size(), 0);
    glyphsOf(characters_, glyphs);
    glyphs_.reserve(glyphs.size());
    bool allGlyphs = true;
    for (const std::uint32_t g : glyphs) {
        if (g == 0 || g > 0xFFFF) allGlyphs = false;
        glyphs_.push_back(std::uint16_t(g));
        maxGlyph_ = std::max(maxGlyph_, int(g & 0xFFFF));
    }
    if (!allGlyphs) setMapError(QStringLiteral("Could not get all glyphs for font %1").arg(fontName));
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
