// The table view: painting the visible part of the table. The table's rectangles are in
// its own coordinates (y up); every one is converted to the viewport (y down) just before
// it is drawn.
#include "table/widgets/RbxCharView.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicImage.h"
#include "kxlib/gui/KXGradient.h"
#include "kxlib/gui/KXLayoutManager.h"
#include "table/core/RbxCellDecorations.h"
#include "table/core/RbxCellGlyphs.h"
#include "table/core/RbxGeometry.h"
#include "model/CharacterText.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxNamedColors.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPaintEvent>
#include <QTimer>
#include <cmath>

using namespace rbx::geom;

namespace {

bool boundingBoxSwitch = false;

QColor white(double level, double alpha = 1) { return QColor::fromRgbF(float(level), float(level), float(level), float(alpha)); }

// The outline a one-pixel pen draws around `r` (its width + 1 by its height + 1 pixels).
// Under a plain translation an opaque outline is filled as four rectangles: the raster
// engine strokes a pen a pixel at a time, the costliest part of a screenful of cells.
void drawOutline(QPainter& p, const QRect& r, const QColor& color) {
    if (color.alpha() != 255 || p.transform().type() > QTransform::TxTranslate) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(color, 0));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        p.restore();
        return;
    }
    if (r.width() <= 0 && r.height() <= 0) return;  // the pen draws nothing there either
    p.fillRect(QRect(r.left(), r.top(), r.width() + 1, 1), color);
    p.fillRect(QRect(r.left(), r.top() + r.height(), r.width() + 1, 1), color);
    p.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 1), color);
    p.fillRect(QRect(r.left() + r.width(), r.top() + 1, 1, r.height() - 1), color);
}

} // namespace

// One drawing pass over the dirty part of the table.
class RbxCharViewPainter {
public:
    RbxCharViewPainter(RbxCharView& view, QPainter& painter, const QRegion& region);
    void drawTable();

private:
    double toViewY(double y) const { return top_ - y; }
    QPointF toView(const QPointF& p) const { return QPointF(p.x(), toViewY(p.y())); }
    QRectF toView(const QRectF& r) const { return QRectF(r.x(), toViewY(maxY(r)), r.width(), r.height()); }
    // A table rectangle on whole pixels of the viewport.
    QRect snapped(const QRectF& r) const;
    bool needsToDraw(const QRectF& tableRect) const { return region_.intersects(toView(tableRect).toAlignedRect()); }

    void drawGroup(const RbxTableGroup& g, std::int64_t select, bool pressed);
    // Calls f(index, cell rectangle) for each cell of the group the pass draws.
    template <typename F> void forEachCellToDraw(const RbxTableGroup& g, F f) const;
    void prepareColorPictures();
    void drawHeader(const RbxTableGroup& g);
    void drawTriangle(const RbxTableGroup& g);
    // Centred lines of text, inset 20 at the left and right, centred vertically.
    void drawMessage(const QString& text, const QFont& font, const QColor& color, const QRectF& tableRect);
    // One cell, in its steps: what it shows, the background, the glyphs, the badges and the
    // hot corner.
    struct CellLook;
    CellLook cellLook(const RbxTableGroup& g, char32_t c, const QRectF& cell, bool selected, bool pressed) const;
    void drawCell(const RbxTableGroup& g, char32_t c, const QRectF& cell, bool selected, bool pressed);
    void drawCellBackground(const CellLook& l);
    void drawCellContent(const CellLook& l);
    // Whether the fonts' index says no installed font has the cell's character.
    bool knownMissing(const CellLook& l) const;
    // How a cell's text is laid out.
    RbxCellTextCache::Kind textKind(const CellLook& l, bool knownMissing) const;
    // The text a cell shows; `inNoFont`, when given, tells whether no font has the character.
    const RbxCellText& cellText(const CellLook& l, bool* inNoFont) const;
    QColor textColor(const CellLook& l, bool inNoFont) const;
    double drawPlacedGlyphs(const CellLook& l, const RbxCellText& text, const QColor& color);
    void drawSqueezedGlyphs(const CellLook& l, const RbxCellText& text, const QColor& color, const QPointF& origin,
                            double sx, double sy);
    void drawBadges(const CellLook& l);
    void drawHotCorner(const CellLook& l);
    static QColor bracketColor(bool hilited, bool foreign);
    void drawGlyphs(const RbxCellText& text, const QPointF& tableOrigin, const QColor& color);
    void drawRuns(const RbxCellText& text, const QPointF& at);
    void drawSpaceBracket(const QPointF& origin, double width, const QRectF& cell, bool hilited, bool foreign);
    void drawBoundingBox(const RbxCellText& text, const QPointF& tableOrigin);
    void drawImage(const QString& name, const QRectF& tableRect);
    void drawMissingMark(const QRectF& cell, double baseline, const QColor& color);

