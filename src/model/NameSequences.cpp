#include "model/NameSequences.h"

#include "kxlib/core/StringExtensions.h"

#include <array>

namespace rbx::names {

namespace {

constexpr char32_t FlagFirst = 0xA0000, FlagLast = 0xA02A3;
constexpr char32_t KeycapFirst = 0xA1000, KeycapLast = 0xA100B;
constexpr char32_t RegionalA = 0x1F1E6;
constexpr char32_t EnclosingKeycap = 0x20E3;

char32_t keycapBase(char32_t c) {
    static constexpr std::array<char32_t, 12> bases{0x23, 0x2A, 0x30, 0x31, 0x32, 0x33,
                                                    0x34, 0x35, 0x36, 0x37, 0x38, 0x39};
    return bases[c - KeycapFirst];
}

void appendCodePoint(QString& s, char32_t c) {
    if (c >= 0x10000) {
        s.append(QChar(QChar::highSurrogate(c)));
        s.append(QChar(QChar::lowSurrogate(c)));
    } else {
        s.append(QChar(static_cast<char16_t>(c)));
    }
}

bool isDecimal(QChar q) { return q.unicode() >= '0' && q.unicode() <= '9'; }

bool isHex(QChar q) {
    const char16_t u = q.unicode();
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'f') || (u >= 'A' && u <= 'F');
}

} // namespace

int nPartsOfVirtualCharacter(char32_t c) {
    if (c >= FlagFirst && c <= FlagLast) return 2;
    if (c >= KeycapFirst && c <= KeycapLast) return 2;
    return 1;
}

char32_t partOfVirtualCharacter(int n, char32_t c) {
    if (c >= FlagFirst && c <= FlagLast) {
        const char32_t i = c - FlagFirst;
        if (n == 1) return RegionalA + i / 26;
        if (n == 2) return RegionalA + i % 26;
        return 0;
    }
    if (c >= KeycapFirst && c <= KeycapLast) {
        if (n == 1) return keycapBase(c);
        if (n == 2) return EnclosingKeycap;
        return 0;
    }
    return n == 1 ? c : 0;
}

QString stringWithUTF32Character(char32_t c) {
    QString s;
    const int n = nPartsOfVirtualCharacter(c);
    for (int i = 1; i <= n; ++i) appendCodePoint(s, partOfVirtualCharacter(i, c));
    return s;
}

char32_t virtualEmojiCharacterForString(const QString& text) {
    std::array<char32_t, 4> cps{};
    int count = 0;
    bool tooLong = false;
    kx::str::forUTF32Characters(text, [&](char32_t c) {
        if (count < 4) cps[count++] = c; else tooLong = true;
    });
    if (tooLong) return 0;
    if (count == 2 && cps[0] >= RegionalA && cps[0] < RegionalA + 26 && cps[1] >= RegionalA &&
        cps[1] < RegionalA + 26)
        return FlagFirst + (cps[0] - RegionalA) * 26 + (cps[1] - RegionalA);
    const bool keycapShape = (count == 2 && cps[1] == EnclosingKeycap) ||
                             (count == 3 && (cps[1] == 0xFE0E || cps[1] == 0xFE0F) &&
                              cps[2] == EnclosingKeycap);
    if (keycapShape) {
        for (char32_t k = KeycapFirst; k <= KeycapLast; ++k)
            if (keycapBase(k) == cps[0]) return k;
    }
    return 0;
}

int numberOfLigatures(const rbx::Font&) { return 0; }

bool isColorEmojiSequence(char32_t c) {
    return (c >= FlagFirst && c <= FlagLast) || (c >= 0xA0300 && c <= 0xA03DE) || (c >= KeycapFirst && c <= KeycapLast);
}

QString stringFromCharacterList(const QString& list) {
    QString out;
    const qsizetype n = list.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar q = list.at(i);
        if (q.unicode() <= 0x20) { ++i; continue; }
        if ((q == u'#' || q == u'$') && i + 1 < n) {
            const bool hex = q == u'$';
            qsizetype j = i + 1;
            char32_t value = 0;
            bool any = false;
            while (j < n && (hex ? isHex(list.at(j)) : isDecimal(list.at(j)))) {
                const char16_t u = list.at(j).unicode();
                const int d = u <= '9' ? u - '0' : (u | 0x20) - 'a' + 10;
                if (value <= 0x10FFFF) value = value * (hex ? 16 : 10) + static_cast<char32_t>(d);
                any = true;
                ++j;
            }
            if (any) {
                appendCodePoint(out, value <= 0x10FFFF ? value : 0);
                i = j;
                continue;
            }
        }
        if (q.isHighSurrogate() && i + 1 < n && list.at(i + 1).isLowSurrogate()) {
            out.append(list.mid(i, 2));
            i += 2;
            continue;
        }
        out.append(q);
        ++i;
    }
    return out;
}

} // namespace rbx::names
