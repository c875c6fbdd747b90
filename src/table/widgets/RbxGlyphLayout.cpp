#include "table/widgets/RbxGlyphLayout.h"

#include "platform/fonts/FontBackend.h"
#include "platform/fonts/FontFace.h"

#include <algorithm>

namespace {

// Characters that draw nothing by themselves (Unicode's default ignorable code points):
// selectors, joiners, invisible operators and tags. They go with the face of the character
// before them, and no face need have them.
bool isDefaultIgnorable(char32_t c) {
    static constexpr char32_t ranges[][2] = {
        {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160}, {0x17B4, 0x17B5},
        {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x206F}, {0x3164, 0x3164},
        {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3},
        {0x1D173, 0x1D17A}, {0xE0000, 0xE0FFF},
    };
    for (const auto& r : ranges)
        if (c >= r[0] && c <= r[1]) return true;
    return false;
}

bool isVariationSelector(char32_t c) { return (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xE0100 && c <= 0xE01EF); }

// The text as the face is to shape it: a variation selector the face has no variant for
// leaves its character as the face draws it anyway, so it is left out rather than kept
// between the characters, where it would stop the face joining them.
QString forFace(const rbx::FontFace& face, const QString& text) {
    const QList<uint> chars = text.toUcs4();
    if (std::none_of(chars.begin(), chars.end(), [](uint c) { return isVariationSelector(c); })) return text;
    QList<uint> kept;
    for (qsizetype i = 0; i < chars.size(); ++i) {
        if (i > 0 && isVariationSelector(chars[i]) && face.variationGlyph(chars[i - 1], chars[i]) == 0) continue;
        kept.append(chars[i]);
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(kept.constData()), kept.size());
}

bool hasMissingGlyph(const QVector<rbx::ShapedGlyph>& glyphs) {
    return glyphs.isEmpty() ||
           std::any_of(glyphs.begin(), glyphs.end(), [](const rbx::ShapedGlyph& g) { return g.glyph == 0; });
}

QString textOf(const QList<uint>& chars, qsizetype from, qsizetype to) {
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.constData()) + from, to - from);
}

} // namespace

RbxGlyphLayout::RbxGlyphLayout(const rbx::Font& font, rbx::FaceSubstitutes substitutes)
    : font_(font), substitutes_(std::move(substitutes)) {}

RbxGlyphLayout RbxGlyphLayout::withInstalledSubstitutes(const rbx::Font& font) {
    if (!font) return {};
    return RbxGlyphLayout(font, rbx::FontBackend::shared().substitutesFor(font.postScriptName()));
}

bool RbxGlyphLayout::drawable(const std::shared_ptr<const rbx::FontFace>& face) const {
    return rbx::qt::drawingFont(rbx::Font(face, font_.pointSize()))->isValid();
}

std::shared_ptr<const rbx::FontFace> RbxGlyphLayout::substituteForAll(const QList<uint>& chars, const QString& text,
                                                                       QVector<rbx::ShapedGlyph>& glyphs) const {
    // The substitutes asked are those with the first character that needs a face (for a
    // text of default ignorables alone, those with its first character: a face without it
    // shapes it away, and asking every installed face would open each); each is shaped
    // before Qt is asked whether it can draw it, which costs more.
    if (chars.isEmpty()) return nullptr;
    const auto needing = std::find_if(chars.begin(), chars.end(), [](uint c) { return !isDefaultIgnorable(c); });
    const char32_t key = needing != chars.end() ? *needing : chars.first();
    for (qsizetype i = substitutes_.nextCovering(key); i >= 0; i = substitutes_.nextCovering(key, i + 1)) {
        if (!std::all_of(chars.begin(), chars.end(),
                         [&](uint c) { return isDefaultIgnorable(c) || substitutes_.covers(i, c); }))
            continue;
        const std::shared_ptr<const rbx::FontFace> face = substitutes_.face(i);
        if (!face) continue;
        glyphs = face->shape(forFace(*face, text));
        if (!hasMissingGlyph(glyphs) && drawable(face)) return face;
    }
    return nullptr;
}