    RbxCharView& view_;
    QPainter& p_;
    QRegion region_;
    QRectF dirty_; // in table coordinates
    double top_;   // the viewport's top edge in table coordinates
    bool dark_;
    KXLayoutManager layoutManager_;

    // Fetched once per pass.
    QColor gridColor_, headerColor_, favoriteColor_, recentColor_, selectionColor_, substitutionColor_;
    QColor normalText_, pressedText_, missingText_, emojiSubstitutedText_, hoverFill_;
    double ascender_ = 0, descender_ = 0; // of the display font; descender as -|descender|
    const kx::CharSet* allFonts_ = nullptr;
    const kx::CharSet* emoji_ = nullptr;
    const kx::CharSet* textOrEmoji_ = nullptr;
    const kx::CharSet* favorites_ = nullptr;
    char32_t marked_ = 0;
};

RbxCharViewPainter::RbxCharViewPainter(RbxCharView& view, QPainter& painter, const QRegion& region)
    : view_(view), p_(painter), region_(region), dark_(view.isDarkTable()) {
    const double sv = view.scrollValue();
    top_ = double(view.table_.tableHeight()) - sv;
    dirty_ = view.table_.tableRectFromViewport(QRectF(region.boundingRect()), sv);
    layoutManager_.setDrawWithShadow(view.characterShadow_);

    gridColor_ = rbx::colors::named(dark_ ? QStringLiteral("gridColor") : QStringLiteral("lightGridColor"));
    headerColor_ = rbx::colors::named(dark_ ? QStringLiteral("unicodeBlockHeaderColor")
                                            : QStringLiteral("lightUnicodeBlockHeaderColor"));
    favoriteColor_ = rbx::colors::named(QStringLiteral("favoriteColor"));
    recentColor_ = rbx::colors::named(QStringLiteral("recentColor"));
    selectionColor_ = rbx::colors::named(QStringLiteral("blueSelectionColor"));
    substitutionColor_ = rbx::colors::named(QStringLiteral("charSubstitutionColor"));
    normalText_ = dark_ ? QColor(Qt::white) : QColor(Qt::black);
    pressedText_ = QColor(Qt::white);
    missingText_ = QColor::fromRgbF(dark_ ? 1.0f : 0.6f, 0, 0);
    emojiSubstitutedText_ = QColor::fromRgbF(0, 0.3f, 0.6f);
    hoverFill_ = dark_ ? white(0.25) : white(0.9);

    ascender_ = float(view.displayMetrics_.ascender);
    descender_ = -std::abs(float(view.displayMetrics_.descender));
    RbxCharViewSources& sources = view.sources();
    allFonts_ = sources.charactersInAllFonts();
    emoji_ = sources.colorEmojiCharacters();
    textOrEmoji_ = sources.textOrEmojiCharacters();
    favorites_ = sources.favoriteCharacters(view.font_);
    marked_ = view.controller().markedCharacter();
}

QRect RbxCharViewPainter::snapped(const QRectF& r) const {
    const QRectF v = toView(r);
    const int left = int(std::lround(v.left())), top = int(std::lround(v.top()));
    const int right = int(std::lround(v.right())), bottom = int(std::lround(v.bottom()));
    return QRect(left, top, right - left, bottom - top);
}

void RbxCharViewPainter::drawTable() {
    prepareColorPictures();
    p_.fillRect(region_.boundingRect(), view_.backgroundColor());
    const RbxCharSelection& selection = view_.selection();
    const bool pressed = selection.clickButton() != RbxCharView::NoClick || selection.updateSuppressed();
    const std::size_t selected = selection.selectedCharIndex();
    std::int64_t sum = 0;
    for (const RbxTableGroup& g : view_.table_.groups()) {
        const std::int64_t select = selected == kx::NotFound ? -1 - sum : std::int64_t(selected) - sum;
        if (g.meetsRect(dirty_)) drawGroup(g, select, pressed);
        sum += std::int64_t(g.count());
    }
    view_.colorPictures_.finishPrepared();
}

