#include "model/RbxModelHooks.h"

#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

RbxModelHooks& RbxModelHooks::shared() {
    static RbxModelHooks hooks;
    return hooks;
}

namespace rbx {

char32_t virtualEmojiCharacterForString(const QString& text) {
    const auto& f = RbxModelHooks::shared().virtualEmojiCharacterForString;
    return f ? f(text) : RbxEmoji::virtualEmojiCharacterForString(text);
}

QString stringByReplacingSequencesWithVirtualCharacters(const QString& text) {
    const auto& f = RbxModelHooks::shared().stringByReplacingSequencesWithVirtualCharacters;
    return f ? f(text) : RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(text);
}

QString stringWithUTF32Character(char32_t c) {
    const auto& f = RbxModelHooks::shared().stringWithUTF32Character;
    return f ? f(c) : kx::str::stringWithUTF32Character(c);
}

RbxFontRepertoire* selectedFontRepertoire() {
    const auto& f = RbxModelHooks::shared().selectedFontRepertoire;
    return f ? f() : nullptr;
}

} // namespace rbx
