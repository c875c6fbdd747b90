#pragma once
// The font selected in the palette, as layouts, the search filter and the character
// names ask for it. The palette implements it; a program without one passes none.

class RbxFontRepertoire;

class RbxSelectedFont {
public:
    virtual ~RbxSelectedFont() = default;
    // The repertoire of the selected font, or nullptr when none is (an
    // RbxFontInfoRepertoire for a real font). Its ligatureStrings must not load the
    // filtered repertoire.
    virtual RbxFontRepertoire* selectedFontRepertoire() = 0;
};
