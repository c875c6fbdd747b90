#include "table/widgets/RbxCellText.h"

#include "model/CharacterText.h"
#include "model/FontExtensions.h"
#include "platform/fonts/FontBackend.h"
#include "platform/fonts/FontFace.h"
#include "table/core/RbxTools.h"

#include <algorithm>

namespace {

bool onlyMissingGlyphs(const QList<QGlyphRun>& runs) {
    bool any = false;
    for (const QGlyphRun& run : runs)
        for (quint32 g : run.glyphIndexes()) {
            if (g != 0) return false;
            any = true;
        }
    return any;
}

double lineHeight(const rbx::qt::DrawingFont& f) { return f.raw().ascent() + f.raw().descent(); }

// Some glyph of the text draws something: asked of the faces themselves, which need not
// render a glyph for it as Qt would.
bool hasInk(const RbxCellText& t) {
    for (qsizetype r = 0; r < t.runs.size() && std::size_t(r) < t.fonts.size(); ++r) {
        const rbx::Font& font = t.fonts[std::size_t(r)]->font();
        for (quint32 g : t.runs[r].glyphIndexes())
            if (font->glyphHasInk(g)) return true;
    }
    return false;
}

} // namespace

void RbxCellTextCache::setFonts(const rbx::Font& font, const rbx::Font& emojiFont) {
    if (font == font_ && emojiFont == emojiFont_) return;
    clear();
    if (!(font == font_)) {
        font_ = font;
        drawing_ = rbx::qt::drawingFont(font);
        layout_ = RbxGlyphLayout::withInstalledSubstitutes(font);
    }
    if (!(emojiFont == emojiFont_)) forgetEmojiFont(emojiFont);
}

void RbxCellTextCache::setEmojiFont(const rbx::Font& emojiFont) {
    if (emojiFont == emojiFont_) return;
    forgetWhere([](quint64 key, const Entry&) { return (key >> 32) == quint64(Kind::Emoji); });
    forgetEmojiFont(emojiFont);
}

void RbxCellTextCache::forgetEmojiFont(const rbx::Font& emojiFont) {
    emojiFont_ = emojiFont;
    emojiPrepared_ = false;
    emojiDrawing_.reset();
    emojiLayout_.reset();
}

void RbxCellTextCache::prepareEmojiFont() {
    if (emojiPrepared_) return;
    emojiPrepared_ = true;
    emojiDrawing_ = rbx::qt::drawingFont(emojiFont_);
}

const RbxGlyphLayout& RbxCellTextCache::emojiLayout() {
    if (!emojiLayout_) emojiLayout_ = RbxGlyphLayout::withInstalledSubstitutes(emojiFont_);
    return *emojiLayout_;
}

void RbxCellTextCache::clear() {
    cache_.clear();
    fontUses_.clear();
}

std::vector<const rbx::qt::DrawingFont*> RbxCellTextCache::fontsOf(const RbxCellText& t) {
    std::vector<const rbx::qt::DrawingFont*> fonts;
    for (const auto& f : t.fonts)
        if (std::find(fonts.begin(), fonts.end(), f.get()) == fonts.end()) fonts.push_back(f.get());
    return fonts;
}

void RbxCellTextCache::forget(const RbxCellText& t) {
    for (const rbx::qt::DrawingFont* f : fontsOf(t)) {
        auto it = fontUses_.find(f);
        if (it != fontUses_.end() && --it.value() <= 0) fontUses_.erase(it);
    }
}

void RbxCellTextCache::keepOnlyShown() {
    forgetWhere([this](quint64, const Entry& entry) { return entry.showing != showing_; });
}

void RbxCellTextCache::forgetWhere(const std::function<bool(quint64 key, const Entry& entry)>& drop) {
    for (auto it = cache_.begin(); it != cache_.end();) {
        if (!drop(it.key(), it.value())) {
            ++it;
            continue;
        }
        forget(it->text);
        it = cache_.erase(it);
    }
}

