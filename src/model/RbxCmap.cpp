#include "model/RbxCmap.h"

#include "core/ByteReader.h"
#include "core/Log.h"

#include <algorithm>

namespace {
constexpr std::uint32_t cmapTag = 0x636D6170; // 'cmap'

// Upper bound on the characters a format 4 subtable may enter: its segments cannot
// cover the BMP more than a few times over unless the subtable is damaged.
constexpr std::size_t maxFormat4Steps = 4 * 65536;
} // namespace

RbxCmapSource RbxCmapSource::forFont(const rbx::Font& font) {
    RbxCmapSource s;
    s.fontName = font.postScriptName();
    auto face = font.face();
    s.read = [face](std::size_t offset, std::size_t length, int* error) -> std::optional<QByteArray> {
        if (!face) {
            if (error) *error = -1;
            return std::nullopt;
        }
        return face->tableRange(cmapTag, offset, length, error);
    };
    return s;
}

RbxCmapSource RbxCmapSource::forTable(const QByteArray& table, const QString& name) {
    RbxCmapSource s;
    s.fontName = name;
    s.read = [table](std::size_t offset, std::size_t length, int* error) -> std::optional<QByteArray> {
        const auto size = std::size_t(table.size());
        if (offset > size || length > size - offset) {
            if (error) *error = -1;
            return std::nullopt;
        }
        if (error) *error = 0;
        return table.mid(qsizetype(offset), qsizetype(length));
    };
    return s;
}

RbxCmap::~RbxCmap() = default;

std::uint32_t RbxCmap::glyphForCharacter(std::uint32_t c) const {
    translateCharactersToGlyphs(&c, 1);
    return c;
}

std::uint32_t RbxCmap::characterForGlyph(std::uint32_t g) const {
    translateGlyphsToCharacters(&g, 1);
    return g;
}

std::unique_ptr<RbxCmap> RbxCmap::cmapWithFont(const rbx::Font& font, std::size_t offset) {
    auto c = cmapWithSource(RbxCmapSource::forFont(font), offset);
    if (c) c->setFont(font);
    return c;
}

std::unique_ptr<RbxCmap> RbxCmap::cmapWithSource(const RbxCmapSource& source, std::size_t offset) {
    return make(source, offset, false);
}

std::unique_ptr<RbxCmap> RbxCmap::anyCmapWithSource(const RbxCmapSource& source, std::size_t offset) {
    return make(source, offset, true);
}

std::unique_ptr<RbxCmap> RbxCmap::make(const RbxCmapSource& source, std::size_t offset, bool holders) {
    if (!source.read) return nullptr;
    // The header: 12 bytes, of which a short subtable at the table's end may hold only 6.
    std::optional<QByteArray> head = source.read(offset, 12, nullptr);
    if (!head) head = source.read(offset, 6, nullptr);
    if (!head) return nullptr;
    const kx::ByteReader h(*head);
    const int format = h.u16(0);
    std::uint32_t length;
    if (format >= 8) {
        if (h.size() < 12) return nullptr;
        length = h.u32(4);
    } else {
        length = h.u16(2);
    }

    std::unique_ptr<RbxCmap> cmap;
    switch (format) {
    case 0: cmap.reset(new RbxCmap0(QByteArray())); break;
    case 4: cmap.reset(new RbxCmap4(QByteArray())); break;
    case 6: cmap.reset(new RbxCmap6(QByteArray())); break;
    case 2: case 8: case 10:
        if (holders) cmap.reset(new RbxCmapHolder(QByteArray()));
        break;
    case 12:
        if (holders) cmap.reset(new RbxCmap12(QByteArray()));
        break;
    default: break;
    }
    if (!cmap) return nullptr;

    int error = 0;
    std::optional<QByteArray> bytes = source.read(offset, length, &error);
    if (!bytes) {
        kx::log(QStringLiteral("cmap subtable (format %1) at offset %2 of font %3 runs past the table (length %4)")
                    .arg(format).arg(offset).arg(source.fontName).arg(length));
        return nullptr;
    }
    cmap->map_ = std::move(*bytes);
    cmap->format_ = format;
    try {
        cmap->fixByteOrder();
    } catch (const kx::OutOfBounds& e) {
        kx::log(QStringLiteral("cmap subtable (format %1) at offset %2 of font %3 is truncated: %4")
                    .arg(format).arg(offset).arg(source.fontName, QString::fromUtf8(e.what())));
        return nullptr;
    } catch (const RbxCmapDamaged& e) {
        kx::log(QStringLiteral("cmap subtable (format %1) at offset %2 of font %3 is damaged: %4")
                    .arg(format).arg(offset).arg(source.fontName, e.reason));
        return nullptr;
    }
    return cmap;
}

