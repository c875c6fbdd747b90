#include "model/RbxModelHooks.h"

RbxModelHooks& RbxModelHooks::shared() {
    static RbxModelHooks hooks;
    return hooks;
}

namespace rbx {

char32_t virtualEmojiCharacterForString(const QString& text) {
    const auto& f = RbxModelHooks::shared().virtualEmojiCharacterForString;
    return f ? f(text) : 0;
}

QString stringByReplacingSequencesWithVirtualCharacters(const QString& text) {
    const auto& f = RbxModelHooks::shared().stringByReplacingSequencesWithVirtualCharacters;
    return f ? f(text) : text;
}

QString stringWithUTF32Character(char32_t c) {
    const auto& f = RbxModelHooks::shared().stringWithUTF32Character;
    if (f) return f(c);
    return QString::fromUcs4(&c, 1);
}

RbxFontRepertoire* selectedFontRepertoire() {
    const auto& f = RbxModelHooks::shared().selectedFontRepertoire;
    return f ? f() : nullptr;
}

} // namespace rbx
