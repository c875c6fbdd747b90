#include "table/widgets/RbxCellText.h"

#include "kxlib/gui/KXLayoutManager.h"
#include "model/FontExtensions.h"
#include "platform/fonts/FontFace.h"
#include "model/CharacterText.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxQtFonts.h"

#include <QTextLayout>
#include <algorithm>

namespace {

// Beyond this many texts (several full screens of cells) the cache starts afresh: a long
// scroll through all of Unicode keeps only what is near.
constexpr int MaxEntries = 6000;

bool onlyMissingGlyphs(const QList<QGlyphRun>& runs) {
    bool any = false;
    for (const QGlyphRun& run : runs)
        for (quint32 g : run.glyphIndexes()) {
            if (g != 0) return false;
            any = true;
        }
    return any;
}

// The face's own shaping of the text has a glyph for every part of it.
bool drawsWholly(const rbx::Font& face, const QString& text) {
    if (!face) return false;
    const auto glyphs = face->shape(text);
    return !glyphs.isEmpty() && std::none_of(glyphs.begin(), glyphs.end(), [](const rbx::ShapedGlyph& g) { return g.glyph == 0; });
}

} // namespace

void RbxCellTextCache::setFonts(const rbx::Font& font, const rbx::Font& emojiFont) {
    if (font == font_ && emojiFont == emojiFont_) return;
    if (!(font == font_)) {
        font_ = font;
        raw_ = rbx::qt::rawFont(font);
        textFont_ = rbx::qt::textFont(font);
    }
    if (!(emojiFont == emojiFont_)) forgetEmojiFont(emojiFont);
    cache_.clear();
}

void RbxCellTextCache::setEmojiFont(const rbx::Font& emojiFont) {
    if (emojiFont == emojiFont_) return;
    forgetEmojiFont(emojiFont);
    cache_.removeIf([](const auto& entry) { return (entry.key() >> 32) == quint64(Kind::Emoji); });
}

void RbxCellTextCache::forgetEmojiFont(const rbx::Font& emojiFont) {
    emojiFont_ = emojiFont;
    emojiPrepared_ = false;
    emojiTextFont_.reset();
    emojiRaw_ = QRawFont();
    emojiLineHeight_.reset();
}

void RbxCellTextCache::prepareEmojiFont() {
    if (emojiPrepared_) return;
    emojiPrepared_ = true;
    emojiTextFont_ = rbx::qt::textFont(emojiFont_);
    emojiRaw_ = emojiTextFont_ ? QRawFont::fromFont(*emojiTextFont_) : QRawFont();
}

const RbxCellText& RbxCellTextCache::text(char32_t c, Kind kind) {
    const quint64 key = (quint64(kind) << 32) | quint64(c);
    auto it = cache_.constFind(key);
    if (it != cache_.constEnd()) return *it;
    if (cache_.size() >= MaxEntries) cache_.clear();
    RbxCellText t;
    if (RbxTools::isLigatureCharacter(c) && kind != Kind::Emoji) t = layOutGlyphs(c);
    else if (kind == Kind::Glyphs) t = layOutGlyphs(c);
    else if (kind == Kind::Text) t = layOutText(c, font_, textFont_);
    else {
        prepareEmojiFont();
        if (auto lone = layOutLoneEmoji(c)) {
            t = std::move(*lone);
        } else {
            t = layOutText(c, emojiFont_, emojiTextFont_);
            learnEmojiLine(t);
        }
    }
    if (!t.hasInk) t.hasInk = !KXLayoutManager::inkBounds(t.runs).isEmpty();
    return *cache_.insert(key, std::move(t));
}

std::uint32_t RbxCellTextCache::glyphForCharacter(char32_t c) const {
    if (!font_) return 0;
    const QString s = CharacterText::stringWithCharacter(c);
    if (RbxTools::isLigatureCharacter(c)) return rbx::font::glyphForString(font_, s);
    return CharacterText::virtualCharacters().numberOfParts(c) > 1 ? rbx::font::glyphForString(font_, s)
                                                             : rbx::font::glyphForCharacter(font_, c);
}

