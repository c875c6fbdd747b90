#pragma once
// The model's services as runebox-tool gives them: the font a command shows is the
// selected font of the layout registry, the search filter and the character names.
// main() installs them before any command runs.

#include "model/RbxSelectedFont.h"

namespace tool {

class SelectedFont : public RbxSelectedFont {
public:
    RbxFontRepertoire* selectedFontRepertoire() override { return repertoire_; }
    // nullptr: no font is selected.
    void select(RbxFontRepertoire* repertoire) { repertoire_ = repertoire; }

private:
    RbxFontRepertoire* repertoire_ = nullptr;
};

SelectedFont& selectedFont();

// Installs the layout registry, the search filter and the character names over the
// process's settings store with selectedFont().
void installModelServices();
// Character names made anew (the next use reads the list again).
void installFreshCharacterNames();

// Selects a font for the life of the object.
class FontSelection {
public:
    explicit FontSelection(RbxFontRepertoire* repertoire) { selectedFont().select(repertoire); }
    ~FontSelection() { selectedFont().select(nullptr); }
    FontSelection(const FontSelection&) = delete;
    FontSelection& operator=(const FontSelection&) = delete;
};

} // namespace tool
