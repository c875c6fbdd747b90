#pragma once
// What a font's repertoire may rest on beyond the font itself: the characters of all
// fonts (view 2), every defined character (view 3) and the search filter.

#include "core/CharSet.h"

#include <optional>

class RbxRepertoireSources {
public:
    virtual ~RbxRepertoireSources() = default;
    virtual kx::CharSet charactersInAllFonts() = 0;
    virtual kx::CharSet definedCharacters() = 0;
    // The characters of the active search filter; nothing when no filter is active.
    virtual std::optional<kx::CharSet> filteredCharacters() = 0;
};

// The model's own: the process's font list (made only when a view asks for it) and
// search filter.
class RbxModelRepertoireSources : public RbxRepertoireSources {
public:
    kx::CharSet charactersInAllFonts() override;
    kx::CharSet definedCharacters() override;
    std::optional<kx::CharSet> filteredCharacters() override;
};
