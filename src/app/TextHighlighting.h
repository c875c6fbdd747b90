#pragma once
// Where the sample views mark text: the characters and words of the search filter
// (a word is found at each occurrence whatever its case and accents), and the runs of
// characters that the table's font does not have.

#include "core/CharSet.h"

#include <QString>
#include <vector>

namespace rbx::highlight {

struct Range {
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const Range&) const = default;
};

// Every occurrence of `word` in `text`, compared without case and without combining marks
// (both decomposed), as ranges of the original text.
std::vector<Range> foldedMatches(const QString& text, const QString& word);

// The filter's marks: every character of `filtered` (code point by code point), then each
// word of `filterString` (split at blanks; a word of one unit that `filtered` holds is
// left out) at all its occurrences.
std::vector<Range> filterRanges(const QString& text, const kx::CharSet* filtered, const QString& filterString);

// The maximal runs of characters that `covered` lacks (line ends and other controls count
// as covered).
std::vector<Range> uncoveredRuns(const QString& text, const kx::CharSet& covered);

} // namespace rbx::highlight
