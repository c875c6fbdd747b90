#pragma once
// What the character texts need from the character model, as small interfaces that the
// model installs (RbxTools::setCharacterTexts, RbxTools::setVirtualCharacters).

#include <QString>

// Names and HTML forms of characters.
class RbxCharacterTexts {
public:
    virtual ~RbxCharacterTexts() = default;
    // The HTML form of a character.
    virtual QString htmlStringForCharacter(char32_t c) const = 0;
    // The user-defined name and the standard name joined as "%1; %2" when both exist, else
    // whichever exists, else empty.
    virtual QString fullNameOfCharacter(char32_t c) const = 0;
};

// Virtual characters: private values that stand for a sequence (flags, joined emoji
// sequences, keycaps, ligatures of the current font). This base class knows no virtual
// characters: every character is one part, itself.
class RbxVirtualCharacters {
public:
    virtual ~RbxVirtualCharacters() = default;
    virtual bool isVirtualCharacter(char32_t c) const;
    // The text of a character; a virtual character gives its sequence.
    virtual QString stringWithUTF32Character(char32_t c) const;
    // How many code points the character stands for (at least 1).
    virtual int numberOfParts(char32_t c) const;
    // Part i, counted from 1 (part 1 of an ordinary character is the character itself).
    virtual char32_t part(int i, char32_t c) const;
};
