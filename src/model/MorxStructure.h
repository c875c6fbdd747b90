#pragma once
// The parts of a 'morx' ligature subtable shared by the ligature reader and the table
// report: its state-table header, its glyph class table, the sizes of its regions and
// the packed state array. Reads are bounds-checked (kx::OutOfBounds). Where a report is
// being written, `lines` receives the report's lines for each step.

#include "core/ByteReader.h"
#include "model/FontReadingBudget.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class KXCharGlyphMap;

namespace rbx::font::morx {

// More classes than glyphs can exist mark a damaged subtable.
inline constexpr std::uint32_t MaxClasses = 65536;

struct LigatureSubtable {
    std::size_t position = 0;  // of the subtable in the table
    std::uint32_t length = 0;  // of the subtable
    std::size_t header = 0;    // of the state-table header (position + 12); offsets count from here
    std::uint32_t nClasses = 0;
    std::uint32_t classTable = 0, stateArray = 0, entryTable = 0, ligActions = 0, components = 0, ligatures = 0;
};
LigatureSubtable readLigatureSubtable(const kx::ByteReader& t, std::size_t position, std::uint32_t length);

enum class ClassTable { Read, Unsupported, Unknown, WrongUnitSize, BudgetSpent };
// Fills one string per class with the left-to-right characters of its glyphs, one unit
// of the budget per segment, entry and glyph read. Unsupported (lookup format 0) ends
// the reading of the whole table, and so does BudgetSpent (the classes are then
// incomplete).
ClassTable readClassTable(const kx::ByteReader& t, const LigatureSubtable& sub, const KXCharGlyphMap& map,
                          std::vector<QString>& classes, QStringList* lines, ReadingBudget& budget);

// The end of a region: the nearest other offset above it, or the subtable length when
// that is nearer.
std::uint32_t regionEnd(const LigatureSubtable& sub, std::uint32_t offset);

struct Regions {
    std::uint32_t stateEnd = 0, stateSize = 0, entryEnd = 0, entrySize = 0;
    int nStates = 0, nEntries = 0;
    // A remainder under 4 bytes is alignment padding, which font compilers write.
    bool statesFit = false, entriesFit = false;
};
Regions regionsOf(const LigatureSubtable& sub);

// The state array with each cell replaced by its packed entry (bit 15: the entry's
// perform-action flag, low bits: its new state; 0 for an entry index out of range),
// and, with 5 classes or more, the cells of empty classes from 4 on set to 0. One unit
// of the budget per entry and per cell; nothing when the budget runs out.
std::optional<std::vector<std::uint16_t>> packedStates(const kx::ByteReader& t, const LigatureSubtable& sub,
                                                       const Regions& r, const std::vector<QString>& classes,
                                                       QStringList* lines, ReadingBudget& budget);

// The bytes as the report shows them: "<0001abcd 0002>".
QString hexDump(const kx::ByteReader& t, std::size_t offset, std::size_t length);

} // namespace rbx::font::morx
