#pragma once
// The repertoire of an installed font as the tool's commands need it: the characters
// the face covers (less those a search filter rules out) and the font's names.

#include "model/FontExtensions.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxNameFilter.h"

#include <memory>

namespace tool {

class FaceRepertoire : public RbxFontRepertoire {
public:
    explicit FaceRepertoire(rbx::Font font) : font_(std::move(font)) {
        if (font_) covered_ = font_->coveredCharacters();
        available_ = covered_;
        if (const auto filter = RbxNameFilter::filteredCharacters()) available_.formIntersection(*filter);
    }
    bool hasFont() const override { return static_cast<bool>(font_); }
    QString fontDisplayName() const override { return font_ ? font_.displayName() : QString(); }
    QString fontFamilyName() const override { return font_ ? font_.familyName() : QString(); }
    const kx::CharSet& availableCharacters() override { return available_; }
    const kx::CharSet& coveredCharacters() override { return covered_; }
    QStringList ligatureStrings() override { return {}; }
    bool hasRomanMapping() override { return false; }
    char32_t unicodeForRoman(int) override { return 0; }

private:
    rbx::Font font_;
    kx::CharSet covered_;
    kx::CharSet available_;
};

// The repertoire of the font with that PostScript name; nullptr (and a message) when
// there is none.
inline std::unique_ptr<FaceRepertoire> repertoireOfFont(const QString& postScriptName) {
    rbx::Font font = rbx::font::availableFontWithName(postScriptName, 12);
    if (!font) return nullptr;
    return std::make_unique<FaceRepertoire>(std::move(font));
}

} // namespace tool
