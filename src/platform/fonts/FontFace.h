#pragma once
// One face of a font file, or of font bytes held in memory: its names, its raw SFNT
// tables, the characters it maps, its nominal glyphs and the shaping of a text by this
// face alone (no fallback to other fonts). Faces are immutable and shared; every
// operation may be called from any thread.
//
// A face described by the installed fonts' index (fromInfo()) knows its names and, from
// the index, its characters without reading its file; the file is opened when a glyph,
// a table or the shaping is first asked for. Open faces are few: beyond the most recently
// used ones (OpenFaceLimit) a face is closed again, and opened anew when next needed.

#include "core/CharSet.h"
#include "platform/fonts/FaceInfo.h"
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
    std::int32_t xOffset = 0;  // where the glyph sits from its pen position, in font units,
    std::int32_t yOffset = 0;  // y up (marks placed over or under their base)
};

class FontFace {
public:
    // A face of a file; nullptr when FreeType cannot open it.
    static std::shared_ptr<const FontFace> fromFile(const QString& path, int index = 0);
    // A face of bytes in memory (the bytes are kept); nullptr when they are no font.
    static std::shared_ptr<const FontFace> fromData(const QByteArray& data, int index = 0);
    // A face as the installed fonts' index describes it, opened when first needed;
    // nullptr when the info names no file. When the file cannot be opened then, that is
    // logged once and the face has no glyphs and no tables.
    static std::shared_ptr<const FontFace> fromInfo(const FaceInfo& info);
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
    QString fullName() const;
    // A name of the 'name' table by its number (0 copyright, 1 family ...); "" if none.
    QString nameString(int nameId) const;
    // The file the face comes from; empty for a face made from bytes.
    QString filePath() const { return filePath_; }
    int faceIndex() const { return faceIndex_; }
    // What the installed fonts' index records of the face's characters and languages;
    // null for a face it did not describe.
    const std::shared_ptr<const FaceCoverage>& coverage() const { return coverage_; }

    bool isSfnt() const { return properties().sfnt; }
    FontFormat format() const { return properties().format; }
    int unitsPerEm() const { return properties().unitsPerEm; }
    int glyphCount() const { return properties().glyphCount; }

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

    // The characters with a glyph: the index's record for a face it described, else the
    // face's best Unicode mapping; computed once.
    const kx::CharSet& coveredCharacters() const;
    // Whether c is one of them, and adding them to a set, without keeping a set of the
    // face's own for a face the index described.
    bool covers(char32_t c) const;
    void addCoveredCharactersTo(kx::CharSet& set) const;
    // The glyph of one character through the face's best Unicode mapping; 0 for none.
    std::uint32_t nominalGlyph(char32_t c) const;
    // Whether the glyph draws anything: its outline or bitmap has an extent (for faces other
    // than SFNT, as FreeType gives it). A glyph of the face whose extent is not known counts
    // as drawing; one past the face's glyphs does not.
    bool glyphHasInk(std::uint32_t glyph) const;
    // The glyph's horizontal advance in font units, as shaping gives it; 0 for no glyph.
    std::int32_t glyphAdvance(std::uint32_t glyph) const;
    // The glyph of a character followed by a variation selector, from the face's variation
    // sequences; 0 when the face has none for the pair.
    std::uint32_t variationGlyph(char32_t c, char32_t selector) const;
    // The name the face gives a glyph ('post' table, CFF charset or Type 1 glyph names);
    // "" when it names none.
    QString glyphName(std::uint32_t glyph) const;

    // Which layout tables shaping may use. By default an AAT 'morx' table, when the face
    // has one, takes the place of 'GSUB'; OpenTypeOnly ignores 'morx'.
    enum class Layout { Default, OpenTypeOnly };
    // Lays the text out in this face alone, with every kind of ligature switched on
    // unless `ligatures` is false. Characters the face lacks come out as glyph 0.
    QVector<ShapedGlyph> shape(const QString& text, bool ligatures = true, Layout layout = Layout::Default) const;
    // Sum of the advances of the shaped text, in font units.
    long long advanceOf(const QString& text) const;

    // The bytes the face is read from: its whole file (mapped, so that only the parts read
    // take memory) or the bytes it was made from, and a handle that keeps them readable
    // while it lives; no data when the face cannot be opened. The handle does not keep the
    // face open.
    struct Bytes {
        const char* data = nullptr;
        qsizetype size = 0;
        std::shared_ptr<const void> keep;
    };
    Bytes bytes() const;

    // How many faces stay open when no call uses them.
    static constexpr int OpenFaceLimit = 24;
    // Whether the face's file is open now.
    bool isOpen() const;
    // How often this process opened a face, and how many are open now.
    static std::uint64_t facesOpened();
    static int facesOpenNow();
    // How many face objects live now, open or not.
    static int facesAlive();
    // Closes every face that no call uses now (they are opened again when next needed).
    static void closeUnusedFaces();
    // How many font files (or bytes of faces) are held readable now: by open faces and by
    // the handles of bytes().
    static int fileMappingsNow();

    struct Impl;

private:
    struct Properties {
        bool sfnt = false;
        FontFormat format = FontFormat::Unknown;
        int unitsPerEm = 0;
        int glyphCount = 0;
    };

    FontFace();
    static std::shared_ptr<const FontFace> open(const QString& path, const QByteArray& data, int index);
    // The open face, opened now when it is closed; nullptr when it cannot be opened.
    std::shared_ptr<Impl> opened() const;
    const Properties& properties() const;

    QString postScriptName_, familyName_, styleName_, fullName_, filePath_;
    int faceIndex_ = 0;
    bool fullNameJoinsStyle_ = false;
    QByteArray data_; // the bytes of a face made from memory
    std::shared_ptr<const FaceCoverage> coverage_;

    struct State;
    std::unique_ptr<State> d;
};

} // namespace rbx
