#pragma once
// Readers of single subtables of a font's 'cmap' table, one class per subtable format.
// Formats 0, 4 and 6 translate characters to glyphs and back; the others keep their
// subtable and header only (format 12 also translates, for the diagnostics that need a
// full Unicode map). Every reader checks that its subtable is whole before it is used:
// a damaged subtable gives no reader and a log line.

#include "platform/fonts/Font.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Reads `length` bytes from `offset` of one font's 'cmap' table; nullopt (and a platform
// error code) when they cannot be read.
struct RbxCmapSource {
    QString fontName;
    std::function<std::optional<QByteArray>(std::size_t offset, std::size_t length, int* error)> read;

    static RbxCmapSource forFont(const rbx::Font& font);
    // A table held in memory (tests, tools).
    static RbxCmapSource forTable(const QByteArray& table, const QString& name = QStringLiteral("(table)"));
};

class RbxCmap {
public:
    virtual ~RbxCmap();

    // The reader of the subtable at `offset` of the font's 'cmap' table: RbxCmap0, 4 or 6;
    // nullptr for other formats, unreadable or damaged subtables.
    static std::unique_ptr<RbxCmap> cmapWithFont(const rbx::Font& font, std::size_t offset);
    static std::unique_ptr<RbxCmap> cmapWithSource(const RbxCmapSource& source, std::size_t offset);
    // Any format this file knows (the holders too); nullptr when unreadable or damaged.
    static std::unique_ptr<RbxCmap> anyCmapWithSource(const RbxCmapSource& source, std::size_t offset);

    int format() const { return format_; }
    std::uint32_t length() const { return length_; }
    std::uint32_t language() const { return language_; }
    const QByteArray& map() const { return map_; }
    const rbx::Font& font() const { return font_; }
    void setFont(const rbx::Font& font) { font_ = font; }

    // In place: each character becomes its glyph, each glyph its character; 0 for none.
    virtual void translateCharactersToGlyphs(std::uint32_t* values, int length) const = 0;
    virtual void translateGlyphsToCharacters(std::uint32_t* values, int length) const = 0;
    std::uint32_t glyphForCharacter(std::uint32_t c) const;
    std::uint32_t characterForGlyph(std::uint32_t g) const;

protected:
    explicit RbxCmap(QByteArray map) : map_(std::move(map)) {}
    // Reads the subtable into host order; throws kx::OutOfBounds or returns a reason
    // when the subtable is damaged.
    virtual void fixByteOrder() = 0;

    QByteArray map_;
    int format_ = 0;
    std::uint32_t length_ = 0;
    std::uint32_t language_ = 0;
    rbx::Font font_;

private:
    static std::unique_ptr<RbxCmap> make(const RbxCmapSource& source, std::size_t offset, bool holders);
};

// A subtable that is not whole.
struct RbxCmapDamaged {
    QString reason;
};

// Format 0: one glyph byte per character code.
class RbxCmap0 : public RbxCmap {
public:
    explicit RbxCmap0(QByteArray map) : RbxCmap(std::move(map)) {}
    void translateCharactersToGlyphs(std::uint32_t* values, int length) const override;
    void translateGlyphsToCharacters(std::uint32_t* values, int length) const override;

protected:
    void fixByteOrder() override;

private:
    std::uint8_t glyphs_[256] = {};
    mutable std::vector<std::uint8_t> glyphChars_; // built on first use
};

// Format 4: segments of the BMP, expanded into two direct tables.
class RbxCmap4 : public RbxCmap {
public:
    explicit RbxCmap4(QByteArray map) : RbxCmap(std::move(map)) {}
    void translateCharactersToGlyphs(std::uint32_t* values, int length) const override;
    void translateGlyphsToCharacters(std::uint32_t* values, int length) const override;
    int maxChar() const { return maxChar_; }
    int maxGlyph() const { return maxGlyph_; }

protected:
    void fixByteOrder() override;

private:
    int maxChar_ = 0, maxGlyph_ = 0;
    std::vector<std::uint16_t> charGlyphs_, glyphChars_;
};

// Format 6: one run of consecutive character codes.
class RbxCmap6 : public RbxCmap {
public:
    explicit RbxCmap6(QByteArray map) : RbxCmap(std::move(map)) {}
    void translateCharactersToGlyphs(std::uint32_t* values, int length) const override;
    void translateGlyphsToCharacters(std::uint32_t* values, int length) const override;
    int firstCode() const { return firstCode_; }
    int entryCount() const { return int(glyphs_.size()); }

protected:
    void fixByteOrder() override;

private:
    int firstCode_ = 0;
    std::vector<std::uint16_t> glyphs_;
    mutable int maxGlyph_ = -1; // -1 until the inverse table is built
    mutable std::vector<std::uint16_t> glyphChars_;
};

// Holders: formats 2, 8 and 10 keep their subtable and header and translate nothing.
class RbxCmapHolder : public RbxCmap {
public:
    explicit RbxCmapHolder(QByteArray map) : RbxCmap(std::move(map)) {}
    void translateCharactersToGlyphs(std::uint32_t* values, int length) const override;
    void translateGlyphsToCharacters(std::uint32_t* values, int length) const override;

protected:
    void fixByteOrder() override;
};
using RbxCmap2 = RbxCmapHolder;
using RbxCmap8 = RbxCmapHolder;
using RbxCmap10 = RbxCmapHolder;

// Format 12: groups of characters of all planes.
class RbxCmap12 : public RbxCmap {
public:
    explicit RbxCmap12(QByteArray map) : RbxCmap(std::move(map)) {}
    void translateCharactersToGlyphs(std::uint32_t* values, int length) const override;
    void translateGlyphsToCharacters(std::uint32_t* values, int length) const override;
    // Every mapped character (glyph not 0) with its glyph, ascending.
    std::vector<std::pair<char32_t, std::uint32_t>> allMappings() const;

protected:
    void fixByteOrder() override;

private:
    struct Group { std::uint32_t start, end, glyph; };
    std::vector<Group> groups_;        // sorted by start
    std::vector<std::uint32_t> reach_; // greatest end among groups_[0..i]
};
