#pragma once
// What layouts, favourites, recent characters and the search need to know about one
// font: the characters the table shows for it, its ligatures as virtual characters,
// its Mac OS Roman mapping and its names. The font model implements it for real fonts;
// RbxCharSetRepertoire is a plain one made from a set (tools and tests).

#include "core/CharSet.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class RbxFontRepertoire {
public:
    // The first virtual ligature character: ligature i of the font is LigatureBase + i.
    static constexpr char32_t LigatureBase = 0xB0000;

    virtual ~RbxFontRepertoire() = default;

    // False when the font could not be had (the table then says the font cannot be used).
    virtual bool hasFont() const = 0;
    virtual QString fontDisplayName() const = 0;
    virtual QString fontFamilyName() const = 0;

    // The characters the table shows for the font (filtered by the search, ligature
    // values included).
    virtual const kx::CharSet& availableCharacters() = 0;
    // The characters the font itself covers.
    virtual const kx::CharSet& coveredCharacters() = 0;
    // The bitmap of one plane of availableCharacters (bit c % 8 of byte (c % 65536) / 8),
    // or nullptr when the plane holds no character.
    virtual const std::uint8_t* planeBitmap(int plane);

    virtual QStringList ligatureStrings() = 0;
    int numberOfLigatures() { return static_cast<int>(ligatureStrings().size()); }
    // LigatureBase + index; 0 for an empty or unknown text.
    char32_t virtualLigatureCharacterForString(const QString& text);
    // The text of a virtual ligature character; a null string when out of range.
    QString ligatureForVirtualCharacter(char32_t c);

    // Whether the font has a usable Mac OS Roman mapping.
    virtual bool hasRomanMapping() = 0;
    // The character of a Mac OS Roman code 32..255; 0 when unmapped.
    virtual char32_t unicodeForRoman(int code) = 0;
};

// A repertoire made from given sets (no font file behind it).
class RbxCharSetRepertoire : public RbxFontRepertoire {
public:
    RbxCharSetRepertoire() = default;
    explicit RbxCharSetRepertoire(kx::CharSet characters, QStringList ligatures = {},
                                  QString displayName = QStringLiteral("Test"),
                                  QString familyName = QStringLiteral("Test"));

    bool hasFont() const override { return hasFont_; }
    void setHasFont(bool has) { hasFont_ = has; }
    QString fontDisplayName() const override { return displayName_; }
    QString fontFamilyName() const override { return familyName_; }
    void setNames(const QString& displayName, const QString& familyName);

    const kx::CharSet& availableCharacters() override { return available_; }
    const kx::CharSet& coveredCharacters() override { return covered_; }
    // Sets both the covered and the available characters (the ligature values are added
    // to the available ones).
    void setCharacters(const kx::CharSet& characters);
    // The available characters alone (the covered ones stay).
    void setAvailableCharacters(const kx::CharSet& characters) { available_ = characters; }

    QStringList ligatureStrings() override { return ligatures_; }
    void setLigatures(const QStringList& ligatures);

    bool hasRomanMapping() override { return roman_.has_value(); }
    char32_t unicodeForRoman(int code) override;
    // Code i maps to mapping[i] (0 = unmapped); no mapping at all when not set.
    void setRomanMapping(const std::array<char32_t, 256>& mapping) { roman_ = mapping; }

private:
    bool hasFont_ = true;
    QString displayName_ = QStringLiteral("Test");
    QString familyName_ = QStringLiteral("Test");
    kx::CharSet covered_;
    kx::CharSet available_;
    QStringList ligatures_;
    std::optional<std::array<char32_t, 256>> roman_;
};