// ---- format 0 ---------------------------------------------------------------------

void RbxCmap0::fixByteOrder() {
    const kx::ByteReader r(map_);
    if (r.size() < 262)
        throw RbxCmapDamaged{QStringLiteral("%1 bytes, a byte encoding table needs 262").arg(r.size())};
    length_ = r.u16(2);
    language_ = r.u16(4);
    std::copy_n(r.data() + 6, 256, glyphs_);
}

void RbxCmap0::translateCharactersToGlyphs(std::uint32_t* values, int length) const {
    for (int i = 0; i < length; ++i) {
        const std::uint32_t c = values[i];
        values[i] = (c >= 32 && c <= 255) ? glyphs_[c] : 0;
    }
}

void RbxCmap0::translateGlyphsToCharacters(std::uint32_t* values, int length) const {
    if (glyphChars_.empty()) {
        glyphChars_.assign(256, 0);
        for (int c = 255; c >= 32; --c) glyphChars_[glyphs_[c]] = std::uint8_t(c);
    }
    for (int i = 0; i < length; ++i) {
        const std::uint32_t g = values[i];
        values[i] = (g >= 1 && g <= 255) ? glyphChars_[g] : 0;
    }
}

// ---- format 4 ---------------------------------------------------------------------

void RbxCmap4::fixByteOrder() {
    const kx::ByteReader r(map_);
    length_ = r.u16(2);
    language_ = r.u16(4);
    const std::size_t segCount = r.u16(6) / 2;
    // endCode, the pad, startCode, idDelta and idRangeOffset after the 14-byte header.
    const std::size_t endAt = 14, startAt = 16 + 2 * segCount, deltaAt = 16 + 4 * segCount,
                      rangeAt = 16 + 6 * segCount;
    if (!r.has(0, rangeAt + 2 * segCount))
        throw RbxCmapDamaged{QStringLiteral("%1 segments do not fit in %2 bytes").arg(segCount).arg(r.size())};

    maxChar_ = maxGlyph_ = 0;
    // Sized by the highest character a segment reaches and grown to the glyphs met, not
    // for every 16-bit value: most fonts map a few hundred characters.
    unsigned topChar = 0;
    for (std::size_t i = 0; i < segCount; ++i) {
        const unsigned end = r.u16(endAt + 2 * i), start = r.u16(startAt + 2 * i);
        if (end >= start && end >= 32) topChar = std::max(topChar, end);
    }
    std::vector<std::uint16_t> charGlyphs(std::size_t(topChar) + 1, 0), glyphChars;
    std::size_t steps = 0;
    for (std::size_t i = 0; i < segCount; ++i) {
        const unsigned end = r.u16(endAt + 2 * i), start = r.u16(startAt + 2 * i);
        const unsigned delta = r.u16(deltaAt + 2 * i), rangeOffset = r.u16(rangeAt + 2 * i);
        if (end < start) continue;
        steps += end - start + 1;
        if (steps > maxFormat4Steps)
            throw RbxCmapDamaged{QStringLiteral("segments overlap beyond %1 characters").arg(maxFormat4Steps)};
        for (unsigned ch = std::max(start, 32u); ch <= end; ++ch) {
            unsigned glyph;
            if (rangeOffset == 0) {
                glyph = (ch + delta) & 0xFFFF;
            } else {
                // A glyph index word outside the subtable maps the character to nothing.
                const std::size_t at = rangeAt + 2 * i + rangeOffset + 2 * std::size_t(ch - start);
                const unsigned word = r.has(at, 2) ? r.u16(at) : 0;
                glyph = word ? (word + delta) & 0xFFFF : 0;
            }
            charGlyphs[ch] = std::uint16_t(glyph);
            if (glyph >= glyphChars.size()) glyphChars.resize(std::max<std::size_t>(glyph + 1, 2 * glyphChars.size()), 0);
            if (glyphChars[glyph] == 0) glyphChars[glyph] = std::uint16_t(ch);
            maxChar_ = std::max(maxChar_, int(ch));
            maxGlyph_ = std::max(maxGlyph_, int(glyph));
        }
    }
    glyphChars.resize(std::size_t(maxGlyph_) + 1);
    charGlyphs.resize(std::size_t(maxChar_) + 1);
    glyphChars.shrink_to_fit();
    charGlyphs.shrink_to_fit();
    glyphChars_ = std::move(glyphChars);
    charGlyphs_ = std::move(charGlyphs);
}

