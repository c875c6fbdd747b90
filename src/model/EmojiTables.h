#pragma once
// Constant data of the virtual characters: the values that stand for emoji sequences
// and ligatures, the keycap and joined-sequence tables, the skin-colour modifiers and
// the lists of modifiable and text-or-emoji characters.

#include <cstddef>

namespace rbx::emoji {

// Value ranges of the virtual characters.
inline constexpr char32_t FlagFirst = 0xA0000, FlagLast = 0xA02A3;     // 26 x 26 regional indicator pairs
inline constexpr char32_t JoinedFirst = 0xA0300, JoinedLast = 0xA03DE; // rows of joinedSequences
inline constexpr char32_t KeycapFirst = 0xA1000, KeycapLast = 0xA100B; // rows of keycapBases
inline constexpr char32_t LigatureFirst = 0xB0000, LigatureLast = 0xBFFFE;

inline constexpr char32_t RegionalIndicatorA = 0x1F1E6;
inline constexpr char32_t CombiningEnclosingKeycap = 0x20E3;
inline constexpr char32_t ZeroWidthJoiner = 0x200D;
inline constexpr char32_t TextPresentation = 0xFE0E, EmojiPresentation = 0xFE0F;

inline constexpr int KeycapCount = 12;
inline constexpr int JoinedCount = 223;
inline constexpr int SkinModifierCount = 5;

// U+0023, U+002A, U+0030 to U+0039; each row is its base followed by U+20E3.
extern const char32_t keycapBases[KeycapCount];
// U+1F3FB to U+1F3FF.
extern const char32_t skinModifiers[SkinModifierCount];
// 1 to 8 code points, ending with 0.
extern const char32_t joinedSequences[JoinedCount][9];

struct CodeRange {
    char32_t first, last;
};
// The characters that take a skin colour (joined values included), ascending.
extern const CodeRange modifiableEmojis[];
extern const std::size_t modifiableEmojiRangeCount;
// The characters with both a text and an emoji presentation, ascending.
extern const CodeRange textOrEmojis[];
extern const std::size_t textOrEmojiRangeCount;

} // namespace rbx::emoji
