#include "model/VirtualCharacters.h"

#include "core/StringExtensions.h"
#include "model/EmojiTables.h"

#include <QMutex>

namespace kx::str {

using namespace rbx::emoji;

namespace {
struct LigatureList {
    QMutex mutex;
    QStringList strings;
};
LigatureList& ligatureList() {
    static LigatureList l;
    return l;
}

void appendCodePoint(QString& s, char32_t c) {
    if (c > 0x10FFFF) {
        s.append(QChar(0xFFFD));
    } else if (c >= 0x10000) {
        s.append(QChar(QChar::highSurrogate(c)));
        s.append(QChar(QChar::lowSurrogate(c)));
    } else {
        s.append(QChar(char16_t(c)));
    }
}

char32_t modifierForSkinColor(int n) {
    if (n == 1 || n == 2) return skinModifiers[0];
    if (n >= 3 && n <= 6) return skinModifiers[n - 2];
    return 0;
}
} // namespace

bool isVirtualCharacter(char32_t c) {
    return (c >= FlagFirst && c <= FlagLast) || (c >= JoinedFirst && c <= JoinedLast) ||
           (c >= KeycapFirst && c <= KeycapLast) || (c >= LigatureFirst && c <= LigatureLast);
}

std::vector<char32_t> utf32CharactersForVirtualCharacter(char32_t c) {
    if (c >= FlagFirst && c <= FlagLast) {
        const char32_t i = c - FlagFirst;
        return {RegionalIndicatorA + i / 26, RegionalIndicatorA + i % 26};
    }
    if (c >= JoinedFirst && c <= JoinedLast) {
        std::vector<char32_t> out;
        for (const char32_t* p = joinedSequences[c - JoinedFirst]; *p; ++p) out.push_back(*p);
        return out;
    }
    if (c >= KeycapFirst && c <= KeycapLast) return {keycapBases[c - KeycapFirst], CombiningEnclosingKeycap};
    return {};
}

QString stringWithUTF32Character(char32_t c) {
    QString s;
    if (c < 0x10000) {
        s.append(QChar(char16_t(c)));
        return s;
    }
    if (c >= LigatureFirst && c <= LigatureLast) {
        LigatureList& l = ligatureList();
        QMutexLocker lock(&l.mutex);
        const qsizetype i = qsizetype(c - LigatureFirst);
        if (i < l.strings.size()) return l.strings[i];
    } else {
        const std::vector<char32_t> parts = utf32CharactersForVirtualCharacter(c);
        if (!parts.empty()) {
            for (char32_t p : parts) appendCodePoint(s, p);
            return s;
        }
    }
    appendCodePoint(s, c);
    return s;
}

char32_t UTF32Character(const QString& s) {
    if (numberOfUnicodeCharacters(s) != 1) return 0;
    return longCharacterAtIndex(s, 0);
}

void defineLigatures(const QStringList& ligatures) {
    LigatureList& l = ligatureList();
    QMutexLocker lock(&l.mutex);
    l.strings = ligatures;
}

QStringList definedLigatures() {
    LigatureList& l = ligatureList();
    QMutexLocker lock(&l.mutex);
    return l.strings;
}

QString emojiStringWithSkinColor(const QString& s, int skinColor) {
    if (s.isEmpty()) return s;
    const char32_t m = modifierForSkinColor(skinColor);
    // A modifier already present: the pair D83C DFFB..DFFF from the second unit on.
    qsizetype present = -1;
    for (qsizetype i = 1; i + 1 < s.size(); ++i) {
        const char16_t hi = s.at(i).unicode(), lo = s.at(i + 1).unicode();
        if (hi == 0xD83C && lo >= 0xDFFB && lo <= 0xDFFF) {
            present = i;
            break;
        }
    }
    if (present >= 0) {
        const char32_t old = QChar::surrogateToUcs4(s.at(present), s.at(present + 1));
        if (old == m) return s;
        QString out = s;
        if (m) {
            out[present + 1] = QChar(QChar::lowSurrogate(m));
        } else {
            out.remove(present, 2);
        }
        return out;
    }
    if (!m) return s;
    kx::str::CodePointIterator firstCharacter(s);
    firstCharacter.next();
    const qsizetype first = firstCharacter.index();
    QString rest = s.mid(first);
    if (rest.size() >= 2 && rest.at(0) == QChar(0xFE0F) && rest.at(1) == QChar(0x200D)) rest.remove(0, 1);
    QString out = s.left(first);
    appendCodePoint(out, m);
    return out + rest;
}

} // namespace kx::str
