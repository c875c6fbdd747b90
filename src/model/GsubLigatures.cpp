// Ligature candidates of the 'GSUB' ligature substitution lookups (types 4 and 7).
#include "model/LigatureReaders.h"

#include "model/KXCharGlyphMap.h"
#include "model/RbxFontInfo.h"
#include "model/VirtualCharacters.h"

namespace rbx::font {

std::uint32_t coveredGlyph(int k, const kx::ByteReader& t, std::size_t c) {
    if (k < 0 || !t.has(c, 4)) return 0;
    const unsigned format = t.u16(c), count = t.u16(c + 2);
    if (format == 1) {
        const std::size_t at = c + 4 + 2 * std::size_t(k);
        return (unsigned(k) < count && t.has(at, 2)) ? t.u16(at) : 0;
    }
    if (format == 2) {
        for (unsigned r = 0; r < count; ++r) {
            const std::size_t at = c + 4 + 6 * std::size_t(r);
            if (!t.has(at, 6)) return 0;
            const unsigned start = t.u16(at), end = t.u16(at + 2), index = t.u16(at + 4);
            if (end < start) continue;
            if (unsigned(k) >= index && unsigned(k) <= index + (end - start)) return start + unsigned(k) - index;
        }
    }
    return 0;
}

namespace {

void appendCharacter(QString& text, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        text += QChar(QChar::highSurrogate(c));
        text += QChar(QChar::lowSurrogate(c));
    } else {
        text += QChar(char16_t(c));
    }
}

std::optional<QStringList> readGSUB(const kx::ByteReader& t, const KXCharGlyphMap& map, const kx::CharSet& excluded,
                                    ReadingBudget& work) {
    QStringList result;
    result.reserve(1000);
    if (t.size() < 11) return std::nullopt;
    const std::size_t lookupList = t.u16(8);
    if (lookupList >= t.size()) return std::nullopt;
    const unsigned lookups = t.u16(lookupList);
    // Reading stops where the budget runs out; what was found until then is kept.
    for (unsigned i = 0; i < lookups && !work.isSpent(); ++i) {
        const std::size_t lookup = lookupList + t.u16(lookupList + 2 + 2 * std::size_t(i));
        const unsigned type = t.u16(lookup);
        if (type != 4 && type != 7) continue;
        const unsigned subtables = t.u16(lookup + 4);
        for (unsigned j = 0; j < subtables && work.spend(); ++j) {
            std::size_t s = lookup + t.u16(lookup + 6 + 2 * std::size_t(j));
            if (t.u16(s) != 1) return std::nullopt;
            if (type == 7) {
                if (t.u16(s + 2) != 4) continue;
                s += t.u32(s + 4);
                if (t.u16(s) != 1) return std::nullopt;
            }
            const std::size_t coverage = s + t.u16(s + 2);
            const unsigned sets = t.u16(s + 4);
            const unsigned coverageFormat = t.u16(coverage);
            if (coverageFormat != 1 && coverageFormat != 2) return std::nullopt;
            for (unsigned k = 0; k < sets && work.spend(); ++k) {
                const std::uint32_t firstGlyph = coveredGlyph(int(k), t, coverage);
                const std::size_t set = s + t.u16(s + 6 + 2 * std::size_t(k));
                const unsigned ligs = t.u16(set);
                for (unsigned w = 0; w < ligs && work.spend(); ++w) {
                    const std::size_t lig = set + t.u16(set + 2 + 2 * std::size_t(w));
                    const unsigned components = t.u16(lig + 2);
                    if (components <= 1) continue;
                    const char32_t first = map.characterForGlyph(firstGlyph);
                    if (!first) continue;
                    QString text;
                    appendCharacter(text, first);
                    bool complete = true;
                    for (unsigned n = 1; n < components; ++n) {
                        const char32_t c = work.spend() ? map.characterForGlyph(t.u16(lig + 2 + 2 * std::size_t(n))) : 0;
                        if (!c) {
                            complete = false;
                            break;
                        }
                        appendCharacter(text, c);
                    }
                    if (complete) result << text;
                }
            }
        }
    }
    if (result.isEmpty()) return std::nullopt;
    sortAndCleanupLigatures(result, excluded);
    return result;
}

} // namespace

std::optional<QStringList> ligaturesInGSUB(const kx::ByteReader& t, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded, ReadingBudget* budget) {
    if (budget) return readGSUB(t, map, excluded, *budget);
    // A table read on its own that asks for more than its size allows is refused.
    ReadingBudget own(ReadingBudget::unitsForTables(t.size()), QStringLiteral("a GSUB table"));
    std::optional<QStringList> found = readGSUB(t, map, excluded, own);
    if (own.isSpent()) throw TableTooComplex(QStringLiteral("GSUB"));
    return found;
}

std::optional<QStringList> ligaturesFromGSUBWithoutCharacters(const Font& font, const kx::CharSet& excluded,
                                                              ReadingBudget* budget) {
    if (!font) return std::nullopt;
    if (RbxFontInfo::tuningIgnoresLigatures(font, QStringLiteral("GSUB"))) return std::nullopt;
    const auto table = font->table(kx::fourCC("GSUB"));
    if (!table) return std::nullopt;
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    if (!map) return std::nullopt;
    if (budget) return ligaturesInGSUB(kx::ByteReader(*table), *map, excluded, budget);
    ReadingBudget own = readingBudgetForFont(font);
    return ligaturesInGSUB(kx::ByteReader(*table), *map, excluded, &own);
}

} // namespace rbx::font
