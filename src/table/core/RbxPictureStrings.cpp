#include "table/core/RbxPictureStrings.h"

#include "model/VirtualCharacters.h"

#include <algorithm>

namespace rbx::pictures {

std::array<int, 3> skinToneColor(int tone) {
    static constexpr std::array<std::array<int, 3>, SkinTones> colors = {
        {{248, 213, 174}, {216, 174, 131}, {177, 125, 85}, {136, 81, 46}, {70, 53, 43}}};
    return colors[std::size_t(std::clamp(tone, 0, SkinTones - 1))];
}

// Skin colour numbers 2 to 6 name the modifiers U+1F3FB to U+1F3FF.
QString skinToneString(const QString& emoji, int tone) { return kx::str::emojiStringWithSkinColor(emoji, tone + 2); }

QString presentationString(const QString& text, bool emoji) {
    const QChar selector(emoji ? 0xFE0F : 0xFE0E);
    if (text.size() == 2 && text[1] == QChar(0x20E3)) return QString(text[0]) + selector + text[1];
    return text + selector;
}

double pictureFontSize(double displayPointSize) { return std::max(36.0, displayPointSize); }

char32_t firstCodePoint(const QString& s) {
    if (s.isEmpty()) return 0;
    const QChar first = s[0];
    if (!first.isHighSurrogate()) return first.unicode();
    if (s.size() < 2 || !s[1].isLowSurrogate()) return 0;
    return QChar::surrogateToUcs4(first, s[1]);
}

} // namespace rbx::pictures