std::shared_ptr<const rbx::FontFace> RbxGlyphLayout::substituteFor(char32_t c) const {
    for (qsizetype i = substitutes_.nextCovering(c); i >= 0; i = substitutes_.nextCovering(c, i + 1)) {
        if (std::shared_ptr<const rbx::FontFace> face = substitutes_.face(i); face && drawable(face)) return face;
    }
    return nullptr;
}

void RbxGlyphLayout::append(RbxGlyphLine& line, const std::shared_ptr<const rbx::FontFace>& face,
                            const QVector<rbx::ShapedGlyph>& shaped) const {
    const rbx::Font font(face, font_.pointSize());
    const std::shared_ptr<const rbx::qt::DrawingFont> drawing = rbx::qt::drawingFont(font);
    if (!drawing->isValid() || shaped.isEmpty()) return;
    const double scale = face->unitsPerEm() > 0 ? font.pointSize() / face->unitsPerEm() : 0;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(shaped.size());
    positions.reserve(shaped.size());
    for (const rbx::ShapedGlyph& g : shaped) {
        glyphs.append(g.glyph);
        positions.append(QPointF(line.advance + g.xOffset * scale, -g.yOffset * scale));
        line.advance += g.advance * scale;
    }
    QGlyphRun run;
    run.setRawFont(drawing->raw());
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    line.runs.append(run);
    line.fonts.push_back(drawing);
    line.ascent = std::max(line.ascent, double(drawing->raw().ascent()));
    line.descent = std::max(line.descent, double(drawing->raw().descent()));
}

RbxGlyphLine RbxGlyphLayout::layOut(const QString& text) const {
    RbxGlyphLine line;
    if (!font_ || text.isEmpty()) return line;
    const std::shared_ptr<const rbx::FontFace>& own = font_.face();
    const QList<uint> chars = text.toUcs4();
    // The whole text in one face: the font's own, or the first substitute with all of it.
    // (The font's own face is not asked to shape what the fonts' index says it lacks.)
    const bool ownHasAll = !own->coverage() || std::all_of(chars.begin(), chars.end(), [&](uint c) {
        return isDefaultIgnorable(c) || own->covers(c);
    });
    QVector<rbx::ShapedGlyph> glyphs;
    if (ownHasAll) glyphs = own->shape(forFace(*own, text));
    if (ownHasAll && !hasMissingGlyph(glyphs)) {
        append(line, own, glyphs);
    } else if (const auto whole = substituteForAll(chars, text, glyphs)) {
        append(line, whole, glyphs);
    } else {
        // Character by character: runs of the characters that one face draws; the font's
        // own face for those no face has (its missing glyph).
        std::shared_ptr<const rbx::FontFace> runFace;
        qsizetype runStart = 0;
        auto flush = [&](qsizetype end) {
            if (runFace) append(line, runFace, runFace->shape(forFace(*runFace, textOf(chars, runStart, end))));
        };
        for (qsizetype i = 0; i < chars.size(); ++i) {
            const char32_t c = chars[i];
            std::shared_ptr<const rbx::FontFace> face = runFace;
            if (!runFace || !isDefaultIgnorable(c)) {
                face = own;
                if (own->nominalGlyph(c) == 0) {
                    if (auto substitute = substituteFor(c)) face = std::move(substitute);
                }
            }
            if (face != runFace) {
                flush(i);
                runFace = face;
                runStart = i;
            }
        }
        flush(chars.size());
    }
    // The line's measures when nothing was drawn: the font's own.
    if (line.fonts.empty()) {
        const auto drawing = rbx::qt::drawingFont(font_);
        if (drawing->isValid()) {
            line.ascent = drawing->raw().ascent();
            line.descent = drawing->raw().descent();
        }
    }
    bool any = false, allMissing = true;
    for (const QGlyphRun& run : line.runs)
        for (quint32 g : run.glyphIndexes()) {
            any = true;
            if (g != 0) allMissing = false;
        }
    line.missing = any && allMissing;
    return line;
}
