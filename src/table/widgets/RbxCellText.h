#pragma once
// The glyphs of the cells of a table, laid out once per character and kept until the
// fonts change: the text of a character (a virtual one spelled out) either as glyphs of
// the shown font by number (ligatures by their glyph), as text in the shown font with
// font substitution, or as text in the colour emoji font.

#include "platform/fonts/Font.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QRawFont>
#include <optional>

struct RbxCellText {
    QList<QGlyphRun> runs; // positioned from the start of the baseline, y down
    double advance = 0;    // the used width
    double height = 0;     // the used height: the line height of the fonts used
    bool missing = false;  // no font had a glyph for it (only missing glyphs)
    bool hasInk = false;   // some glyph draws something
};

class RbxCellTextCache {
public:
    enum class Kind : quint8 {
        Glyphs, // the shown font's own glyphs, by number
        Text,   // text in the shown font, other fonts standing in for missing characters
        Emoji,  // text in the colour emoji font
    };

    // The shown font and the colour emoji font (either may be null); forgets every text
    // when one of them changed.
    void setFonts(const rbx::Font& font, const rbx::Font& emojiFont);
    // Only the colour emoji font; forgets the texts laid out in it.
    void setEmojiFont(const rbx::Font& emojiFont);
    const rbx::Font& font() const { return font_; }
    const rbx::Font& emojiFont() const { return emojiFont_; }

    const RbxCellText& text(char32_t c, Kind kind);
    void clear() { cache_.clear(); }
    int size() const { return int(cache_.size()); }

    // The glyph drawn for a character in the shown font: a ligature's glyph, else the
    // nominal glyph; 0 for none.
    std::uint32_t glyphForCharacter(char32_t c) const;

private:
    RbxCellText layOutGlyphs(char32_t c) const;
    // The text in `font`, the Qt form of `face`.
    RbxCellText layOutText(char32_t c, const rbx::Font& face, std::optional<QFont> font) const;
    // A lone character the colour emoji font draws with one glyph of its own, laid out
    // from the font's tables: a text layout would decode the glyph's bitmap only to measure
    // it. Nothing until one emoji was laid out as text (which gives the line height).
    std::optional<RbxCellText> layOutLoneEmoji(char32_t c) const;
    // Keeps what a text layout of an emoji tells about every lone emoji glyph.
    void learnEmojiLine(const RbxCellText& t);
    // The Qt forms of the colour emoji font, made for the first emoji laid out: a table
    // without emoji never loads that font into Qt.
    void prepareEmojiFont();
    void forgetEmojiFont(const rbx::Font& emojiFont);

    rbx::Font font_, emojiFont_;
    QRawFont raw_;
    std::optional<QFont> textFont_, emojiTextFont_;
    QRawFont emojiRaw_;                   // the emoji font as a text layout uses it
    bool emojiPrepared_ = false;          // emojiTextFont_ and emojiRaw_ are made
    std::optional<double> emojiLineHeight_; // learnt from the first emoji laid out as text
    QHash<quint64, RbxCellText> cache_;
};
