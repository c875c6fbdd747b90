#pragma once
// The model's fonts (a FontFace at a size) as Qt draws them: a drawing font for drawing
// glyphs by number and a QFont for drawing text with font substitution, both for exactly
// that face, plus the face's metrics read from its tables.
//
// A drawing font reads the face's own bytes (its file is mapped, not copied) and is no
// font of Qt's font database: Qt's font engine for it, with its glyph caches, goes when the
// last drawing font and glyph run of it go. For a QFont, Qt is asked for the face by family
// and style first; the answer is taken only when its 'head' table is the face's own.
// Otherwise the face's tables are written out as a single-face font and given to Qt (faces
// inside collections, faces held in memory). What was learnt of faces, with the copies
// given to Qt, is let go when the installed fonts change (the backend's generation moves).
// Main thread only.

#include "platform/fonts/ColorBitmaps.h"
#include "platform/fonts/Font.h"
#include "table/core/RbxCellSizing.h"

#include <QByteArray>
#include <QFont>
#include <QRawFont>
#include <QRectF>
#include <memory>
#include <optional>

namespace rbx::qt {

// Metrics of a font at its size, in pixels, y up (descender negative).
struct FaceMetrics {
    double ascender = 0;
    double descender = 0;
    double leading = 0;
    double capHeight = 0;
    double xHeight = 0;
    double maxAdvance = 0;
    QRectF boundingRect; // of all glyphs, (xMin, yMin, width, height)
    double lineHeight() const { return ascender - descender + leading; }
};

// The face's metrics at the font's size; from 'head', 'hhea' and 'OS/2' when the face has
// them, else from Qt's view of the font. Damaged tables give Qt's values and a log line.
FaceMetrics metrics(const rbx::Font& font);

// What the cell size needs of the font.
RbxFontMeasures measures(const rbx::Font& font);

// A face at a size for drawing glyphs by number. Glyph runs of its raw font may be drawn
// only while the drawing font lives (it holds the bytes Qt reads the glyphs from).
class DrawingFont {
public:
    DrawingFont(const rbx::Font& font, QRawFont raw, std::shared_ptr<const void> bytes,
                std::shared_ptr<const rbx::ColorBitmaps> colorBitmaps = nullptr);
    ~DrawingFont();
    DrawingFont(const DrawingFont&) = delete;
    DrawingFont& operator=(const DrawingFont&) = delete;

    const rbx::Font& font() const { return font_; }
    // Invalid when Qt cannot load the face.
    const QRawFont& raw() const { return raw_; }
    bool isValid() const { return raw_.isValid(); }
    // The face's colour bitmaps, for a face of colour bitmaps (colour emoji); else null.
    const std::shared_ptr<const rbx::ColorBitmaps>& colorBitmaps() const { return colorBitmaps_; }
    // What keeps the bytes Qt reads the glyphs from (null when Qt holds them itself).
    const std::shared_ptr<const void>& bytes() const { return bytes_; }

    // How many drawing fonts exist now (each is a font engine of Qt's).
    static int liveCount();

private:
    rbx::Font font_;
    std::shared_ptr<const void> bytes_; // released after raw_
    QRawFont raw_;
    std::shared_ptr<const rbx::ColorBitmaps> colorBitmaps_;
};

// The drawing font of a face at the font's size; the ones asked for last are kept (a few),
// so that asking again gives the same object. Null for a null font.
std::shared_ptr<const DrawingFont> drawingFont(const rbx::Font& font);
// Lets go of the drawing fonts kept for asking again.
void releaseDrawingFonts();

// The face at the font's size for text drawing (substitution on); nullopt when Qt cannot
// be given the face.
std::optional<QFont> textFont(const rbx::Font& font);

// The face's tables written out as one SFNT font; empty for faces that are no SFNT.
QByteArray sfntData(const rbx::FontFace& face);

// Forgets what was learnt about faces (tests that replace the font backend).
void resetCache();

} // namespace rbx::qt
