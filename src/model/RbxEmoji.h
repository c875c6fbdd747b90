#pragma once
// The emoji sequences the colour emoji font can show, every known emoji sequence, and
// the turning of sequences in a text back into virtual characters. What the font
// shows is measured through RbxEmojiMeasurer (tests install their own). Every set is
// computed on first use and kept. Main thread only.

#include "core/CharSet.h"
#include "platform/fonts/Font.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class RbxFontInfo;

class RbxEmojiSequence {
public:
    enum Type { Skin = 1, Flag = 2, Joined = 4, KeyCap = 8, TextOrEmoji = 16 };

    static RbxEmojiSequence sequenceWithString(const QString& string, char32_t character, int type) {
        return RbxEmojiSequence(string, character, type);
    }
    RbxEmojiSequence(const QString& string, char32_t character, int type)
        : string_(string), virtualCharacter_(character), type_(type) {}

    const QString& string() const { return string_; }
    // The value that stands for the sequence (the base character for skin and
    // presentation variants).
    char32_t virtualCharacter() const { return virtualCharacter_; }
    int type() const { return type_; }
    // "Skin", "Flag", "Joined", "KeyCap", "Text/Emoji", else the type in hexadecimal.
    QString typeString() const;
    // ("string" type character)
    QString description() const;

private:
    QString string_;
    char32_t virtualCharacter_;
    int type_;
};

// Widths of texts laid out in the colour emoji font at 12 points.
class RbxEmojiMeasurer {
public:
    virtual ~RbxEmojiMeasurer();
    virtual bool hasFont() = 0;
    // The characters the font covers.
    virtual kx::CharSet coveredCharacters() = 0;
    virtual double widthOf(const QString& text) = 0;
};

// The measurer over the colour emoji font itself.
class RbxFontEmojiMeasurer : public RbxEmojiMeasurer {
public:
    explicit RbxFontEmojiMeasurer(rbx::Font font) : font_(std::move(font)) {}
    bool hasFont() override { return bool(font_); }
    kx::CharSet coveredCharacters() override;
    double widthOf(const QString& text) override;

private:
    rbx::Font font_;
    std::int64_t placeholderFlag_ = -1; // the glyph drawn for pairs that are no flag; 0 if none
};

class RbxEmoji {
public:
    // The PostScript name of the colour emoji font: the setting "colorEmojiFont" when it
    // names an available font, else the first colour font covering U+1F600; "" if none.
    static QString colorEmojiFontName();
    // The colour emoji font at that size; null when it is not installed.
    static rbx::Font appleColorEmojiFontOfSize(double size);
    // The font info of the colour emoji font at 12 points (looked up once); null if none.
    static std::shared_ptr<RbxFontInfo> fontInfoWithAppleColorEmoji();
    // The characters the colour emoji font covers, less U+0000 to U+2122.
    static const kx::CharSet& appleColorEmojiCharacterSet();

    static std::vector<char32_t> modifiableEmojisList();
    // Adds the list to the set; with the availability test only what the colour emoji
    // font draws toned as one picture. Nothing without the font or its U+1F3FD.
    static void addList(const std::vector<char32_t>& list, kx::CharSet& set, bool checkAvailability);
    static const kx::CharSet& modifiableEmojisCompleteCharacterSet();
    static const kx::CharSet& modifiableEmojisCharacterSet();
    static const kx::CharSet& textOrEmojiCharacterSet();
    // The flag, joined and keycap values the colour emoji font shows as one picture.
    static const kx::CharSet& colorFlagsCharacterSet();
    static const kx::CharSet& zwjCharacterSet();
    static const kx::CharSet& keycapCharacterSet();

    static int nPartsOfVirtualCharacter(char32_t c);
    // The n-th code point (from 1) of c; 0 past its end.
    static char32_t partOfVirtualCharacter(int n, char32_t c);

    static const std::vector<RbxEmojiSequence>& allEmojiSequences();
    static char32_t virtualEmojiCharacterForString(const QString& text);
    // Each emoji sequence of the text written as "$%X " of its value (longest match
    // first); the text itself when there is none.
    static QString stringByReplacingSequencesWithVirtualCharacters(const QString& text);

    // Installs a measurer and forgets every computed set (tests); nullptr goes back to
    // measuring the colour emoji font.
    static void setMeasurer(std::unique_ptr<RbxEmojiMeasurer> measurer);
};