void RbxCharViewPainter::drawGroup(const RbxTableGroup& g, std::int64_t select, bool pressed) {
    if (g.groupKind() == RbxMessageGroupKind) {
        QFont font = QApplication::font();
        font.setPixelSize(16);
        font.setBold(true);
        drawMessage(g.group().formattedMessage(view_.fontName()), font, white(0.65), g.bounds());
        return;
    }
    if (g.showsHeader()) drawHeader(g);
    if (!g.isExpanded()) return;
    const QRectF grid = g.gridArea();
    if (!intersects(dirty_, grid)) return;
    if (g.groupKind() == RbxFavoritesGroupKind && g.count() == 0) {
        QFont font = QApplication::font();
        font.setPixelSize(12);
        drawMessage(RbxCharGroup::favoritesHint(), font, dark_ ? white(1, 0.7) : white(0, 0.7), grid);
        return;
    }
    forEachCellToDraw(g, [&](std::size_t i, const QRectF& cell) {
        drawCell(g, g.characterAtIndex(i), cell, std::int64_t(i) == select, pressed);
    });
}

template <typename F> void RbxCharViewPainter::forEachCellToDraw(const RbxTableGroup& g, F f) const {
    if (g.groupKind() == RbxMessageGroupKind || !g.isExpanded() || !intersects(dirty_, g.gridArea())) return;
    const auto range = g.dirtyRange(dirty_);
    if (!range) return;
    for (std::size_t i = range->firstIndex; i < range->endIndex; ++i) {
        if (!range->isDrawn(i)) continue;
        const QRectF cell = g.rectForCharacterAtIndex(i);
        if (!needsToDraw(cell)) continue;
        f(i, cell);
    }
}


void RbxCharViewPainter::drawHeader(const RbxTableGroup& g) {
    const QRectF area = g.headerArea();
    if (!intersects(dirty_, area)) return;
    const bool coloured = g.groupKind() == RbxFavoritesGroupKind || g.groupKind() == RbxRecentGroupKind;
    const QRect r = snapped(area);
    p_.fillRect(r, g.groupKind() == RbxFavoritesGroupKind ? favoriteColor_
                   : g.groupKind() == RbxRecentGroupKind  ? recentColor_
                                                          : headerColor_);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setPen(QPen(gridColor_, 0));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(r);
    p_.restore();

    QRectF title = g.headerTitleArea();
    const double t = title.height();
    if (coloured) {
        const double side = t - 6;
        drawImage(g.groupKind() == RbxFavoritesGroupKind ? QStringLiteral("favorite_white") : QStringLiteral("recent_white"),
                  QRectF(title.x() + 3, title.y() + 3, side, side));
        title.adjust(std::trunc(t) + 3, 0, 0, 0);
    }
    QFont font = QApplication::font();
    font.setPixelSize(13);
    p_.save();
    p_.setFont(font);
    p_.setPen(coloured ? QColor(Qt::white) : dark_ ? white(0.9) : QColor(Qt::black));
    const QRectF v = toView(title);
    p_.drawText(v, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                QFontMetricsF(font).elidedText(g.displayName(), Qt::ElideRight, v.width()));
    p_.restore();
    drawTriangle(g);
}

void RbxCharViewPainter::drawTriangle(const RbxTableGroup& g) {
    const bool coloured = g.groupKind() == RbxFavoritesGroupKind || g.groupKind() == RbxRecentGroupKind;
    const auto corners = g.disclosureTriangle();
    QPolygonF polygon;
    for (const QPointF& c : corners) polygon << toView(c);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.setPen(Qt::NoPen);
    p_.setBrush(coloured ? QColor(Qt::white) : dark_ ? white(0.6) : white(0.33));
    p_.drawPolygon(polygon);
    p_.restore();
}

