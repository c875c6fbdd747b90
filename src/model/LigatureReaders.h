#pragma once
// Ligature discovery: candidate strings from a font's 'GSUB' ligature lookups and its
// 'morx' ligature subtables, cleaned up and kept only when the font draws them as one
// glyph of its own. The table readers work on the raw bytes with bounds-checked reads:
// a read past the end throws kx::OutOfBounds, which the font-level readers catch, log
// and answer with nullopt. All readers of one font share one ReadingBudget; when it is
// spent they stop and answer what they found until then. Main thread only.

#include "core/ByteReader.h"
#include "core/CharSet.h"
#include "model/FontReadingBudget.h"
#include "platform/fonts/Font.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <stdexcept>
#include <vector>

class KXCharGlyphMap;

namespace rbx::font {

// A damaged table whose offsets send a reader over the same data again and again: a
// report, or a table read without the font's budget, stops (they answer all or nothing).
class TableTooComplex : public std::runtime_error {
public:
    explicit TableTooComplex(const QString& table)
        : std::runtime_error(QStringLiteral("the %1 table refers to its data too often").arg(table).toStdString()) {}
};

// The budget for reading the font's 'GSUB' and 'morx' tables together.
ReadingBudget readingBudgetForFont(const Font& font);

// The whole pipeline: the ligatures of the font, or nullopt when it has none (or the
// setting "ligatures" is off). `budget`: the font's (made here when not given).
std::optional<QStringList> ligatures(const Font& font, ReadingBudget* budget = nullptr);
// The candidates of one table; nullopt when the settings switch it off, when the font
// lacks the table or its glyph map, or when the table is damaged (logged). Without a
// budget, one for the font alone.
std::optional<QStringList> ligaturesFromGSUB(const Font& font, ReadingBudget* budget = nullptr);
std::optional<QStringList> ligaturesFrommorx(const Font& font, ReadingBudget* budget = nullptr);
// The same without the settings and the catching; throw kx::OutOfBounds on a
// truncated table.
std::optional<QStringList> ligaturesFromGSUBWithoutCharacters(const Font& font, const kx::CharSet& excluded,
                                                              ReadingBudget* budget = nullptr);
std::optional<QStringList> ligaturesFrommorxWithoutCharacters(const Font& font, const kx::CharSet& excluded,
                                                              ReadingBudget* budget = nullptr);

// The readers on table bytes and a glyph map. With a budget they stop where it runs out
// and answer what they found; without one, the table gets a budget of its own and a
// table that spends it is refused (TableTooComplex).
std::optional<QStringList> ligaturesInGSUB(const kx::ByteReader& gsub, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded, ReadingBudget* budget = nullptr);
std::optional<QStringList> ligaturesInMorx(const kx::ByteReader& morx, const KXCharGlyphMap& map,
                                           const kx::CharSet& excluded, const QString& fontName,
                                           ReadingBudget* budget = nullptr);

// The glyph at coverage index k of the coverage table at `coverage`; 0 when there is
// none (also when the table would run past the end).
std::uint32_t coveredGlyph(int k, const kx::ByteReader& table, std::size_t coverage);
// Sorts by UTF-16 units, then drops strings ending in an excluded unit and repeats.
void sortAndCleanupLigatures(QStringList& list, const kx::CharSet& excluded);
// Keeps the strings the font draws as one glyph of its own; each test costs its length
// in units, and strings not tested when the budget runs out are dropped.
void removeLigaturesNot1(QStringList& list, const Font& font, ReadingBudget* budget = nullptr);
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
// Every step costs one unit of the budget, when one is given.
class ClassSequenceSearch {
public:
    ClassSequenceSearch(std::vector<std::uint16_t> cells, int nStates, int nClasses, QStringList classStrings,
                        bool withClassNumbers, ReadingBudget* budget = nullptr);
    // The strings, or nullopt when the path grew 31 states deep (logged with the font
    // name), the results reached 15,001, the search took more than MaxSteps steps
    // (logged: a damaged table can make the walk exponential) or the budget ran out.
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
    ReadingBudget* budget_;
    std::vector<char> onPath_;
    std::vector<int> sequence_;
    int depth_ = 0, greatest_ = 0;
    bool abandoned_ = false;
    long steps_ = 0;
    QStringList result_;
};

} // namespace rbx::font
