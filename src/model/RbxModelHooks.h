#pragma once
// What layouts, favourites, recent characters and the search ask of the parts built
// above them: the font selected in the palette, the window's layout choice and the
// sample texts. Those parts set the hooks when they start; until then the fallbacks
// described below apply. The virtual characters of emoji sequences come from the emoji
// model (RbxEmoji); their hooks let tests stand in for it.

#include <QString>
#include <QStringList>
#include <functional>

class RbxFontRepertoire;

struct RbxModelHooks {
    // ---- virtual characters of emoji sequences ----
    // The value standing for an emoji sequence's text; 0 when none does.
    // Unset: RbxEmoji's answer.
    std::function<char32_t(const QString& text)> virtualEmojiCharacterForString;
    // The text with every emoji sequence written as "$%X " of its value.
    // Unset: RbxEmoji's answer.
    std::function<QString(const QString& text)> stringByReplacingSequencesWithVirtualCharacters;
    // The text of a character; a virtual character gives its sequence.
    // Unset: kx::str::stringWithUTF32Character.
    std::function<QString(char32_t c)> stringWithUTF32Character;

    // ---- the palette ----
    // The repertoire of the font selected in the palette, or nullptr when none is
    // (RbxFontInfoRepertoire for a real font). Its ligatureStrings must not load the
    // filtered repertoire. Unset: none.
    std::function<RbxFontRepertoire*()> selectedFontRepertoire;
    // The list of user layouts changed: refill the layout pop-up (forced) and rebuild
    // the table with the layout now selected. Unset: nothing.
    std::function<void()> layoutsChanged;
    // The pop-up was refilled while enabled: choose the layout linked with the current
    // font. Unset: nothing.
    std::function<void()> switchToLayoutForCurrentFont;
    // The titles of the sample texts ("-" for a separator). Unset: none.
    std::function<QStringList()> sampleTextTitles;

    static RbxModelHooks& shared();
};

namespace rbx {

// The hooks with their fallbacks.
char32_t virtualEmojiCharacterForString(const QString& text);
QString stringByReplacingSequencesWithVirtualCharacters(const QString& text);
QString stringWithUTF32Character(char32_t c);
RbxFontRepertoire* selectedFontRepertoire();

} // namespace rbx
