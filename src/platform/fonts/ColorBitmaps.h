#pragma once
// The colour bitmaps of a face ('CBLC' and 'CBDT' tables, as colour emoji fonts have them):
// for a glyph, its PNG picture and where the picture sits, read from the face's mapped file
// without copying it. The largest strike is used. The face's bytes are held only while a
// picture read from them is (its handle), so that the pages read go when the face closes.
// Damaged tables give no bitmaps (and a log line), never a read outside the face's bytes.
// Immutable; may be used from any thread.

#include "platform/fonts/FontFace.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace rbx {

class ColorBitmaps {
public:
    struct Bitmap {
        QByteArray png;  // the picture's bytes, inside the face's bytes (valid while `keep` lives)
        std::shared_ptr<const void> keep;
        int width = 0, height = 0; // in pixels of the strike
        int bearingX = 0;          // from the pen position to the picture's left edge
        int bearingY = 0;          // from the baseline up to the picture's top edge
    };

    // Null when the face has no colour bitmaps of this kind.
    static std::shared_ptr<const ColorBitmaps> of(const std::shared_ptr<const FontFace>& face);

    // The strike's pixels per em.
    int ppem() const { return ppem_; }
    // Nothing for a glyph without a picture of its own.
    std::optional<Bitmap> bitmap(std::uint32_t glyph) const;

private:
    struct Range {
        std::uint16_t first = 0, last = 0;
        std::size_t subtable = 0; // offset of the index subtable in the file
    };
    std::shared_ptr<const FontFace> face_;
    std::size_t cbdt_ = 0, cbdtLength_ = 0;
    int ppem_ = 0;
    std::vector<Range> ranges_;
};

} // namespace rbx