void RbxCmap4::translateCharactersToGlyphs(std::uint32_t* values, int length) const {
    for (int i = 0; i < length; ++i) {
        const std::uint32_t c = values[i];
        values[i] = (c >= 1 && c <= std::uint32_t(maxChar_)) ? charGlyphs_[c] : 0;
    }
}

void RbxCmap4::translateGlyphsToCharacters(std::uint32_t* values, int length) const {
    for (int i = 0; i < length; ++i) {
        const std::uint32_t g = values[i];
        values[i] = (g >= 1 && g <= std::uint32_t(maxGlyph_)) ? glyphChars_[g] : 0;
    }
}

// ---- format 6 ---------------------------------------------------------------------

void RbxCmap6::fixByteOrder() {
    const kx::ByteReader r(map_);
    length_ = r.u16(2);
    language_ = r.u16(4);
    firstCode_ = r.u16(6);
    const std::size_t count = r.u16(8);
    if (!r.has(10, 2 * count))
        throw RbxCmapDamaged{QStringLiteral("%1 entries do not fit in %2 bytes").arg(count).arg(r.size())};
    glyphs_.resize(count);
    for (std::size_t i = 0; i < count; ++i) glyphs_[i] = r.u16(10 + 2 * i);
}

void RbxCmap6::translateCharactersToGlyphs(std::uint32_t* values, int length) const {
    const std::uint32_t low = std::uint32_t(std::max(firstCode_, 32));
    const std::uint32_t end = std::uint32_t(firstCode_) + std::uint32_t(glyphs_.size());
    for (int i = 0; i < length; ++i) {
        const std::uint32_t c = values[i];
        values[i] = (c >= low && c < end) ? glyphs_[c - std::uint32_t(firstCode_)] : 0;
    }
}

void RbxCmap6::translateGlyphsToCharacters(std::uint32_t* values, int length) const {
    if (maxGlyph_ < 0) {
        maxGlyph_ = 0;
        for (std::uint16_t g : glyphs_) maxGlyph_ = std::max(maxGlyph_, int(g));
        glyphChars_.assign(std::size_t(maxGlyph_) + 1, 0);
        for (std::size_t i = glyphs_.size(); i-- > 0;) {
            const std::uint32_t c = std::uint32_t(firstCode_) + std::uint32_t(i);
            if (c >= 32 && c <= 0xFFFF) glyphChars_[glyphs_[i]] = std::uint16_t(c);
        }
    }
    for (int i = 0; i < length; ++i) {
        const std::uint32_t g = values[i];
        values[i] = (g >= 1 && g <= std::uint32_t(maxGlyph_)) ? glyphChars_[g] : 0;
    }
}

