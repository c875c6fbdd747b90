#pragma once
// Reading text that may hold emoji sequences (flags, keycaps, joined emoji) back into
// the values that stand for them.

#include <QString>
#include <vector>

namespace rbx {

// The characters of the text, each emoji sequence (at least two units, not a single
// surrogate pair) taken as the value that stands for it, the longest match first; other
// code points as they are (surrogate pairs combined). An emoji with a skin tone gives its
// two code points (a joined sequence with one gives its value).
std::vector<char32_t> characterValuesOfText(const QString& text);

} // namespace rbx
