#pragma once
// Where the layers meet at start-up: the character sets and look-ups the table draws
// with, taken from the model; and the model's texts of characters and virtual characters
// put in place. The application installs them once.

#include "core/CharSet.h"
#include "model/RbxFontRepertoire.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <memory>

class RbxFontInfo;

namespace bridges {

// The sets and lookups the table's drawing asks for.
class TableSources : public RbxCharViewSources {
public:
    // The repertoire of the palette's font (for its favourites and recent characters);
    // may be null.
    void setRepertoire(RbxFontRepertoire* repertoire) { repertoire_ = repertoire; }

    const kx::CharSet* charactersInAllFonts() override;
    const kx::CharSet* colorEmojiCharacters() override;
    const kx::CharSet* modifiableEmojiCharacters() override;
    const kx::CharSet* textOrEmojiCharacters() override;
    const kx::CharSet* favoriteCharacters(const rbx::Font& font) override;
    std::optional<std::vector<char32_t>> recentCharacters(const rbx::Font& font) override;
    rbx::Font colorEmojiFont(double size) override;
    int romanForUnicode(const rbx::Font& font, char32_t c) override;
    QString htmlEntityForCharacter(char32_t c) override;

private:
    RbxFontRepertoire* repertoire_ = nullptr;
    kx::CharSet favorites_;
};

// The font table's tuning values as the table view takes them.
RbxFontTuning tuningOf(RbxFontInfo& info);

// Installs the model's hooks, the font info sources and the character texts.
void install();

} // namespace bridges