// ---- holders ----------------------------------------------------------------------

void RbxCmapHolder::fixByteOrder() {
    const kx::ByteReader r(map_);
    if (format_ < 8) {
        length_ = r.u16(2);
        language_ = r.u16(4);
    } else {
        length_ = r.u32(4);
        language_ = r.u32(8);
    }
}

void RbxCmapHolder::translateCharactersToGlyphs(std::uint32_t* values, int length) const {
    std::fill_n(values, std::max(length, 0), 0u);
}

void RbxCmapHolder::translateGlyphsToCharacters(std::uint32_t* values, int length) const {
    std::fill_n(values, std::max(length, 0), 0u);
}

// ---- format 12 --------------------------------------------------------------------

void RbxCmap12::fixByteOrder() {
    const kx::ByteReader r(map_);
    length_ = r.u32(4);
    language_ = r.u32(8);
    const std::size_t n = r.u32(12);
    if (n > (r.size() - 16) / 12)
        throw RbxCmapDamaged{QStringLiteral("%1 groups do not fit in %2 bytes").arg(n).arg(r.size())};
    groups_.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = 16 + 12 * i;
        Group g{r.u32(at), r.u32(at + 4), r.u32(at + 8)};
        if (g.start > g.end || g.start > kx::LastCodePoint) continue;
        g.end = std::min<std::uint32_t>(g.end, kx::LastCodePoint);
        groups_.push_back(g);
    }
    std::stable_sort(groups_.begin(), groups_.end(), [](const Group& a, const Group& b) { return a.start < b.start; });
    std::uint32_t most = 0;
    reach_.reserve(groups_.size());
    for (const Group& g : groups_) reach_.push_back(most = std::max(most, g.end));
}

void RbxCmap12::translateCharactersToGlyphs(std::uint32_t* values, int length) const {
    for (int i = 0; i < length; ++i) {
        const std::uint32_t c = values[i];
        std::uint32_t glyph = 0;
        // The earliest group (by start) that spans c: the first whose running greatest
        // end reaches c, provided it starts at or below c.
        auto it = std::lower_bound(reach_.begin(), reach_.end(), c);
        if (c >= 32 && it != reach_.end()) {
            const Group& g = groups_[std::size_t(it - reach_.begin())];
            if (g.start <= c && c <= g.end) glyph = g.glyph + (c - g.start);
        }
        values[i] = glyph;
    }
}

void RbxCmap12::translateGlyphsToCharacters(std::uint32_t* values, int length) const {
    for (int i = 0; i < length; ++i) {
        const std::uint32_t g = values[i];
        std::uint32_t best = 0;
        if (g != 0) {
            for (const Group& gr : groups_) {
                if (g < gr.glyph || g - gr.glyph > gr.end - gr.start) continue;
                const std::uint32_t c = gr.start + (g - gr.glyph);
                if (c >= 32 && (best == 0 || c < best)) best = c;
            }
        }
        values[i] = best;
    }
}

std::vector<std::pair<char32_t, std::uint32_t>> RbxCmap12::allMappings() const {
    // Groups are sorted by start, so every character up to `done` is already mapped by
    // an earlier group: each character is visited once.
    std::vector<std::pair<char32_t, std::uint32_t>> out;
    std::int64_t done = 31;
    for (const Group& g : groups_) {
        for (std::int64_t c = std::max<std::int64_t>(g.start, done + 1); c <= std::int64_t(g.end); ++c) {
            const std::uint32_t glyph = g.glyph + std::uint32_t(c - g.start);
            if (glyph) out.emplace_back(char32_t(c), glyph);
        }
        done = std::max<std::int64_t>(done, g.end);
    }
    return out;
}
