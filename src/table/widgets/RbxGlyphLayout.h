#pragma once
// A text laid out as glyphs by the faces' own shaping (HarfBuzz), for drawing by glyph
// number: in the given font where its face has every character, else in the first of
// its substitutes that has them all, else character by character in the first face that
// has each one. No font of Qt's is asked, so Qt neither loads fallback fonts of its own nor
// turns a face away for a script whose layout tables it lacks.
//
// Faces are chosen by what the installed fonts' index records of their characters; a
// substitute's face object is made only when the index says it has the characters asked
// for, and a face is opened only to shape the part of the text it draws. Main thread only.

#include "platform/fonts/FaceSubstitutes.h"
#include "platform/fonts/Font.h"
#include "table/widgets/RbxQtFonts.h"

#include <QGlyphRun>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

// One line of glyphs.
struct RbxGlyphLine {
    // The drawing font of each run (fonts[i] draws runs[i]): the runs may be drawn only
    // while these live.
    std::vector<std::shared_ptr<const rbx::qt::DrawingFont>> fonts;
    QList<QGlyphRun> runs;  // positioned from the start of the baseline, y down
    double advance = 0;     // the width the glyphs take
    double ascent = 0;      // of the fonts used, both positive
    double descent = 0;
    bool missing = false;   // only missing glyphs came out
};

class RbxGlyphLayout {
public:
    RbxGlyphLayout() = default;
    // `substitutes`: the faces that stand in for characters the font's face lacks, best first.
    RbxGlyphLayout(const rbx::Font& font, rbx::FaceSubstitutes substitutes);
    // A font of the installed fonts, with the substitutes the font backend gives its face.
    static RbxGlyphLayout withInstalledSubstitutes(const rbx::Font& font);

    const rbx::Font& font() const { return font_; }
    // Whether the substitutes wait to be sorted; sorts them now.
    bool substitutesPending() const { return substitutes_.isPending(); }
    void prepareSubstitutes() const { substitutes_.prepare(); }
    // Nothing for an empty text or a null font.
    RbxGlyphLine layOut(const QString& text) const;

private:
    // Whether Qt can draw the face (it is no substitute otherwise).
    bool drawable(const std::shared_ptr<const rbx::FontFace>& face) const;
    // The first substitute that has every character of `chars` (default ignorables need no
    // face) and shapes `text` without a missing glyph; its glyphs in `glyphs`.
    std::shared_ptr<const rbx::FontFace> substituteForAll(const QList<uint>& chars, const QString& text,
                                                          QVector<rbx::ShapedGlyph>& glyphs) const;
    // Appends glyphs shaped in `face` to the line, from its pen position.
    void append(RbxGlyphLine& line, const std::shared_ptr<const rbx::FontFace>& face,
                const QVector<rbx::ShapedGlyph>& glyphs) const;

    // The first substitute that has the character and that Qt can draw; null when none.
    std::shared_ptr<const rbx::FontFace> substituteFor(char32_t c) const;

    rbx::Font font_;
    rbx::FaceSubstitutes substitutes_;
};
