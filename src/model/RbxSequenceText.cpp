#include "model/RbxSequenceText.h"

#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"
#include "core/StringExtensions.h"

#include <QChar>
#include <algorithm>

namespace rbx {

namespace {

// The longest sequence text looked for, in units (8 code points of two units each,
// with room for variation selectors).
constexpr qsizetype LongestSequence = 24;

bool isSinglePair(QStringView s) {
    return s.size() == 2 && QChar::isHighSurrogate(s[0].unicode()) && QChar::isLowSurrogate(s[1].unicode());
}

// Whether the text holds an emoji modifier (U+1F3FB to U+1F3FF: D83C DFFB to D83C DFFF).
bool hasSkinModifier(QStringView s) {
    for (qsizetype i = 0; i + 1 < s.size(); ++i)
        if (s[i].unicode() == 0xD83C && s[i + 1].unicode() >= 0xDFFB && s[i + 1].unicode() <= 0xDFFF) return true;
    return false;
}

} // namespace

std::vector<char32_t> characterValuesOfText(const QString& text) {
    std::vector<char32_t> out;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        bool matched = false;
        for (qsizetype len = std::min(LongestSequence, n - i); len >= 2 && !matched; --len) {
            const QStringView part = QStringView(text).mid(i, len);
            if (isSinglePair(part)) continue;
            const char32_t v = RbxEmoji::virtualEmojiCharacterForString(part.toString());
            // An emoji with a skin tone is no sequence of its own: both code points stay.
            if (v && !(hasSkinModifier(part) && !kx::str::isVirtualCharacter(v))) {
                out.push_back(v);
                i += len;
                matched = true;
            }
        }
        if (matched) continue;
        kx::str::CodePointIterator it(text, i);
        out.push_back(it.next());
        i = it.index();
    }
    return out;
}

} // namespace rbx