const RbxCellText& RbxCellTextCache::text(char32_t c, Kind kind) {
    const quint64 key = (quint64(kind) << 32) | quint64(c);
    auto it = cache_.find(key);
    if (it != cache_.end()) {
        it->showing = showing_;
        return it->text;
    }
    RbxCellText t;
    if (RbxTools::isLigatureCharacter(c) && kind != Kind::Emoji) t = layOutGlyphs(c);
    else if (kind == Kind::Glyphs) t = layOutGlyphs(c);
    else if (kind == Kind::Text) t = fromLine(layout_.layOut(CharacterText::stringWithCharacter(c)));
    else {
        prepareEmojiFont();
        if (auto lone = layOutLoneEmoji(c)) t = std::move(*lone);
        else t = fromLine(emojiLayout().layOut(CharacterText::stringWithCharacter(c)));
    }
    if (!t.hasInk) t.hasInk = hasInk(t);

    const std::vector<const rbx::qt::DrawingFont*> fonts = fontsOf(t);
    const bool newFace = std::any_of(fonts.begin(), fonts.end(), [&](const auto* f) { return !fontUses_.contains(f); });
    if (cache_.size() >= MaxEntries || (newFace && fontUses_.size() >= MaxFaces)) clear();
    for (const rbx::qt::DrawingFont* f : fonts) ++fontUses_[f];
    return cache_.insert(key, Entry{std::move(t), showing_})->text;
}

RbxCellText RbxCellTextCache::fromLine(RbxGlyphLine line) {
    RbxCellText t;
    t.fonts = std::move(line.fonts);
    t.runs = std::move(line.runs);
    t.advance = line.advance;
    t.height = line.ascent + line.descent;
    t.missing = line.missing;
    return t;
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
    if (!font_ || !drawing_ || !drawing_->isValid()) return t;
    const QRawFont& raw = drawing_->raw();
    const QString s = CharacterText::stringWithCharacter(c);
    if (s.isEmpty()) return t;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    double x = 0;
    const std::uint32_t single = RbxTools::isLigatureCharacter(c) || CharacterText::virtualCharacters().numberOfParts(c) > 1
                                     ? rbx::font::glyphForString(font_, s)
                                     : rbx::font::glyphForCharacter(font_, c);
    const double scale = font_->unitsPerEm() > 0 ? font_.pointSize() / font_->unitsPerEm() : 0;
    if (single != 0) {
        glyphs = {single};
        positions = {QPointF(0, 0)};
        // An SFNT face's own advance, as text is laid out: asking Qt would load the glyph
        // once more only to measure it. Faces of other kinds may have no units per em.
        if (font_->isSfnt() && scale > 0) {
            x = font_->glyphAdvance(single) * scale;
        } else {
            const QList<QPointF> adv = raw.advancesForGlyphIndexes(glyphs);
            x = adv.isEmpty() ? 0 : adv.first().x();
        }
    } else {
        // A sequence that does not become one glyph: the face's own shaping, without
        // other fonts.
        for (const rbx::ShapedGlyph& g : font_->shape(s)) {
            glyphs.append(g.glyph);
            positions.append(QPointF(x + g.xOffset * scale, -g.yOffset * scale));
            x += g.advance * scale;
        }
    }
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    t.fonts = {drawing_};
    t.runs = {run};
    t.advance = x;
    t.height = raw.ascent() + raw.descent() + raw.leading();
    t.missing = onlyMissingGlyphs(t.runs);
    return t;
}

std::optional<RbxCellText> RbxCellTextCache::layOutLoneEmoji(char32_t c) const {
    if (!emojiFont_ || !emojiDrawing_ || !emojiDrawing_->isValid() || emojiFont_->unitsPerEm() <= 0) return std::nullopt;
    const QString s = CharacterText::stringWithCharacter(c);
    if (s.isEmpty() || CharacterText::virtualCharacters().numberOfParts(c) > 1) return std::nullopt;
    const std::uint32_t glyph = emojiFont_->nominalGlyph(c);
    if (glyph == 0) return std::nullopt;
    // The font's shaping must leave the glyph as it is (no substitution, no extra marks).
    const auto shaped = emojiFont_->shape(s);
    if (shaped.size() != 1 || shaped.first().glyph != glyph) return std::nullopt;
    const QRawFont& raw = emojiDrawing_->raw();
    RbxCellText t;
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes({glyph});
    run.setPositions({QPointF(0, 0)});
    t.fonts = {emojiDrawing_};
    t.runs = {run};
    t.advance = shaped.first().advance * raw.pixelSize() / emojiFont_->unitsPerEm();
    t.height = lineHeight(*emojiDrawing_);
    // A colour glyph of the font's own map: its bitmap is what it draws, and asking Qt for
    // its outline would decode the bitmap only to measure it.
    t.hasInk = true;
    return t;
}
