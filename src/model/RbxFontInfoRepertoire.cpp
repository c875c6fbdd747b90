#include "model/RbxFontInfoRepertoire.h"

std::shared_ptr<RbxFontInfoRepertoire> RbxFontInfoRepertoire::repertoireOfFont(const rbx::Font& font) {
    return std::make_shared<RbxFontInfoRepertoire>(font ? RbxFontInfo::fontInfoWithFont(font) : nullptr);
}

QString RbxFontInfoRepertoire::fontDisplayName() const { return hasFont() ? info_->font().displayName() : QString(); }

QString RbxFontInfoRepertoire::fontFamilyName() const { return hasFont() ? info_->font().familyName() : QString(); }

const kx::CharSet& RbxFontInfoRepertoire::availableCharacters() {
    return info_ ? info_->availableCharacters() : none_;
}

const kx::CharSet& RbxFontInfoRepertoire::coveredCharacters() {
    return hasFont() ? info_->font()->coveredCharacters() : none_;
}

const std::uint8_t* RbxFontInfoRepertoire::planeBitmap(int plane) {
    return info_ ? info_->planeBitmap(plane) : nullptr;
}

QStringList RbxFontInfoRepertoire::ligatureStrings() {
    return info_ ? info_->ligatureStrings().value_or(QStringList()) : QStringList();
}
