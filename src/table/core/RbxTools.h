#pragma once
// What the table asks of one character beyond its text: the space and safe-drawing tests;
// and ten debug flags. The texts of a character are the character-text module's
// (model/CharacterText.h).

class RbxTools {
public:
    RbxTools() = delete;

    static bool isSpaceCharacter(char32_t c);
    static bool characterRequiresSafeDrawing(char32_t c);
    static bool isLigatureCharacter(char32_t c) { return c >= 0xB0000 && c <= 0xBFFFF; }

    // Debug flags 0 to 9; others read false and cannot be set.
    static bool debugging(int flag);
    static void setDebugging(bool on, int flag);
};
