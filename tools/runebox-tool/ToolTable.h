#pragma once
// What the table commands (render, bench table) need beyond the table view: the groups of
// a layout for a set of characters, the defined characters, and the character sets the
// drawing asks for, taken from the installed fonts.

#include "kxlib/core/CharSet.h"
#include "model/RbxCharGroup.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace tool::table {

// The groups of a layout for the characters: "Unicode Blocks" (one group per block that
// holds some) or "All Characters" (one group without header). nullopt for other names.
std::optional<std::vector<std::shared_ptr<RbxCharGroup>>> groupsForLayout(const QString& layout,
                                                                           const kx::CharSet& characters);

// The characters Unicode defines, from the bundle's "UnicodeCharacters.txt".
kx::CharSet definedCharacters();

// The colour emoji font's characters (less U+0000 to U+2122) for the drawing.
class FontSources : public RbxCharViewSources {
public:
    const kx::CharSet* colorEmojiCharacters() override;

private:
    std::optional<kx::CharSet> emoji_;
};

// "WxH" as two positive numbers.
bool parseSize(const QString& text, int* width, int* height);

} // namespace tool::table