void RbxCharViewPainter::drawMessage(const QString& text, const QFont& font, const QColor& color,
                                     const QRectF& tableRect) {
    const QRectF area = toView(tableRect).adjusted(RbxTableGroup::MessageInset, 0, -RbxTableGroup::MessageInset, 0);
    if (area.width() <= 0) return;
    const int flags = Qt::AlignHCenter | Qt::TextWordWrap;
    const QRectF needed = QFontMetricsF(font).boundingRect(QRectF(0, 0, area.width(), 1e6), flags, text);
    const QRectF box(area.x(), area.y() + (area.height() - needed.height()) * 0.5, area.width(), needed.height());
    p_.save();
    p_.setFont(font);
    p_.setPen(color);
    p_.drawText(box, flags, text);
    p_.restore();
}

// What one cell shows and how: worked out before anything is drawn.
struct RbxCharViewPainter::CellLook {
    char32_t c = 0;
    QRectF cell;
    std::int32_t kind = 0;
    bool selected = false, pressed = false;
    bool ligature = false, isNative = true, emoji = false, favorite = false, recent = false;
    bool space = false, scaled = false, safe = false;
    // Selected while a press is in progress (or the hover selection is frozen).
    bool pressedCell() const { return selected && pressed; }
};

RbxCharViewPainter::CellLook RbxCharViewPainter::cellLook(const RbxTableGroup& g, char32_t c, const QRectF& cell,
                                                          bool selected, bool pressed) const {
    const RbxCharView& v = view_;
    CellLook l;
    l.c = c;
    l.cell = cell;
    l.kind = g.groupKind();
    l.selected = selected;
    l.pressed = pressed;
    const auto& native = g.group().nativeFontCharacters();
    l.ligature = RbxTools::isLigatureCharacter(c);
    l.isNative = !native || l.ligature || native->contains(c);
    l.emoji = !l.isNative && emoji_ && emoji_->contains(c);
    l.favorite = favorites_ && l.kind != RbxFavoritesGroupKind && favorites_->contains(c);
    l.recent = g.group().isRecentCharacterToHilite(c);
    l.space = RbxTools::isSpaceCharacter(c);
    l.scaled = v.scaleCharacters_.contains(c);
    l.safe = v.tuning_.requiresSafeDrawing || RbxTools::characterRequiresSafeDrawing(c);
    return l;
}

void RbxCharViewPainter::drawCell(const RbxTableGroup& g, char32_t c, const QRectF& cell, bool selected,
                                  bool pressed) {
    const CellLook l = cellLook(g, c, cell, selected, pressed);
    drawCellBackground(l);
    drawCellContent(l);
    drawBadges(l);
    drawHotCorner(l);
}

// The grid line, the selection's fill (or the shape finder's match quality), and the frame
// of the character whose fonts are marked.
void RbxCharViewPainter::drawCellBackground(const CellLook& l) {
    const QRect r = snapped(l.cell);
    drawOutline(p_, r, gridColor_);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, false);
    const QRect inner = r.adjusted(1, 1, 0, 0);
    if (l.selected) {
        p_.fillRect(inner, l.pressed ? selectionColor_ : hoverFill_);
    } else if (const double q = view_.controller().bestMatchQuality(l.c); q > 0) {
        p_.fillRect(inner, white(dark_ ? 0.4 : 0.7, std::min(1.0, q)));
    }
    if (marked_ != 0 && l.c == marked_) {
        p_.setPen(QPen(selectionColor_, 2));
        p_.drawRect(QRectF(inner).adjusted(1, 1, -1, -1));
    }
    p_.restore();
}

// The glyphs and where they come from. A character no font has is drawn with the font's own
// missing glyph at once, without asking every installed font for it.
bool RbxCharViewPainter::knownMissing(const CellLook& l) const {
    return !l.isNative && allFonts_ && !allFonts_->contains(l.c);
}

RbxCellTextCache::Kind RbxCharViewPainter::textKind(const CellLook& l, bool knownMissing) const {
    using Kind = RbxCellTextCache::Kind;
    if (knownMissing) return Kind::Glyphs;
    return l.emoji ? Kind::Emoji : (l.isNative && !l.safe) ? Kind::Glyphs : Kind::Text;
}

const RbxCellText& RbxCharViewPainter::cellText(const CellLook& l, bool* inNoFont) const {
    using Kind = RbxCellTextCache::Kind;
    const bool missing = knownMissing(l);
    const Kind kind = textKind(l, missing);
    if (kind == Kind::Emoji) view_.sizeEmojiFont();
    const RbxCellText& text = view_.cellTexts_.text(l.c, kind);
    if (inNoFont) *inNoFont = missing || (!l.isNative && !allFonts_ && text.missing);
    return text;
}

