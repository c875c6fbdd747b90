#include "platform/fonts/ColorBitmaps.h"

#include "core/ByteReader.h"
#include "core/Log.h"

#include <algorithm>

namespace rbx {

namespace {

using kx::fourCC;

struct TableSpan {
    std::size_t offset = 0, length = 0;
};

// Where a table of the face lies in its file (a face of a collection included).
std::optional<TableSpan> findTable(const kx::ByteReader& file, int faceIndex, std::uint32_t tag) {
    std::size_t directory = 0;
    if (file.tag(0) == fourCC("ttcf")) {
        if (faceIndex < 0 || std::uint32_t(faceIndex) >= file.u32(8)) return std::nullopt;
        directory = file.u32(12 + 4 * std::size_t(faceIndex));
    }
    const std::size_t tables = file.u16(directory + 4);
    for (std::size_t i = 0; i < tables; ++i) {
        const std::size_t record = directory + 12 + 16 * i;
        if (file.tag(record) != tag) continue;
        const TableSpan span{file.u32(record + 8), file.u32(record + 12)};
        if (!file.has(span.offset, span.length)) return std::nullopt;
        return span;
    }
    return std::nullopt;
}

} // namespace

std::shared_ptr<const ColorBitmaps> ColorBitmaps::of(const std::shared_ptr<const FontFace>& face) {
    if (!face || !face->isSfnt() || !face->hasTable(fourCC("CBLC")) || !face->hasTable(fourCC("CBDT"))) return nullptr;
    auto b = std::shared_ptr<ColorBitmaps>(new ColorBitmaps);
    b->face_ = face;
    const FontFace::Bytes bytes = face->bytes();
    if (!bytes.data) return nullptr;
    try {
        const kx::ByteReader file(QByteArray::fromRawData(bytes.data, bytes.size));
        const auto cblc = findTable(file, face->faceIndex(), fourCC("CBLC"));
        const auto cbdt = findTable(file, face->faceIndex(), fourCC("CBDT"));
        if (!cblc || !cbdt) return nullptr;
        b->cbdt_ = cbdt->offset;
        b->cbdtLength_ = cbdt->length;
        const kx::ByteReader index = file.slice(cblc->offset, cblc->length);
        // The strike with the most pixels per em.
        const std::size_t sizes = index.u32(4);
        std::size_t best = 0;
        int bestPpem = -1;
        for (std::size_t i = 0; i < sizes; ++i) {
            const int ppem = index.u8(8 + 48 * i + 45);
            if (ppem > bestPpem) {
                bestPpem = ppem;
                best = 8 + 48 * i;
            }
        }
        if (bestPpem <= 0) return nullptr;
        b->ppem_ = bestPpem;
        const std::size_t array = index.u32(best);
        const std::size_t subtables = index.u32(best + 8);
        if (!index.has(array, 8 * subtables)) throw kx::OutOfBounds(array, 8 * subtables, index.size());
        for (std::size_t j = 0; j < subtables; ++j) {
            const std::size_t e = array + 8 * j;
            const Range r{index.u16(e), index.u16(e + 2), cblc->offset + array + index.u32(e + 4)};
            if (r.first <= r.last) b->ranges_.push_back(r);
        }
    } catch (const kx::OutOfBounds&) {
        kx::log(QStringLiteral("damaged colour bitmap tables in the font %1").arg(face->postScriptName()));
        return nullptr;
    }
    return b;
}

std::optional<ColorBitmaps::Bitmap> ColorBitmaps::bitmap(std::uint32_t glyph) const {
    const auto range = std::find_if(ranges_.begin(), ranges_.end(),
                                    [&](const Range& r) { return glyph >= r.first && glyph <= r.last; });
    if (range == ranges_.end()) return std::nullopt;
    const FontFace::Bytes bytes = face_->bytes();
    if (!bytes.data) return std::nullopt;
    try {
        const kx::ByteReader file(QByteArray::fromRawData(bytes.data, bytes.size));
        const std::size_t sub = range->subtable;
        const std::uint16_t indexFormat = file.u16(sub);
        const std::uint16_t imageFormat = file.u16(sub + 2);
        const std::size_t imageData = file.u32(sub + 4);
        const std::size_t k = glyph - range->first;
        std::size_t start = 0, length = 0;
        std::optional<std::size_t> bigMetrics; // in the index (formats 2 and 5)
        // Formats 1 and 3: an offset per glyph (32 or 16 bits), the next one ending it.
        auto fromOffsets = [&](std::size_t width) {
            const auto at = [&](std::size_t i) -> std::size_t {
                return width == 4 ? file.u32(sub + 8 + 4 * i) : file.u16(sub + 8 + 2 * i);
            };
            const std::size_t a = at(k), z = at(k + 1);
            if (z <= a) return false;
            start = imageData + a;
            length = z - a;
            return true;
        };
        switch (indexFormat) {
        case 1:
        case 3:
            if (!fromOffsets(indexFormat == 1 ? 4 : 2)) return std::nullopt;
            break;
        case 2:
            length = file.u32(sub + 8);
            start = imageData + length * k;
            bigMetrics = sub + 12;
            break;
        case 4: {
            const std::size_t n = file.u32(sub + 8);
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t pair = sub + 12 + 4 * i;
                if (file.u16(pair) != glyph) continue;
                const std::size_t a = file.u16(pair + 2), z = file.u16(pair + 6);
                if (z <= a) return std::nullopt;
                start = imageData + a;
                length = z - a;
                break;
            }
            if (length == 0) return std::nullopt;
            break;
        }
        case 5: {
            length = file.u32(sub + 8);
            bigMetrics = sub + 12;
            const std::size_t n = file.u32(sub + 20);
            std::size_t i = 0;
            while (i < n && file.u16(sub + 24 + 2 * i) != glyph) ++i;
            if (i == n) return std::nullopt;
            start = imageData + length * i;
            break;
        }
        default:
            return std::nullopt;
        }
        if (start > cbdtLength_ || length > cbdtLength_ - start) return std::nullopt;
        const kx::ByteReader image = file.slice(cbdt_ + start, length);
        Bitmap b;
        std::size_t png = 0;
        auto metricsAt = [&](const kx::ByteReader& r, std::size_t at) {
            b.height = r.u8(at);
            b.width = r.u8(at + 1);
            b.bearingX = std::int8_t(r.u8(at + 2));
            b.bearingY = std::int8_t(r.u8(at + 3));
        };
        if (imageFormat == 17) {
            metricsAt(image, 0);
            png = 9;
            length = image.u32(5);
        } else if (imageFormat == 18) {
            metricsAt(image, 0);
            png = 12;
            length = image.u32(8);
        } else if (imageFormat == 19 && bigMetrics) {
            metricsAt(file, *bigMetrics);
            png = 4;
            length = image.u32(0);
        } else {
            return std::nullopt;
        }
        if (!image.has(png, length) || length == 0 || b.width == 0 || b.height == 0) return std::nullopt;
        b.png = QByteArray::fromRawData(reinterpret_cast<const char*>(image.data()) + png, qsizetype(length));
        b.keep = bytes.keep;
        return b;
    } catch (const kx::OutOfBounds&) {
        return std::nullopt;
    }
}

} // namespace rbx
