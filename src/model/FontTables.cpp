// The font's format, tables and 'post' glyph names.
#include "model/FontExtensions.h"

#include "core/Log.h"

namespace rbx::font {

QString fontFormatName(const Font& font) {
    if (!font) return QString();
    switch (font->format()) {
    case FontFormat::OpenTypeCFF: return QStringLiteral("OpenType / PostScript");
    case FontFormat::OpenTypeTrueType: return QStringLiteral("OpenType / TrueType");
    case FontFormat::TrueType: return QStringLiteral("TrueType");
    case FontFormat::Type1: return QStringLiteral("PostScript");
    case FontFormat::Bitmap: return QStringLiteral("Bitmap");
    case FontFormat::Unknown: break;
    }
    return QStringLiteral("");
}

bool isColorFont(const Font& font) {
    if (!font) return false;
    return font->hasTable(kx::fourCC("SVG ")) || font->hasTable(kx::fourCC("sbix")) ||
           font->hasTable(kx::fourCC("CBDT"));
}

std::optional<QStringList> tagsOfAvailableFontTables(const Font& font) {
    if (!font) return std::nullopt;
    const QList<std::uint32_t> tags = font->tableTags();
    if (tags.isEmpty()) return std::nullopt;
    QStringList out;
    for (std::uint32_t t : tags) out << kx::fourCCString(t);
    return out;
}

double postFormat(const Font& font) {
    if (!font) return 0;
    const auto post = font->tableRange(kx::fourCC("post"), 0, 4);
    if (!post) return 0;
    return double(kx::ByteReader(*post).s32(0)) / 65536.0;
}

namespace {
// Where the walk over the name strings stands: the start of the first string, the
// index of the string at `position` (258 at the start) and that position.
struct GlyphNameCache {
    std::size_t start = 0;
    int index = 258;
    std::size_t position = 0;
};
GlyphNameCache& nameCache() {
    static GlyphNameCache c;
    return c;
}
} // namespace

void resetGlyphNameCache(std::size_t start) { nameCache() = GlyphNameCache{start, 258, start}; }

QString glyphNameInData(const kx::ByteReader& post, int nameIndex) {
    if (nameIndex < 258) return QStringLiteral("glyph #%1").arg(nameIndex);
    GlyphNameCache& c = nameCache();
    if (nameIndex < c.index) {
        c.index = 258;
        c.position = c.start;
    }
    while (c.index < nameIndex) {
        if (!post.has(c.position, 1)) return QStringLiteral("");
        c.position += 1 + post.u8(c.position);
        ++c.index;
    }
    if (!post.has(c.position, 1)) return QStringLiteral("");
    const std::size_t length = post.u8(c.position);
    if (!post.has(c.position + 1, length)) return QStringLiteral("");
    return QString::fromUtf8(post.bytes(c.position + 1, length));
}

std::optional<QStringList> glyphNames(const Font& font) {
    if (!font) return std::nullopt;
    const auto table = font->table(kx::fourCC("post"));
    if (!table) return std::nullopt;
    const kx::ByteReader post(*table);
    try {
        if (post.u32(0) != 0x00020000) return std::nullopt;
        const int count = post.u16(32);
        if (!post.has(34, 2 * std::size_t(count))) {
            kx::log(QStringLiteral("post table of font %1 is too short for its %2 glyph names")
                        .arg(font.postScriptName()).arg(count));
            return std::nullopt;
        }
        resetGlyphNameCache(34 + 2 * std::size_t(count));
        QStringList lines;
        lines.reserve(count);
        for (int g = 0; g < count; ++g) {
            const int index = post.u16(34 + 2 * std::size_t(g));
            lines << QStringLiteral("%1: %2 - %3").arg(g).arg(index).arg(glyphNameInData(post, index));
        }
        return lines;
    } catch (const kx::OutOfBounds& e) {
        kx::log(QStringLiteral("post table of font %1 is truncated: %2")
                    .arg(font.postScriptName(), QString::fromUtf8(e.what())));
        return std::nullopt;
    }
}

} // namespace rbx::font
