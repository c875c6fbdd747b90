#pragma once
// For one font, every covered character with its glyph, so that glyph numbers read from
// layout tables can be turned back into characters (and characters into glyphs)
// without asking the font each time. A map with an error answers 0 to every query.

#include "core/CharSet.h"
#include "platform/fonts/Font.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// The code points glyph maps keep, for the process (kx::ProcessWide<KXAssignedCharacters>):
// all of them unless the composition root installed a set (the bundle's, in the programs).
class KXAssignedCharacters {
public:
    static KXAssignedCharacters& shared();
    static std::unique_ptr<KXAssignedCharacters> makeDefault();
    // Unicode's assigned code points after the bundle's list of defined characters
    // (RbxFontList::assignedCodePoints), worked out on first use; none when the list is
    // missing.
    static std::unique_ptr<KXAssignedCharacters> fromBundle();

    // `assigned` may be empty: nothing is left out.
    explicit KXAssignedCharacters(std::optional<kx::CharSet> assigned = std::nullopt);
    // nullptr when every code point counts. Any thread.
    const kx::CharSet* assignedCharacters();

private:
    explicit KXAssignedCharacters(bool fromBundle);
    const bool fromBundle_ = false;
    std::once_flag made_;
    std::optional<kx::CharSet> assigned_;
};

class KXCharGlyphMap {
public:
    // A new map; nullptr (with a log line) when building it failed outright.
    static std::shared_ptr<KXCharGlyphMap> charGlyphMapForFont(const rbx::Font& font);
    explicit KXCharGlyphMap(const rbx::Font& font);
    // A map of the given pairs (any order; a character given twice keeps its first
    // glyph). For readers of tables held in memory.
    KXCharGlyphMap(const QString& fontName, std::vector<std::pair<char32_t, std::uint16_t>> pairs);

    int nCharacters() const { return int(characters_.size()); }
    int nBMPCharacters() const { return nBMPCharacters_; }
    char32_t maxCharacter() const;
    int maxGlyph() const;
    std::uint32_t glyphForCharacter(char32_t c) const;
    char32_t characterForGlyph(std::uint32_t glyph) const;
    // characterForGlyph(), but 0 for a right-to-left character.
    char32_t leftToRightCharacterForGlyph(std::uint32_t glyph) const;

    const QString& mapError() const { return mapError_; }
    // Keeps only the first error.
    void setMapError(const QString& error);
    QString description() const;

    // The noncharacters and surrogates, and the code points outside the process's
    // assigned characters (KXAssignedCharacters) when it knows them.
    static kx::CharSet illegalCharacters();

private:
    // Fills the glyphs of the given ascending characters (all 0 on entry).
    using GlyphsOf = std::function<void(const std::vector<char32_t>&, std::vector<std::uint32_t>&)>;
    void build(const QString& fontName, const kx::CharSet& covered, const GlyphsOf& glyphsOf);

    QString fontName_;
    int nBMPCharacters_ = 0;
    int maxGlyph_ = 0;
    std::vector<char32_t> characters_;
    std::vector<std::uint16_t> glyphs_;
    mutable std::vector<char32_t> charForGlyph_; // built on first use
    mutable bool inverseBuilt_ = false;
    QString mapError_;
};