void RbxCharViewPainter::drawCellContent(const CellLook& l) {
    RbxCharView& v = view_;
    bool inNoFont = false;
    const RbxCellText& text = cellText(l, &inNoFont);
    const QColor color = textColor(l, inNoFont);
    if (l.emoji && !inNoFont) {
        drawGlyphs(text, rbx::cells::emojiTextOrigin(l.cell, v.emojiBox_, v.emojiDescender_), color);
        return;
    }
    const double baseline = drawPlacedGlyphs(l, text, color);
    // A font whose missing glyph is blank still shows that nothing can draw the character.
    if (inNoFont && !text.hasInk) drawMissingMark(l.cell, baseline, color);
}

// The pictures of the colour emoji about to be drawn, decoded on the worker threads while
// the cells are drawn one by one. Only the emoji cells are laid out first: the others, laid
// out as they are drawn, go on while the pictures are decoded (a picture of a face standing
// in for another is decoded when it is drawn). (With a shadow the glyphs are drawn as Qt
// draws them.)
void RbxCharViewPainter::prepareColorPictures() {
    if (layoutManager_.drawWithShadow()) return;
    std::vector<RbxColorGlyphPictures::Request> requests;
    for (const RbxTableGroup& g : view_.table_.groups()) {
        if (!g.meetsRect(dirty_)) continue;
        forEachCellToDraw(g, [&](std::size_t i, const QRectF& cell) {
            const CellLook l = cellLook(g, g.characterAtIndex(i), cell, false, false);
            if (textKind(l, knownMissing(l)) != RbxCellTextCache::Kind::Emoji) return;
            const RbxCellText& text = cellText(l, nullptr);
            for (std::size_t r = 0; r < text.fonts.size() && r < std::size_t(text.runs.size()); ++r) {
                if (!text.fonts[r]->colorBitmaps()) continue;
                for (quint32 glyph : text.runs[qsizetype(r)].glyphIndexes()) requests.push_back({text.fonts[r], glyph});
            }
        });
    }
    view_.colorPictures_.prepare(requests);
}

QColor RbxCharViewPainter::textColor(const CellLook& l, bool inNoFont) const {
    if (l.pressedCell()) return pressedText_;
    if (inNoFont) return missingText_;
    if (!l.isNative && l.emoji) return emojiSubstitutedText_;
    if (!l.isNative) return substitutionColor_;
    return normalText_;
}

// The glyphs on the baseline, centred; squeezed into the cell when they are too large for
// it and may be (foreign characters, scaled ones, ligatures and sequences). Answers the
// baseline.
double RbxCharViewPainter::drawPlacedGlyphs(const CellLook& l, const RbxCellText& text, const QColor& color) {
    const RbxCharView& v = view_;
    const double w = l.cell.width();
    const double uw = text.advance, uh = text.height;
    const double limit = l.ligature ? w * v.tuning_.ligatureScalingThreshold : w;
    // A sequence the font does not join into one picture is squeezed like a ligature
    // rather than spilling into the neighbouring cells.
    const bool sequence = CharacterText::virtualCharacters().numberOfParts(l.c) > 1;
    const auto place = rbx::cells::glyphPlacement(l.cell, QSizeF(uw, uh), ascender_, descender_,
                                                  v.tuning_.baselineOffset,
                                                  !l.isNative || l.scaled || l.ligature || sequence, limit);
    if (place.scaled) {
        drawSqueezedGlyphs(l, text, color, place.origin, place.scaleX, place.scaleY);
    } else {
        if (l.space)
            drawSpaceBracket(rbx::cells::spaceBracketOrigin(l.cell, QSizeF(uw, uh), descender_, v.tuning_.baselineOffset),
                             uw, l.cell, l.pressedCell(), !l.isNative);
        drawGlyphs(text, place.origin, color);
    }
    return place.origin.y();
}

