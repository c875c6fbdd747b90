#include "model/RbxFontRepertoire.h"

const std::uint8_t* RbxFontRepertoire::planeBitmap(int plane) {
    if (plane < 0 || plane >= kx::CharSet::Planes) return nullptr;
    return availableCharacters().planeBitmap(plane);
}

char32_t RbxFontRepertoire::virtualLigatureCharacterForString(const QString& text) {
    if (text.isEmpty()) return 0;
    const qsizetype i = ligatureStrings().indexOf(text);
    return i < 0 ? 0 : LigatureBase + static_cast<char32_t>(i);
}

QString RbxFontRepertoire::ligatureForVirtualCharacter(char32_t c) {
    if (c < LigatureBase) return QString();
    const QStringList ligatures = ligatureStrings();
    const qsizetype i = static_cast<qsizetype>(c - LigatureBase);
    return i < ligatures.size() ? ligatures.at(i) : QString();
}

RbxCharSetRepertoire::RbxCharSetRepertoire(kx::CharSet characters, QStringList ligatures,
                                           QString displayName, QString familyName)
    : displayName_(std::move(displayName)), familyName_(std::move(familyName)) {
    ligatures_ = std::move(ligatures);
    setCharacters(characters);
}

void RbxCharSetRepertoire::setNames(const QString& displayName, const QString& familyName) {
    displayName_ = displayName;
    familyName_ = familyName;
}

void RbxCharSetRepertoire::setCharacters(const kx::CharSet& characters) {
    covered_ = characters;
    available_ = characters;
    if (!ligatures_.isEmpty())
        available_.addCharactersFrom(LigatureBase, LigatureBase + static_cast<char32_t>(ligatures_.size()) - 1);
}

void RbxCharSetRepertoire::setLigatures(const QStringList& ligatures) {
    ligatures_ = ligatures;
    setCharacters(covered_);
}

char32_t RbxCharSetRepertoire::unicodeForRoman(int code) {
    if (!roman_ || code < 32 || code > 255) return 0;
    return (*roman_)[static_cast<std::size_t>(code)];
}
