#pragma once
// Ligature discovery: candidate strings from a font's 'GSUB' ligature lookups and its
// 'morx' ligature subtables, cleaned up and kept only when the font draws them as one
// glyph of its own. The table readers work on the raw bytes with bounds-checked reads:
// a read past the end throws kx::OutOfBounds, which the font-level readers catch, log
// and answer with nullopt. Main thread only.

#include "core/ByteReader.h"
#include "core/CharSet.h"
#include "platform/fonts/Font.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

class KXCharGlyphMap;

namespace rbx::font {

// A damaged table whose offsets send a reader over the same data again and again
// (a well-formed table visits each part a few times at most): the reading stops.
class TableTooComplex : public std::runtime_error {
public:
    explicit TableTooComplex(const QString& table)
        : std::runtime_error(QStringLiteral("the %1 table refers to its data too often").arg(table).toStdString()) {}
};

// Work allowed for reading a table of `size` bytes.
inline std::size_t readingBudget(std::size_t size) { return std::max<std::size_t>(1u << 20, 16 * size); }

// The whole pipeline: the ligatures of the font, or nullopt when it has none (or the
// setting "ligatures" is off).
std::optional<QStringList> ligatures(const Font& font);
// The candidates of one table; nullopt when the settings switch it off, when the font
// lacks the table or its glyph map, or when the table is damaged (logged).
std::optional<QStringList> ligaturesFromGSUB(const Font& font);
std::optional<QStringList> ligaturesFrommorx(const Font& font);
// The same without the settings and the catching; throw kx::OutOfBounds on a
// truncated table.
std::optional<QStringList> ligaturesFromGSUBWithoutCharacters(const Font& font, const kx::CharSet& excluded);
std::optional<QStringList> ligaturesFrommorxWithoutCharacters(const Font& font, const kx::CharSet& excluded);

// The readers on table bytes and a glyph map.
std::optional<QStringList> ligaturesInGSUB(const kx::ByteReader& gsub, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded);
std::optional<QStringList> ligaturesInMorx(const kx::ByteReader& morx, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded, const QString& fontName);

// The glyph at coverage index k of the coverage table at `coverage`; 0 when there is
// none (also when the table would run past the end).
std::uint32_t coveredGlyph(int k, const kx::ByteReader& table, std::size_t coverage);
// Sorts by UTF-16 units, then drops strings ending in an excluded unit and repeats.
void sortAndCleanupLigatures(QStringList& list, const kx::CharSet& excluded);
// Keeps the strings the font draws as one glyph of its own.
void removeLigaturesNot1(QStringList& list, const Font& font);
// Drops each string containing units first..last whose form without them is listed.
void removeObsoleteLigatures(QStringList& list, char16_t first, char16_t last);
// Combining marks, Hangul jamo and syllables, kana sound marks.
const kx::CharSet& unwantedLigatureCharacters();

// ---- morx helpers ---------------------------------------------------------------

// The left-to-right characters of the glyphs first..last; nullopt when first is 0xFFFF
// or above last, or when no glyph has a character.
std::optional<QString> classCharactersForGlyphs(std::uint32_t first, std::uint32_t last, const KXCharGlyphMap& map);

// Searches a packed state array (bit 15: perform action, low bits: next state) for the
// class sequences from state 0 that end in an action. Each search keeps its own state.
class ClassSequenceSearch {
public:
    ClassSequenceSearch(std::vector<std::uint16_t> cells, int nStates, int nClasses, QStringList classStrings,
                        bool withClassNumbers);
    // The strings, or nullopt when the path grew 31 states deep (logged with the font
    // name), the results reached 15,001, or the search took more than MaxSteps steps
    // (logged: a damaged table can make the walk exponential).
    std::optional<QStringList> run(const QString& fontName);
    int greatestDepth() const { return greatest_; }
    static constexpr long MaxSteps = 2'000'000;

private:
    void extend(int state);
    QString sequenceString(int lastClass) const;

    std::vector<std::uint16_t> cells_;
    int nStates_, nClasses_;
    QStringList classStrings_;
    bool withClassNumbers_;
    std::vector<char> onPath_;
    std::vector<int> sequence_;
    int depth_ = 0, greatest_ = 0;
    bool abandoned_ = false;
    long steps_ = 0;
    QStringList result_;
};

} // namespace rbx::font
