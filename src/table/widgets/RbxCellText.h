#pragma once
// The glyphs of the cells of a table, laid out once per character and kept while they
// are near what the table shows: the text of a character (a virtual one spelled out)
// either as glyphs of the shown font by number (ligatures by their glyph), as text in the
// shown font with other faces standing in for what it lacks, or as text in the colour
// emoji font. Text is laid out by the faces' own shaping (RbxGlyphLayout).
//
// The texts hold Qt's font engines of the faces they are drawn with, and those engines
// hold the glyphs drawn: the cache keeps a bounded number of texts of a bounded number of
// faces, and lets go of the texts not shown when it is told the table settled.

#include "platform/fonts/Font.h"
#include "table/widgets/RbxGlyphLayout.h"

#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct RbxCellText {
    // The drawing font of each run (fonts[i] draws runs[i]): the runs may be drawn only
    // while these live.
    std::vector<std::shared_ptr<const rbx::qt::DrawingFont>> fonts;
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
        Text,   // text in the shown font, other faces standing in for missing characters
        Emoji,  // text in the colour emoji font
    };

    // Beyond this many texts, or texts of this many faces, the cache starts afresh: a long
    // scroll through all of Unicode keeps only what is near.
    static constexpr int MaxEntries = 6000;
    static constexpr int MaxFaces = 16;

    // The shown font and the colour emoji font (either may be null); forgets every text
    // when one of them changed.
    void setFonts(const rbx::Font& font, const rbx::Font& emojiFont);
    // Only the colour emoji font; forgets the texts laid out in it.
    void setEmojiFont(const rbx::Font& emojiFont);
    const rbx::Font& font() const { return font_; }
    const rbx::Font& emojiFont() const { return emojiFont_; }

    const RbxCellText& text(char32_t c, Kind kind);
    // Whether the faces that stand in for what the shown font lacks wait to be sorted (done
    // when the first character needs one, unless prepareSubstitutes() did it before).
    bool substitutesPending() const { return layout_.substitutesPending(); }
    void prepareSubstitutes() const { layout_.prepareSubstitutes(); }
    void clear();
    int size() const { return int(cache_.size()); }
    // The drawing fonts the kept texts are drawn with.
    int faceCount() const { return int(fontUses_.size()); }

    // A drawing of everything shown begins: the texts asked for from now on are the ones
    // shown.
    void beginShowing() { ++showing_; }
    // Lets go of the texts not asked for since the last beginShowing().
    void keepOnlyShown();

    // The glyph drawn for a character in the shown font: a ligature's glyph, else the
    // nominal glyph; 0 for none.
    std::uint32_t glyphForCharacter(char32_t c) const;

private:
    struct Entry {
        RbxCellText text;
        quint64 showing = 0;
    };
    RbxCellText layOutGlyphs(char32_t c) const;
    // A lone character the colour emoji font draws with one glyph of its own, laid out
    // from the font's tables without shaping it as text.
    std::optional<RbxCellText> layOutLoneEmoji(char32_t c) const;
    static RbxCellText fromLine(RbxGlyphLine line);
    // The drawing fonts a text uses, each once.
    static std::vector<const rbx::qt::DrawingFont*> fontsOf(const RbxCellText& t);
    void forget(const RbxCellText& t);
    // Forgets the texts for which drop(key, entry) is true.
    void forgetWhere(const std::function<bool(quint64 key, const Entry& entry)>& drop);

    rbx::Font font_, emojiFont_;
    // The drawing font of the colour emoji font, made for the first emoji laid out: a table
    // without emoji never loads that font into Qt.
    void prepareEmojiFont();
    void forgetEmojiFont(const rbx::Font& emojiFont);
    // The layout of emoji as text, made for the first emoji that is not one glyph of the
    // font's own: finding the substitutes sorts every installed face.
    const RbxGlyphLayout& emojiLayout();

    std::shared_ptr<const rbx::qt::DrawingFont> drawing_, emojiDrawing_;
    RbxGlyphLayout layout_;
    std::optional<RbxGlyphLayout> emojiLayout_;
    bool emojiPrepared_ = false; // emojiDrawing_ is made
    QHash<quint64, Entry> cache_;
    QHash<const rbx::qt::DrawingFont*, int> fontUses_; // texts per drawing font
    quint64 showing_ = 1;
};
