#include "model/FontTableReports.h"

#include "model/KXCharGlyphMap.h"
#include "model/LigatureReaders.h"
#include "model/MorxStructure.h"
#include "model/VirtualCharacters.h"

namespace rbx::font {

namespace {
QString hexNumber(std::uint64_t v) { return QString::number(v, 16).toUpper(); }
} // namespace

// ---- GSUB -------------------------------------------------------------------------------

std::optional<QStringList> detailsOfGSUBTable(const kx::ByteReader& t, const KXCharGlyphMap& map) {
    QStringList lines;
    lines << QStringLiteral("GSUB %1 [%2] bytes").arg(t.size()).arg(hexNumber(t.size()));
    if (t.size() < 11) return lines;
    const std::size_t list = t.u16(8);
    lines << QStringLiteral("lookup list offset: %1 [%2]").arg(list).arg(hexNumber(list));
    if (list >= t.size()) return lines;
    const unsigned n = t.u16(list);
    lines << QStringLiteral("items in lookup list: %1").arg(n);
    ReadingBudget budget(ReadingBudget::unitsForTables(t.size()), QStringLiteral("a GSUB table"));
    auto spend = [&](std::size_t n = 1) {
        if (!budget.spend(n)) throw TableTooComplex(QStringLiteral("GSUB"));
    };
    for (unsigned i = 0; i < n; ++i) {
        const unsigned o = t.u16(list + 2 + 2 * std::size_t(i));
        const std::size_t p = list + o;
        const unsigned type = t.u16(p);
        lines << QStringLiteral("%1: %2, type = %3").arg(i).arg(o).arg(type);
        if (type != 4 && type != 7) continue;
        const unsigned c = t.u16(p + 4);
        lines << QStringLiteral("   subTables: %1").arg(c);
        for (unsigned j = 0; j < c; ++j) {
            spend();
            const unsigned so = t.u16(p + 6 + 2 * std::size_t(j));
            lines << QStringLiteral("       subTable offset: %1").arg(so);
            std::size_t s = p + so;
            if (t.u16(s) != 1) return std::nullopt;
            if (type == 7) {
                const unsigned e = t.u16(s + 2);
                const std::uint32_t x = t.u32(s + 4);
                lines << QStringLiteral("    ext. type = %1, ext. offset = %2").arg(e).arg(x);
                if (e != 4) continue;
                s += x;
                if (t.u16(s) != 1) return std::nullopt;
            }
            const unsigned k = t.u16(s + 2);
            const std::size_t cov = s + k;
            const unsigned f = t.u16(cov), m = t.u16(s + 4);
            lines << QStringLiteral("        - format: %1, covOffset=%2, covFormat=%3, ligature sets: %4")
                         .arg(1).arg(k).arg(f).arg(m);
            QStringList covered;
            if (f == 1) {
                const unsigned g = t.u16(cov + 2);
                lines << QStringLiteral("          - covered glyphs: %1").arg(g);
                spend(g);
                for (unsigned q = 0; q < g; ++q) covered << QString::number(t.u16(cov + 4 + 2 * std::size_t(q)));
            } else if (f == 2) {
                const unsigned r = t.u16(cov + 2);
                spend(r);
                for (unsigned q = 0; q < r; ++q) {
                    const std::size_t at = cov + 4 + 6 * std::size_t(q);
                    covered << QStringLiteral("%1-%2(%3)").arg(t.u16(at)).arg(t.u16(at + 2)).arg(t.u16(at + 4));
                }
                lines << QStringLiteral("          - covered ranges: %1").arg(r);
            } else {
                return std::nullopt;
            }
            lines << QStringLiteral("            -> %1").arg(covered.join(QStringLiteral(", ")));
            for (unsigned q = 0; q < m; ++q) {
                const unsigned to = t.u16(s + 6 + 2 * std::size_t(q));
                const unsigned count = t.u16(s + to);
                const std::uint32_t g1 = coveredGlyph(int(q), t, cov);
                lines << QStringLiteral("            -- %1: offset: %2, %3 ligatures, glyph#1=%4").arg(q).arg(to).arg(count).arg(g1);
                spend();
                for (unsigned w = 0; w < count; ++w) {
                    spend();
                    const unsigned a = t.u16(s + to + 2 + 2 * std::size_t(w));
                    const std::size_t at = s + to + a;
                    const unsigned lg = t.u16(at), nc = t.u16(at + 2);
                    lines << QStringLiteral("              --- %1: lig-off: %2, ligG=%3, #=%4").arg(w).arg(a).arg(lg).arg(nc);
                    if (nc <= 1) {
                        lines << QStringLiteral("*** invalid ligature component count %1 (should be >=2)").arg(nc);
                        continue;
                    }
                    // Each component is read and written out: many ligatures can share
                    // one table of thousands of components.
                    spend(nc);
                    std::vector<std::uint32_t> glyphs{g1};
                    for (unsigned x = 1; x < nc; ++x) glyphs.push_back(t.u16(at + 2 + 2 * std::size_t(x)));
                    QStringList numbers;
                    QString text;
                    for (std::uint32_t g : glyphs) {
                        numbers << QString::number(g);
                        const char32_t ch = map.characterForGlyph(g);
                        text += ch ? kx::str::stringWithUTF32Character(ch) : QStringLiteral("[%1]").arg(g);
                    }
                    lines << QStringLiteral("                     >> %1 = \"%2\"").arg(numbers.join(QStringLiteral(", ")), text);
                }
            }
        }
    }
    return lines;
}

std::optional<QStringList> detailsOfGSUB(const Font& font) {
    if (!font) return std::nullopt;
    const auto table = font->table(kx::fourCC("GSUB"));
    if (!table) return std::nullopt;
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    if (!map) return std::nullopt;
    return detailsOfGSUBTable(kx::ByteReader(*table), *map);
}

// ---- morx -------------------------------------------------------------------------------

namespace {

// Steps 5 to 12 for one ligature subtable; false when the report ends here.
// The whole report shares `budget`; when it runs out the report is not made
// (TableTooComplex).
bool describeLigatureSubtable(const kx::ByteReader& t, std::size_t pos, std::uint32_t length,
                              const KXCharGlyphMap& map, const QString& fontName, QStringList& lines,
                              ReadingBudget& budget) {
    using namespace morx;
    const LigatureSubtable sub = readLigatureSubtable(t, pos, length);
    lines << QStringLiteral("       %1 classes; classes@%2, states@%3, entries@%4, actions@%5, comp@%6, lig@%7")
                 .arg(sub.nClasses).arg(sub.classTable).arg(sub.stateArray).arg(sub.entryTable)
                 .arg(sub.ligActions).arg(sub.components).arg(sub.ligatures);
    if (sub.nClasses > MaxClasses) {
        lines << QStringLiteral("           ********** number of classes must not exceed %1").arg(MaxClasses);
        return false;
    }
    const std::uint32_t n = sub.nClasses;
    std::vector<QString> classes(n);
    const ClassTable read = readClassTable(t, sub, map, classes, &lines, budget);
    if (read == ClassTable::BudgetSpent) throw TableTooComplex(QStringLiteral("morx"));
    if (read == ClassTable::Unsupported) return false;
    for (std::uint32_t k = 0; k < n; ++k) {
        const QString& s = classes[k];
        if (s.isEmpty()) continue;
        lines << QStringLiteral("  C#%1: %2 (%3), len=%4").arg(k).arg(s).arg(s.at(0).unicode()).arg(s.size());
    }

    const Regions r = regionsOf(sub);
    lines << QStringLiteral("             +++ end of state table = %1, length = %2").arg(r.stateEnd).arg(r.stateSize);
    const bool padded = n > 0 && r.statesFit;
    if ((r.stateSize % 2) && !padded) {
        lines << QStringLiteral("           ********** state table length must be a multiple of 2");
        return false;
    }
    if (n == 0) {
        lines << QStringLiteral("           ********** number of classes must not be 0");
        return false;
    }
    if (!r.statesFit) {
        lines << QStringLiteral("           ********** State table size (%1) must be a multiple of the number of classes (%2)")
                     .arg(r.stateSize / 2).arg(n);
        return false;
    }
    lines << QStringLiteral("             +++ items in state table = %1 = %2 states x %3 classes")
                 .arg(std::uint64_t(r.nStates) * n).arg(r.nStates).arg(n);
    for (int s = 0; s < r.nStates; ++s)
        lines << QStringLiteral("                  S#%1: %2")
                     .arg(s).arg(hexDump(t, sub.header + sub.stateArray + 2 * std::size_t(n) * std::size_t(s), 2 * std::size_t(n)));

    lines << QStringLiteral("             +++ end of entry table = %1, length = %2").arg(r.entryEnd).arg(r.entrySize);
    if (!r.entriesFit) {
        lines << QStringLiteral("           ********** entry table length must be a multiple of 6");
        return false;
    }
    lines << QStringLiteral("             +++ items in entry table = %1").arg(r.nEntries);
    for (int e = 0; e < r.nEntries; ++e) {
        const std::size_t at = sub.header + sub.entryTable + 6 * std::size_t(e);
        const unsigned flags = t.u16(at + 2);
        lines << QStringLiteral("                #%1: %2 %3%4%5 %6")
                     .arg(e).arg(t.u16(at))
                     .arg(QLatin1Char((flags & 0x8000) ? 'S' : '-'))
                     .arg(QLatin1Char((flags & 0x4000) ? 'D' : '-'))
                     .arg(QLatin1Char((flags & 0x2000) ? 'A' : '-'))
                     .arg(t.u16(at + 4));
    }

    lines << QStringLiteral("***** TRY STATE TRANSITIONS *****");
    const auto packed = packedStates(t, sub, r, classes, &lines, budget);
    if (!packed) throw TableTooComplex(QStringLiteral("morx"));
    const std::vector<std::uint16_t>& cells = *packed;
    for (int s = 0; s < r.nStates; ++s) {
        QString row = QStringLiteral("%1:").arg(s);
        for (std::uint32_t k = 0; k < n; ++k) {
            const unsigned cell = cells[std::size_t(s) * n + k];
            row += (cell & 0x8000) ? QStringLiteral(" [%1]").arg(cell & 0x3FFF) : QStringLiteral(" %1").arg(cell);
        }
        lines << row;
    }
    lines << QStringLiteral("Class sequences:");
    QStringList classStrings;
    for (const QString& s : classes) classStrings << s;
    ClassSequenceSearch search(cells, r.nStates, int(n), classStrings, true, &budget);
    if (auto found = search.run(fontName)) lines += *found;
    if (budget.isSpent()) throw TableTooComplex(QStringLiteral("morx"));

    struct Region { std::uint32_t offset; int multiple; const char* endText; const char* errorText; };
    const Region regions[] = {
        {sub.ligActions, 4, "             +++ end of action table = %1, length = %2",
         "           ********** action table length must be a multiple of 4"},
        {sub.components, 2, "             +++ end of component table = %1, length = %2",
         "           ********** component table length must be a multiple of 2"},
        {sub.ligatures, 2, "             +++ end of ligature list = %1, length = %2",
         "           ********** ligature list length must be a multiple of 2"},
    };
    for (const Region& g : regions) {
        const std::uint32_t end = regionEnd(sub, g.offset);
        const std::uint32_t size = end - g.offset;
        lines << QString::fromLatin1(g.endText).arg(end).arg(size);
        if (size % std::uint32_t(g.multiple)) {
            lines << QString::fromLatin1(g.errorText);
            return false;
        }
    }
    return true;
}

} // namespace

QStringList detailsOfmorxTable(const kx::ByteReader& t, const KXCharGlyphMap& map, const QString& fontName) {
    ReadingBudget budget(ReadingBudget::unitsForTables(t.size()), fontName);
    QStringList lines;
    lines << QStringLiteral("morx %1 [%2] bytes").arg(t.size()).arg(hexNumber(t.size()));
    if (t.size() < 25) return lines;
    const std::uint32_t chains = t.u32(4);
    lines << QStringLiteral("version=%1, nChains=%2").arg(t.u16(0)).arg(chains);
    if (chains == 0) return lines;
    std::size_t o = 8;
    for (std::uint32_t c = 1; c <= chains; ++c) {
        if (!t.has(o, 16)) {
            lines << QStringLiteral("*** chain %1 header at %2 not inside table").arg(c).arg(o);
            return lines;
        }
        const std::uint32_t flags = t.u32(o), length = t.u32(o + 4), features = t.u32(o + 8), subtables = t.u32(o + 12);
        lines << QStringLiteral("#%1: def.flags=%2, len=%3, nFeatures=%4, nSub=%5")
                     .arg(c).arg(hexNumber(flags)).arg(length).arg(features).arg(subtables);
        if (!t.has(o, length)) {
            lines << QStringLiteral("*** chain %1 header at %2 (length %3) not inside table").arg(c).arg(o).arg(length);
            return lines;
        }
        lines << QStringLiteral("-- %1 features:").arg(features);
        lines << QStringLiteral("-- %1 subtables:").arg(subtables);
        std::size_t pos = o + 16 + 12 * std::size_t(features);
        for (std::uint32_t s = 1; s <= subtables; ++s) {
            const std::uint32_t subLength = t.u32(pos), coverage = t.u32(pos + 4), subFlags = t.u32(pos + 8);
            if (!t.has(pos, subLength)) {
                lines << QStringLiteral("*** subtable %1 header at %2 (length %3) not inside table").arg(s).arg(pos).arg(subLength);
                return lines;
            }
            if (subLength == 0) { // would describe the same subtable forever
                lines << QStringLiteral("*** subtable %1 header at %2 (length %3) not inside table").arg(s).arg(pos).arg(subLength);
                return lines;
            }
            if ((coverage & 0xFF) == 2) {
                lines << QStringLiteral("    %1: sub.length=%2, coverage=%3, flags=%4 -- LIGATURE")
                             .arg(s).arg(subLength).arg(hexNumber(coverage)).arg(hexNumber(subFlags));
                if (!describeLigatureSubtable(t, pos, subLength, map, fontName, lines, budget)) return lines;
            }
            pos += subLength;
        }
        if (length == 0) { // the next chain would start here again
            lines << QStringLiteral("*** chain %1 header at %2 (length %3) not inside table").arg(c + 1).arg(o).arg(length);
            return lines;
        }
        o += length;
    }
    return lines;
}

std::optional<QStringList> detailsOfmorx(const Font& font) {
    if (!font) return std::nullopt;
    const auto table = font->table(kx::fourCC("morx"));
    if (!table) return std::nullopt;
    const auto map = KXCharGlyphMap::charGlyphMapForFont(font);
    if (!map) return std::nullopt;
    return detailsOfmorxTable(kx::ByteReader(*table), *map, font.postScriptName());
}

} // namespace rbx::font