void RbxCharViewPainter::drawSqueezedGlyphs(const CellLook& l, const RbxCellText& text, const QColor& color,
                                            const QPointF& origin, double sx, double sy) {
    const double w = l.cell.width(), h = l.cell.height();
    p_.save();
    p_.translate(toView(origin));
    p_.scale(sx, sy);
    if (l.space) {
        // The bracket in the squeezed system, drawn from its origin.
        const QRectF local(0, 0, w / sx, h / sy);
        const auto b = rbx::cells::spaceBracket(QPointF(0, 0), text.advance, local);
        p_.setPen(QPen(bracketColor(l.pressedCell(), !l.isNative), b.lineWidth));
        QPainterPath path;
        path.moveTo(b.points[0].x(), -b.points[0].y());
        for (int i = 1; i < 4; ++i) path.lineTo(b.points[std::size_t(i)].x(), -b.points[std::size_t(i)].y());
        p_.drawPath(path);
    }
    const double dx = (sx != 1 || l.safe) ? 0 : w * view_.tuning_.scaledOffsetX;
    p_.setPen(color);
    drawRuns(text, QPointF(dx, 0));
    p_.restore();
}

// Badges at the top-right corner.
void RbxCharViewPainter::drawBadges(const CellLook& l) {
    using rbx::cells::Badge;
    switch (rbx::cells::badgeFor(l.favorite, l.recent, l.kind)) {
    case Badge::FavoriteAndRecent:
        drawImage(QStringLiteral("favAndRecent"), rbx::cells::badgeRect(l.cell, Badge::FavoriteAndRecent));
        break;
    case Badge::Favorite: drawImage(QStringLiteral("favorite"), rbx::cells::badgeRect(l.cell, Badge::Favorite)); break;
    case Badge::Recent: drawImage(QStringLiteral("recent"), rbx::cells::badgeRect(l.cell, Badge::Recent)); break;
    case Badge::None: break;
    }
}

// The hot corner at the bottom right: a skin-tone dot, or the triangle of a character shown
// as text or as emoji.
void RbxCharViewPainter::drawHotCorner(const CellLook& l) {
    if (view_.takesSkinTone(l.c)) {
        const QRectF dot = toView(rbx::cells::skinToneDotRect(l.cell));
        // The skin tones from light to dark, left to right.
        static KXGradient gradient(QColor::fromRgbF(1, 0.8f, 0.6f), QColor(70, 53, 43));
        QPainterPath round;
        round.addEllipse(dot);
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing);
        p_.setClipPath(round, Qt::IntersectClip);
        gradient.drawAxial(p_, dot.topLeft(), dot.topRight(), true);
        p_.restore();
    } else if (textOrEmoji_ && textOrEmoji_->contains(l.c)) {
        drawImage(QStringLiteral("triangle"), rbx::cells::textEmojiTriangleRect(l.cell));
    }
}

QColor RbxCharViewPainter::bracketColor(bool hilited, bool foreign) {
    return hilited   ? white(1, 0.75)
           : foreign ? QColor::fromRgbF(0, 0.3f, 0.9f, 0.35f)
                     : QColor::fromRgbF(0.3f, 0.6f, 0.6f);
}

void RbxCharViewPainter::drawGlyphs(const RbxCellText& text, const QPointF& origin, const QColor& color) {
    if (boundingBoxSwitch) drawBoundingBox(text, origin);
    if (text.runs.isEmpty()) return;
    p_.save();
    p_.setPen(color);
    drawRuns(text, toView(origin));
    p_.restore();
}

// The runs from the start of their baseline at `at` (painter coordinates); glyphs of colour
// bitmaps as their decoded pictures.
void RbxCharViewPainter::drawRuns(const RbxCellText& text, const QPointF& at) {
    const bool pictures = !layoutManager_.drawWithShadow() &&
                          std::any_of(text.fonts.begin(), text.fonts.end(), [](const auto& f) { return f->colorBitmaps(); });
    if (!pictures || text.fonts.size() != std::size_t(text.runs.size())) {
        layoutManager_.drawGlyphs(p_, text.runs, at);
        return;
    }
    for (qsizetype r = 0; r < text.runs.size(); ++r) {
        const QGlyphRun& run = text.runs[r];
        const rbx::qt::DrawingFont& font = *text.fonts[std::size_t(r)];
        if (!font.colorBitmaps()) {
            p_.drawGlyphRun(at, run);
            continue;
        }
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i) {
            if (const RbxColorGlyphPictures::Picture* picture = view_.colorPictures_.picture(font, glyphs[i])) {
                p_.drawImage(QRectF(at + positions[i] + picture->offset, QSizeF(picture->image.size())), picture->image);
            } else {
                QGlyphRun one;
                one.setRawFont(run.rawFont());
                one.setGlyphIndexes({glyphs[i]});
                one.setPositions({positions[i]});
                p_.drawGlyphRun(at, one);
            }
        }
    }
}

