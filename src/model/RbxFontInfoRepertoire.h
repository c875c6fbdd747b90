#pragma once
// A font's RbxFontInfo seen as the repertoire that layouts, favourites, recent
// characters and the search work with.

#include "model/RbxFontInfo.h"
#include "model/RbxFontRepertoire.h"

#include <memory>

class RbxFontInfoRepertoire : public RbxFontRepertoire {
public:
    explicit RbxFontInfoRepertoire(std::shared_ptr<RbxFontInfo> info) : info_(std::move(info)) {}
    // The repertoire of the shared font info of a font; a null font gives a repertoire
    // without font.
    static std::shared_ptr<RbxFontInfoRepertoire> repertoireOfFont(const rbx::Font& font);

    const std::shared_ptr<RbxFontInfo>& fontInfo() const { return info_; }

    bool hasFont() const override { return info_ && static_cast<bool>(info_->font()); }
    QString fontDisplayName() const override;
    QString fontFamilyName() const override;
    const kx::CharSet& availableCharacters() override;
    const kx::CharSet& coveredCharacters() override;
    const std::uint8_t* planeBitmap(int plane) override;
    QStringList ligatureStrings() override;
    bool hasRomanMapping() override { return info_ && info_->romanMapping() != nullptr; }
    char32_t unicodeForRoman(int code) override { return info_ ? info_->unicodeForRoman(code) : 0; }

private:
    std::shared_ptr<RbxFontInfo> info_;
    kx::CharSet none_;
};
