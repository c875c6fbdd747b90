#include "model/MorxStructure.h"

#include "model/KXCharGlyphMap.h"
#include "model/LigatureReaders.h"
#include "model/VirtualCharacters.h"

#include <algorithm>

namespace rbx::font::morx {

namespace {
QString shown(const KXCharGlyphMap& map, std::uint32_t glyph) {
    const char32_t c = map.characterForGlyph(glyph);
    return c ? kx::str::stringWithUTF32Character(c) : QStringLiteral("??");
}
void append(std::vector<QString>& classes, std::uint32_t cls, char32_t c) {
    if (c && cls < classes.size()) classes[cls] += kx::str::stringWithUTF32Character(c);
}
} // namespace

QString hexDump(const kx::ByteReader& t, std::size_t offset, std::size_t length) {
    return QLatin1Char('<') + t.slice(offset, length).hexStringWithByteGroups(4).toLower() + QLatin1Char('>');
}

LigatureSubtable readLigatureSubtable(const kx::ByteReader& t, std::size_t position, std::uint32_t length) {
    LigatureSubtable s;
    s.position = position;
    s.length = length;
    s.header = position + 12;
    s.nClasses = t.u32(s.header);
    s.classTable = t.u32(s.header + 4);
    s.stateArray = t.u32(s.header + 8);
    s.entryTable = t.u32(s.header + 12);
    s.ligActions = t.u32(s.header + 16);
    s.components = t.u32(s.header + 20);
    s.ligatures = t.u32(s.header + 24);
    return s;
}

ClassTable readClassTable(const kx::ByteReader& t, const LigatureSubtable& sub, const KXCharGlyphMap& map,
                          std::vector<QString>& classes, QStringList* lines, ReadingBudget& budget) {
    const std::size_t k = sub.header + sub.classTable;
    const unsigned format = t.u16(k);
    // Segments may overlap in a damaged table, and subtables may share one lookup; a
    // well-formed table visits each glyph once per lookup.
    const std::uint32_t n = sub.nClasses;
    if (lines) *lines << QStringLiteral("           class lookup format: %1").arg(format);
    unsigned unitSize = 0, units = 0;
    if (format == 2 || format == 4 || format == 6) {
        unitSize = t.u16(k + 2);
        units = t.u16(k + 4);
        if (lines)
            *lines << QStringLiteral("             bin search: unitSize=%1, nUnits=%2, searchRng=%3, entrySel=%4, rngShift=%5")
                          .arg(unitSize).arg(units).arg(t.u16(k + 6)).arg(t.u16(k + 8)).arg(t.u16(k + 10));
    }
    switch (format) {
    case 2: {
        if (unitSize != 6) {
            if (lines) *lines << QStringLiteral("*** unit size %1 must be 6 for lookup format 2").arg(unitSize);
            return ClassTable::WrongUnitSize;
        }
        for (unsigned i = 0; i < units; ++i) {
            const std::size_t at = k + 12 + 6 * std::size_t(i);
            const unsigned last = t.u16(at), first = t.u16(at + 2), cls = t.u16(at + 4);
            if (lines)
                *lines << QStringLiteral("             %1: %2(%3)-%4(%5) -> %6")
                              .arg(i + 1).arg(first).arg(shown(map, first)).arg(last).arg(shown(map, last)).arg(cls);
            if (!budget.spend(cls != 0 && cls < n && first <= last ? last - first + 2 : 1)) return ClassTable::BudgetSpent;
            if (cls != 0 && cls < n)
                if (auto chars = classCharactersForGlyphs(first, last, map)) classes[cls] = *chars;
        }
        return ClassTable::Read;
    }
    case 4: {
        if (unitSize != 6) {
            if (lines) *lines << QStringLiteral("*** unit size %1 must be 6 for lookup format 4").arg(unitSize);
            return ClassTable::WrongUnitSize;
        }
        for (unsigned i = 0; i < units; ++i) {
            const std::size_t at = k + 12 + 6 * std::size_t(i);
            const unsigned last = t.u16(at), first = t.u16(at + 2), offset = t.u16(at + 4);
            const std::size_t values = k + offset;
            if (lines) {
                const std::size_t count = last >= first ? std::size_t(last - first + 1) : 0;
                *lines << QStringLiteral("             %1: %2(%3)-%4(%5) -> @+%6 %7")
                              .arg(i + 1).arg(first).arg(shown(map, first)).arg(last).arg(shown(map, last))
                              .arg(offset).arg(hexDump(t, values, 2 * count));
            }
            if (!budget.spend(1)) return ClassTable::BudgetSpent;
            if (first == 0xFFFF || last == 0xFFFF || first > last) continue;
            if (!budget.spend(last - first + 1)) return ClassTable::BudgetSpent;
            for (unsigned g = first; g <= last; ++g)
                append(classes, t.u16(values + 2 * std::size_t(g - first)), map.leftToRightCharacterForGlyph(g));
        }
        return ClassTable::Read;
    }
    case 6: {
        if (unitSize != 4) {
            if (lines) *lines << QStringLiteral("*** unit size %1 should be 4 for lookup format 6").arg(unitSize);
            return ClassTable::WrongUnitSize;
        }
        for (unsigned i = 0; i < units; ++i) {
            const std::size_t at = k + 12 + 4 * std::size_t(i);
            if (!budget.spend(1)) return ClassTable::BudgetSpent;
            const unsigned glyph = t.u16(at), cls = t.u16(at + 2);
            if (glyph == 0xFFFF) break;
            if (lines)
                *lines << QStringLiteral("             %1: %2(%3) -> %4").arg(i + 1).arg(glyph).arg(shown(map, glyph)).arg(cls);
            append(classes, cls, map.leftToRightCharacterForGlyph(glyph));
        }
        return ClassTable::Read;
    }
    case 8: {
        const unsigned first = t.u16(k + 2), count = t.u16(k + 4);
        const unsigned last = (first + count - 1) & 0xFFFF;
        if (lines)
            *lines << QStringLiteral("             %1(%2)-%3(%4) ->%5")
                          .arg(first).arg(shown(map, first)).arg(last).arg(shown(map, last))
                          .arg(hexDump(t, k + 6, 2 * std::size_t(count)));
        if (first == 0xFFFF || last == 0xFFFF || first > last) return ClassTable::Read;
        if (!budget.spend(count)) return ClassTable::BudgetSpent;
        for (unsigned i = 0; i < count; ++i)
            append(classes, t.u16(k + 6 + 2 * std::size_t(i)), map.leftToRightCharacterForGlyph(first + i));
        return ClassTable::Read;
    }
    case 0:
        if (lines) *lines << QStringLiteral("           ********** format 0 is not yet supported");
        return ClassTable::Unsupported;
    default:
        if (lines) *lines << QStringLiteral("           ********** UNKNOWN LOOKUP FORMAT %1").arg(format);
        return ClassTable::Unknown;
    }
}

std::uint32_t regionEnd(const LigatureSubtable& sub, std::uint32_t offset) {
    const std::uint32_t others[] = {sub.classTable, sub.stateArray, sub.entryTable, sub.ligActions, sub.components,
                                    sub.ligatures};
    std::uint32_t end = sub.length;
    for (std::uint32_t o : others)
        if (o > offset && o < end) end = o;
    return std::max(end, offset);
}

Regions regionsOf(const LigatureSubtable& sub) {
    Regions r;
    r.stateEnd = regionEnd(sub, sub.stateArray);
    r.stateSize = r.stateEnd - sub.stateArray;
    r.entryEnd = regionEnd(sub, sub.entryTable);
    r.entrySize = r.entryEnd - sub.entryTable;
    if (sub.nClasses > 0) {
        const std::uint64_t row = 2ull * sub.nClasses;
        r.nStates = int(std::min<std::uint64_t>(r.stateSize / row, 0x7FFFFFFF));
        r.statesFit = r.stateSize - std::uint64_t(r.nStates) * row < 4;
    }
    r.nEntries = int(r.entrySize / 6);
    r.entriesFit = r.entrySize - 6u * std::uint32_t(r.nEntries) < 4;
    return r;
}

std::optional<std::vector<std::uint16_t>> packedStates(const kx::ByteReader& t, const LigatureSubtable& sub,
                                                       const Regions& r, const std::vector<QString>& classes,
                                                       QStringList* lines, ReadingBudget& budget) {
    const std::size_t entries = sub.header + sub.entryTable, states = sub.header + sub.stateArray;
    if (!budget.spend(std::size_t(r.nEntries) + std::size_t(r.nStates) * sub.nClasses)) return std::nullopt;
    std::vector<std::uint16_t> packed(std::size_t(r.nEntries));
    for (int e = 0; e < r.nEntries; ++e) {
        const std::size_t at = entries + 6 * std::size_t(e);
        const unsigned newState = t.u16(at), flags = t.u16(at + 2);
        packed[std::size_t(e)] = std::uint16_t(((flags & 0x2000) ? 0x8000 : 0) | (newState & 0x7FFF));
        if (lines) {
            const unsigned p = packed[std::size_t(e)];
            *lines << ((p & 0x8000) ? QStringLiteral("%1: [%2]").arg(e).arg(p & 0x3FFF)
                                    : QStringLiteral("%1: %2").arg(e).arg(p));
        }
    }
    const std::size_t nClasses = sub.nClasses;
    const std::size_t count = std::size_t(r.nStates) * nClasses;
    std::vector<std::uint16_t> cells(count);
    if (count) t.slice(states, 2 * count); // the whole array lies inside, or throws
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned index = t.u16(states + 2 * i);
        if (index < unsigned(r.nEntries)) {
            cells[i] = packed[index];
        } else {
            cells[i] = 0;
            if (lines) *lines << QStringLiteral("*** invalid entry %1 (should be < %2)").arg(index).arg(r.nEntries);
        }
    }
    if (nClasses >= 5) {
        for (std::size_t k = 4; k < nClasses; ++k) {
            if (k < classes.size() && !classes[k].isEmpty()) continue;
            if (lines) *lines << QStringLiteral("empty class %1").arg(k);
            for (int s = 0; s < r.nStates; ++s) cells[std::size_t(s) * nClasses + k] = 0;
        }
    }
    return cells;
}

} // namespace rbx::font::morx