RbxCellText RbxCellTextCache::layOutGlyphs(char32_t c) const {
    RbxCellText t;
    if (!font_ || !raw_.isValid()) return t;
    const QString s = CharacterText::stringWithCharacter(c);
    if (s.isEmpty()) return t;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    double x = 0;
    const std::uint32_t single = RbxTools::isLigatureCharacter(c) || CharacterText::virtualCharacters().numberOfParts(c) > 1
                                     ? rbx::font::glyphForString(font_, s)
                                     : rbx::font::glyphForCharacter(font_, c);
    if (single != 0) {
        glyphs = {single};
        positions = {QPointF(0, 0)};
        const QList<QPointF> adv = raw_.advancesForGlyphIndexes(glyphs);
        x = adv.isEmpty() ? 0 : adv.first().x();
    } else {
        // A sequence that does not become one glyph: the face's own shaping, without
        // other fonts.
        const double scale = font_->unitsPerEm() > 0 ? font_.pointSize() / font_->unitsPerEm() : 0;
        for (const rbx::ShapedGlyph& g : font_->shape(s)) {
            glyphs.append(g.glyph);
            positions.append(QPointF(x, 0));
            x += g.advance * scale;
        }
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    t.runs = {run};
    t.advance = x;
    t.height = raw_.ascent() + raw_.descent() + raw_.leading();
    t.missing = onlyMissingGlyphs(t.runs);
    return t;
}

std::optional<RbxCellText> RbxCellTextCache::layOutLoneEmoji(char32_t c) const {
    if (!emojiLineHeight_ || !emojiFont_ || !emojiRaw_.isValid() || emojiFont_->unitsPerEm() <= 0) return std::nullopt;
    const QString s = CharacterText::stringWithCharacter(c);
    if (s.isEmpty() || CharacterText::virtualCharacters().numberOfParts(c) > 1) return std::nullopt;
    const std::uint32_t glyph = emojiFont_->nominalGlyph(c);
    if (glyph == 0) return std::nullopt;
    // The font's shaping must leave the glyph as it is (no substitution, no extra marks).
    const auto shaped = emojiFont_->shape(s);
    if (shaped.size() != 1 || shaped.first().glyph != glyph) return std::nullopt;
    RbxCellText t;
    QGlyphRun run;
    run.setRawFont(emojiRaw_);
    run.setGlyphIndexes({glyph});
    run.setPositions({QPointF(0, 0)});
    t.runs = {run};
    t.advance = shaped.first().advance * emojiRaw_.pixelSize() / emojiFont_->unitsPerEm();
    t.height = *emojiLineHeight_;
    // A colour glyph of the font's own map: its bitmap is what it draws.
    t.hasInk = true;
    return t;
}

void RbxCellTextCache::learnEmojiLine(const RbxCellText& t) {
    if (emojiLineHeight_ || t.runs.size() != 1 || t.runs.first().glyphIndexes().size() != 1) return;
    if (t.runs.first().rawFont() != emojiRaw_) return;
    emojiLineHeight_ = t.height;
}

RbxCellText RbxCellTextCache::layOutText(char32_t c, const rbx::Font& face, std::optional<QFont> font) const {
    RbxCellText t;
    if (!font) return t;
    const QString s = CharacterText::stringWithCharacter(c);
    if (s.isEmpty()) return t;
    // A sequence the font draws by itself is laid out in that font alone: another font
    // standing in for one of its parts (a variation selector the font maps to nothing)
    // would break the font's picture of the sequence apart.
    if (CharacterText::virtualCharacters().numberOfParts(c) > 1 && drawsWholly(face, s))
        font->setStyleStrategy(QFont::StyleStrategy(font->styleStrategy() | QFont::NoFontMerging));
    QTextLayout layout(s, *font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (!line.isValid()) {
        layout.endLayout();
        return t;
    }
    line.setPosition(QPointF(0, 0));
    layout.endLayout();
    const qreal ascent = line.ascent();
    t.runs = layout.glyphRuns();
    for (QGlyphRun& run : t.runs) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p.ry() -= ascent;
        run.setPositions(positions);
    }
    t.advance = line.naturalTextWidth();
    t.height = line.height();
    t.missing = onlyMissingGlyphs(t.runs);
    return t;
}
