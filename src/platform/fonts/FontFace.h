#pragma once
// One face of a font file, or of font bytes held in memory: its names, its raw SFNT
// tables, the characters it maps, its nominal glyphs and the shaping of a text by this
// face alone (no fallback to other fonts). Faces are immutable and shared; every
// operation may be called from any thread.

#include "core/CharSet.h"
#include "core/Types.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVector>
#include <cstdint>
#include <memory>
#include <optional>

namespace rbx {

// How the face's outlines are stored.
enum class FontFormat {
    Unknown,
    OpenTypeCFF,      // SFNT with a 'CFF ' or 'CFF2' table
    OpenTypeTrueType, // SFNT with 'glyf' outlines and OpenType layout tables
    TrueType,         // SFNT with 'glyf' outlines and no OpenType layout tables
    Type1,            // PostScript Type 1 (and CID-keyed Type 1)
    Bitmap,           // bitmaps only (colour bitmap fonts, BDF, PCF)
};

struct ShapedGlyph {
    std::uint32_t glyph = 0;   // 0 is the missing glyph
    std::uint32_t cluster = 0; // UTF-16 index of the first unit of its characters
    std::int32_t advance = 0;  // in font units
};

class FontFace {
public:
    // A face of a file; nullptr when FreeType cannot open it.
    static std::shared_ptr<const FontFace> fromFile(const QString& path, int index = 0);
    // A face of bytes in memory (the bytes are kept); nullptr when they are no font.
    static std::shared_ptr<const FontFace> fromData(const QByteArray& data, int index = 0);
    // Number of faces in a file or in bytes; 0 when they are no font.
    static int faceCountInFile(const QString& path);
    static int faceCountInData(const QByteArray& data);

    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    QString postScriptName() const { return postScriptName_; }
    QString familyName() const { return familyName_; }
    QString styleName() const { return styleName_; }
    // The full name from the 'name' table; family and style joined when there is none.
    QString fullName() const { return fullName_; }
    // A name of the 'name' table by its number (0 copyright, 1 family ...); "" if none.
    QString nameString(int nameId) const;
    // The file the face comes from; empty for a face made from bytes.
    QString filePath() const { return filePath_; }
    int faceIndex() const { return faceIndex_; }

    bool isSfnt() const { return sfnt_; }
    FontFormat format() const { return format_; }
    int unitsPerEm() const { return unitsPerEm_; }
    int glyphCount() const { return glyphCount_; }

    // Tags of the SFNT tables in directory order; empty for other formats.
    QList<std::uint32_t> tableTags() const;
    bool hasTable(std::uint32_t tag) const;
    // Length of a table, or -1 when the face has none.
    long long tableLength(std::uint32_t tag) const;
    // A whole table; nullopt when the face has none.
    std::optional<QByteArray> table(std::uint32_t tag) const;
    // `length` bytes of a table from `offset`; nullopt when the table is missing or the
    // range does not lie inside it. `error` receives FreeType's error code.
    std::optional<QByteArray> tableRange(std::uint32_t tag, std::size_t offset, std::size_t length,
                                         int* error = nullptr) const;

    // The characters with a glyph (the face's best Unicode mapping), computed once.
    const kx::CharSet& coveredCharacters() const;
    // The glyph of one character through the face's best Unicode mapping; 0 for none.
    std::uint32_t nominalGlyph(char32_t c) const;

    // Which layout tables shaping may use. By default an AAT 'morx' table, when the face
    // has one, takes the place of 'GSUB'; OpenTypeOnly ignores 'morx'.
    enum class Layout { Default, OpenTypeOnly };
    // Lays the text out in this face alone, with every kind of ligature switched on
    // unless `ligatures` is false. Characters the face lacks come out as glyph 0.
    QVector<ShapedGlyph> shape(const QString& text, bool ligatures = true, Layout layout = Layout::Default) const;
    // Sum of the advances of the shaped text, in font units.
    long long advanceOf(const QString& text) const;

    struct Impl;

private:
    FontFace();
    static std::shared_ptr<const FontFace> open(const QString& path, const QByteArray& data, int index);

    QString postScriptName_, familyName_, styleName_, fullName_, filePath_;
    int faceIndex_ = 0;
    bool sfnt_ = false;
    FontFormat format_ = FontFormat::Unknown;
    int unitsPerEm_ = 0;
    int glyphCount_ = 0;
    std::unique_ptr<Impl> d;
};

} // namespace rbx