void RbxCharViewPainter::drawSpaceBracket(const QPointF& origin, double width, const QRectF& cell, bool hilited,
                                          bool foreign) {
    const auto b = rbx::cells::spaceBracket(origin, width, cell);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.setPen(QPen(bracketColor(hilited, foreign), b.lineWidth));
    QPainterPath path;
    path.moveTo(toView(b.points[0]));
    for (std::size_t i = 1; i < b.points.size(); ++i) path.lineTo(toView(b.points[i]));
    p_.drawPath(path);
    p_.restore();
}

void RbxCharViewPainter::drawBoundingBox(const RbxCellText& text, const QPointF& origin) {
    const QPointF o = toView(origin);
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setPen(QPen(white(0.5), 0));
    p_.setBrush(Qt::NoBrush);
    // The used rectangle: the advance by the line height, standing on the baseline.
    p_.drawRect(QRectF(o.x(), o.y() - text.height, text.advance, text.height));
    p_.drawLine(QPointF(o.x() - 3, o.y()), QPointF(o.x() + 3, o.y()));
    p_.restore();
}

void RbxCharViewPainter::drawMissingMark(const QRectF& cell, double baseline, const QColor& color) {
    // The shape of a missing glyph: an open box half an em wide and 0.7 em high on the
    // baseline, centred in the cell.
    const double em = view_.displayFont_ ? view_.displayFont_.pointSize() : 13;
    const double w = std::min(cell.width() - 4, 0.5 * em), h = std::min(cell.height() - 4, 0.7 * em);
    if (w <= 0 || h <= 0) return;
    const double bottom = std::max(cell.y() + 2, std::min(baseline, cell.y() + cell.height() - 2 - h));
    p_.save();
    p_.setRenderHint(QPainter::Antialiasing);
    p_.setPen(QPen(color, std::max(1.0, em / 16)));
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(toView(QRectF(cell.x() + (cell.width() - w) * 0.5, bottom, w, h)));
    p_.restore();
}

void RbxCharViewPainter::drawImage(const QString& name, const QRectF& tableRect) {
    if (tableRect.isEmpty()) return;
    const KXDynamicImage image = KXDynamicImage::imageNamed(name);
    if (image.isValid()) image.drawInRect(p_, toView(tableRect));
}

// ---------------------------------------------------------------- the view's part

bool RbxCharView::isDarkTable() const {
    return darkOverride_ ? *darkOverride_ : RbxDefaults::userDefaults().darkTable();
}

void RbxCharView::setDarkTableOverride(std::optional<bool> dark) {
    darkOverride_ = dark;
    viewport()->update();
}

QColor RbxCharView::backgroundColor() const { return isDarkTable() ? white(0.08) : QColor(Qt::white); }

void RbxCharView::showBoundingBox(bool on) { boundingBoxSwitch = on; }

bool RbxCharView::showsBoundingBox() { return boundingBoxSwitch; }

void RbxCharView::drawRect(QPainter& painter, const QRegion& region) {
    const KXAppearance::DrawingScope scope(isDarkTable());
    if (region.contains(viewport()->rect())) {
        cellTexts_.beginShowing();
        colorPictures_.beginShowing();
    }
    RbxCharViewPainter(*this, painter, region).drawTable();
    // Sorting every installed face for the font's substitutes is done after the paint, not
    // in the drawing of the first character the font lacks.
    if (cellTexts_.substitutesPending())
        QTimer::singleShot(0, this, [this] { cellTexts_.prepareSubstitutes(); });
}

QImage RbxCharView::renderViewport() {
    const qreal ratio = viewport()->devicePixelRatioF();
    QImage image(viewport()->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    drawRect(painter, QRegion(viewport()->rect()));
    painter.end();
    return image;
}

void RbxCharView::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(viewport());
        drawRect(painter, event->region());
    }
    settledTimer_->start();
    emit painted();
}
