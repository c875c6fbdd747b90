// Cell texts shaped by the faces themselves: a face whose layout tables do not name its
// script is drawn with its own glyphs, characters the shown font lacks come from the faces
// that have them, the faces and their font engines stay few through a long scroll, and
// colour emoji are drawn from their decoded pictures where Qt would draw them.
#include "TableFixture.h"

#include "core/ByteReader.h"
#include "table/core/RbxCellGlyphs.h"
#include "platform/fonts/FontFace.h"
#include "table/widgets/RbxCellText.h"
#include "table/widgets/RbxColorGlyphPictures.h"
#include "table/widgets/RbxNamedColors.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPainter>

namespace {

rbx::FakeFontBackend& fakeBackend() { return static_cast<rbx::FakeFontBackend&>(rbx::FontBackend::shared()); }

// The ink of one row of a cell: how many dark pixels it has.
int inkOfRow(const QImage& image, const QRect& box, int y, const std::function<bool(const QColor&)>& ink) {
    int n = 0;
    for (int x = box.left(); x <= box.right(); ++x)
        if (ink(image.pixelColor(x, y))) ++n;
    return n;
}

// A filled triangle standing on its base: ink at the middle of its box, and the rows near
// its foot much wider than those near its tip. An outline box (a missing glyph, or Qt's
// box for a character it cannot draw) has no ink at its middle and rows of one width.
void expectTriangle(const QImage& image, const QRect& cell, const std::function<bool(const QColor&)>& ink) {
    QRect box;
    ASSERT_GT(countPixels(image, cell, ink, &box), 30);
    EXPECT_TRUE(ink(image.pixelColor(box.center()))) << "the middle of the glyph is empty";
    const int top = inkOfRow(image, box, box.top() + box.height() / 6, ink);
    const int foot = inkOfRow(image, box, box.bottom() - box.height() / 6, ink);
    EXPECT_GT(foot, 2 * top) << "top " << top << ", foot " << foot;
}

bool isSubstituted(const QColor& c) {
    const QColor s = rbx::colors::named(QStringLiteral("charSubstitutionColor")).effectiveColor();
    return std::abs(c.red() - s.red()) < 40 && std::abs(c.green() - s.green()) < 40 && std::abs(c.blue() - s.blue()) < 40;
}

QList<quint32> glyphsOf(const RbxCellText& t) {
    QList<quint32> glyphs;
    for (const QGlyphRun& run : t.runs) glyphs += run.glyphIndexes();
    return glyphs;
}

} // namespace

TEST_F(TableTest, AFaceWithoutLayoutTablesForItsScriptIsDrawnWithItsOwnGlyphs) {
    ASSERT_EQ(fakeBackend().addFontFile(rbxtest::testData(QStringLiteral("fonts/RbxThaana-Regular.ttf"))), 1);
    const rbx::Font thaana = font("RbxThaana-Regular");
    ASSERT_TRUE(thaana);
    ASSERT_FALSE(thaana->hasTable(kx::fourCC("GSUB")));
    RbxCellTextCache cache;
    cache.setFonts(thaana.withPointSize(40), rbx::Font());
    for (char32_t c : {char32_t(0x780), char32_t(0x7A5)}) {
        const RbxCellText& t = cache.text(c, RbxCellTextCache::Kind::Text);
        EXPECT_EQ(glyphsOf(t), QList<quint32>{thaana->nominalGlyph(c)});
        ASSERT_EQ(t.runs.size(), 1);
        EXPECT_EQ(t.runs[0].rawFont().fontTable("head"), *thaana->table(kx::fourCC("head")));
        EXPECT_NEAR(t.advance, 24, 0.5); // 600 units at 40 per 1000
        EXPECT_TRUE(t.hasInk);
        EXPECT_FALSE(t.missing);
    }

    // Drawn as text, as every cell is while safe drawing is on: the font's triangles.
    auto g = group(QStringLiteral("Thaana"), letters(0x780, 0x785), thaana);
    makeView(400, 300, thaana, {g});
    RbxFontTuning tuning;
    tuning.requiresSafeDrawing = true;
    view->setFont(thaana, tuning);
    const int orders = fakeBackend().substitutionOrders();
    expectTriangle(view->renderViewport(), cellPixels(0), isDark);
    // The font's substitutes, which nothing shown needs, are sorted after the paint.
    EXPECT_EQ(fakeBackend().substitutionOrders(), orders);
    QCoreApplication::processEvents();
    EXPECT_EQ(fakeBackend().substitutionOrders(), orders + 1);

    // Another font shows them as substitutes from the face that has them.
    const rbx::Font alpha = font();
    auto foreign = RbxCharGroup::groupWithCharacters(letters(0x780, 0x785));
    foreign->setNativeFontCharacters(std::make_shared<kx::CharSet>(alpha->coveredCharacters()));
    view->setFont(alpha);
    view->setGroups({foreign});
    const QImage substituted = view->renderViewport();
    expectTriangle(substituted, cellPixels(1), isSubstituted);
    EXPECT_EQ(countPixels(substituted, cellPixels(1), isRed), 0);
}

TEST_F(TableTest, TheShownFontsGlyphsComeFirstAndCharactersItLacksComeFromItsSubstitutes) {
    ASSERT_EQ(fakeBackend().addFontFile(rbxtest::testData(QStringLiteral("fonts/RbxThaana-Regular.ttf"))), 1);
    const rbx::Font alpha = font().withPointSize(40), thaana = font("RbxThaana-Regular");
    RbxCellTextCache cache;
    cache.setFonts(alpha, rbx::Font());
    const RbxCellText& a = cache.text(U'A', RbxCellTextCache::Kind::Text);
    ASSERT_EQ(a.runs.size(), 1);
    EXPECT_EQ(a.runs[0].rawFont().fontTable("head"), *alpha->table(kx::fourCC("head")));
    // The installed faces are sorted for substitutes only when a character the font lacks
    // is drawn, and once.
    EXPECT_EQ(fakeBackend().substitutionOrders(), 0);
    const RbxCellText& haa = cache.text(0x780, RbxCellTextCache::Kind::Text);
    EXPECT_EQ(fakeBackend().substitutionOrders(), 1);
    cache.text(0x781, RbxCellTextCache::Kind::Text);
    EXPECT_EQ(fakeBackend().substitutionOrders(), 1);
    ASSERT_EQ(haa.runs.size(), 1);
    EXPECT_EQ(haa.runs[0].rawFont().fontTable("head"), *thaana->table(kx::fourCC("head")));
    EXPECT_EQ(haa.runs[0].rawFont().pixelSize(), 40);
    // A sequence no one face has is drawn part by part, each from a face that has it.
    rbxtest::ScopedInstance<RbxVirtualCharacters> sequence(std::make_shared<OneSequence>(0xA0402, QStringLiteral("A\u0780")));
    const RbxCellText& mixed = cache.text(0xA0402, RbxCellTextCache::Kind::Text);
    ASSERT_EQ(mixed.runs.size(), 2);
    EXPECT_EQ(glyphsOf(mixed), (QList<quint32>{alpha->nominalGlyph(U'A'), thaana->nominalGlyph(0x780)}));
    EXPECT_NEAR(mixed.runs[1].positions().first().x(), a.advance, 0.01);
    EXPECT_FALSE(mixed.missing);
    // What no face has is the shown font's missing glyph.
    const RbxCellText& none = cache.text(0x10FFF0, RbxCellTextCache::Kind::Text);
    EXPECT_TRUE(none.missing);
    EXPECT_EQ(glyphsOf(none), QList<quint32>{0});
}

TEST_F(TableTest, AScrollThroughManyFacesKeepsFewFontEnginesAndLetsGoOfWhatItNoLongerShows) {
    // Fifty faces, each with one Greek capital of its own (two faces for each letter).
    const QDir fifty(rbxtest::testData(QStringLiteral("fonts/fifty")));
    for (const QString& name : fifty.entryList({QStringLiteral("*.ttf")}, QDir::Files))
        ASSERT_EQ(fakeBackend().addFontFile(fifty.filePath(name)), 1);
    const rbx::Font alpha = font();
    auto g = RbxCharGroup::groupWithCharacters(letters(0x391, 0x3A9));
    g->setName(QStringLiteral("Greek"));
    g->setNativeFontCharacters(std::make_shared<kx::CharSet>(alpha->coveredCharacters()));
    // Two rows of cells show at a time.
    makeView(300, 150, alpha, {g});
    view->setFont(alpha.withPointSize(40));
    view->setGroups({g});
    const int baseFonts = rbx::qt::DrawingFont::liveCount();
    int most = 0;
    for (double y = 0; y <= view->tableHeight(); y += 20) {
        view->scrollToY(y);
        view->viewport()->repaint();
        most = std::max(most, rbx::qt::DrawingFont::liveCount());
        EXPECT_LE(rbx::FontFace::facesOpenNow(), rbx::FontFace::OpenFaceLimit);
    }
    // Each letter came from a face of its own...
    EXPECT_GE(most - baseFonts, 3);
    // ... and the engines kept are bounded by the faces the cell texts may use and the
    // drawing fonts kept for asking again.
    EXPECT_LE(most, baseFonts + RbxCellTextCache::MaxFaces + 8);

    // Once the table settles, what it does not show goes: the engines of the faces of
    // other rows, and the faces no call uses.
    const int whileScrolling = rbx::qt::DrawingFont::liveCount();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_LT(rbx::qt::DrawingFont::liveCount(), whileScrolling);
    EXPECT_LE(rbx::qt::DrawingFont::liveCount(), baseFonts + 2 * 3 + 2);
    EXPECT_LE(rbx::FontFace::facesOpenNow(), 2 * 3 + 2);
    // The shown cells draw as before.
    const QImage again = view->renderViewport();
    EXPECT_GT(countPixels(again, cellPixels(0), isDark) + countPixels(again, cellPixels(0), isSubstituted), 0);
}

TEST_F(TableTest, ADrawingFontMadeFromTheSameFaceAtAnotherSizeIsThatFaceAtItsOwnSize) {
    // Outlines: made alone, and made while the face is drawn at another size.
    const rbx::Font f = font("RbxCmapTest-Regular");
    const std::uint32_t glyph = f->nominalGlyph(U'A');
    rbx::qt::releaseDrawingFonts();
    const QList<QPointF> alone = rbx::qt::drawingFont(f.withPointSize(40))->raw().advancesForGlyphIndexes({glyph});
    rbx::qt::releaseDrawingFonts();
    const auto at20 = rbx::qt::drawingFont(f.withPointSize(20));
    const auto at40 = rbx::qt::drawingFont(f.withPointSize(40));
    ASSERT_NE(at20, at40);
    ASSERT_TRUE(at40->isValid());
    EXPECT_EQ(at40->raw().pixelSize(), 40);
    EXPECT_EQ(at20->raw().pixelSize(), 20);
    EXPECT_EQ(at40->raw().fontTable("head"), *f->table(kx::fourCC("head")));
    EXPECT_EQ(at40->raw().advancesForGlyphIndexes({glyph}), alone);
    EXPECT_EQ(at20->raw().advancesForGlyphIndexes({glyph}).first().x() * 2, alone.first().x());

    // Colour bitmaps: the resized font keeps its pictures and draws them at its size.
    ASSERT_EQ(fakeBackend().addFontFile(rbxtest::testData(QStringLiteral("fonts/RbxEmojiBits-Regular.ttf"))), 1);
    const rbx::Font emoji = font("RbxEmojiBits-Regular");
    const auto emoji100 = rbx::qt::drawingFont(emoji.withPointSize(100));
    const auto emoji30 = rbx::qt::drawingFont(emoji.withPointSize(30));
    ASSERT_TRUE(emoji30->isValid());
    ASSERT_TRUE(emoji30->colorBitmaps());
    EXPECT_EQ(emoji30->raw().pixelSize(), 30);
    EXPECT_NEAR(emoji30->raw().ascent() * 100 / 30, emoji100->raw().ascent(), 1.5);
    rbx::qt::releaseDrawingFonts();
}

TEST_F(TableTest, PicturesPreparedOnTheWorkerThreadsAreTheirGlyphsInWhateverOrderTheyAreAskedFor) {
    ASSERT_EQ(fakeBackend().addFontFile(rbxtest::testData(QStringLiteral("fonts/RbxEmojiBits-Regular.ttf"))), 1);
    const rbx::Font emoji = font("RbxEmojiBits-Regular");
    const std::uint32_t smile = emoji->nominalGlyph(0x1F600), heart = emoji->nominalGlyph(0x2764),
                        none = emoji->nominalGlyph(0x1F641);
    // The strike's pictures (20 by 20 and 16 by 20 pixels) at four sizes: twelve pictures,
    // enough to be shared with the workers.
    const std::vector<int> sizes{20, 30, 40, 60};
    std::vector<std::shared_ptr<const rbx::qt::DrawingFont>> fonts;
    std::vector<RbxColorGlyphPictures::Request> requests;
    for (int size : sizes) {
        fonts.push_back(rbx::qt::drawingFont(emoji.withPointSize(size)));
        ASSERT_TRUE(fonts.back()->colorBitmaps());
        for (std::uint32_t g : {smile, heart, none}) requests.push_back({fonts.back(), g});
    }
    requests.push_back({fonts.front(), smile}); // asked twice, decoded once

    RbxColorGlyphPictures pictures;
    pictures.prepare(requests);
    EXPECT_EQ(pictures.pendingCount(), 12);
    EXPECT_EQ(pictures.size(), 0);
    // Asked for from the last to the first: each the right picture at its font's size.
    for (std::size_t i = sizes.size(); i-- > 0;) {
        const int s = sizes[i];
        const RbxColorGlyphPictures::Picture* red = pictures.picture(*fonts[i], smile);
        ASSERT_TRUE(red) << s;
        EXPECT_EQ(red->image.size(), QSize(s, s));
        EXPECT_EQ(red->image.pixelColor(s / 2, s / 2), QColor(Qt::red)) << s;
        const RbxColorGlyphPictures::Picture* blue = pictures.picture(*fonts[i], heart);
        ASSERT_TRUE(blue) << s;
        EXPECT_EQ(blue->image.size(), QSize(s * 4 / 5, s));
        EXPECT_EQ(blue->image.pixelColor(s * 2 / 5, s / 2).blue(), 255) << s;
        if (i == 2) break; // the rest are kept without being asked for
    }
    pictures.finishPrepared();
    EXPECT_EQ(pictures.pendingCount(), 0);
    EXPECT_EQ(pictures.size(), 12);
    qsizetype bytes = 0;
    for (int s : sizes) bytes += (s * s + s * 4 / 5 * s) * 4;
    EXPECT_EQ(pictures.bytes(), bytes);
    EXPECT_FALSE(pictures.picture(*fonts[0], none));
    const RbxColorGlyphPictures::Picture* first = pictures.picture(*fonts[0], smile);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->image.size(), QSize(20, 20));

    // Let go of with pictures still being decoded.
    {
        RbxColorGlyphPictures unfinished;
        unfinished.prepare(requests);
        EXPECT_EQ(unfinished.pendingCount(), 12);
    }
    // A drawing of everything shown keeps only what it asked for, the prepared ones too.
    pictures.clear();
    pictures.prepare(requests);
    pictures.beginShowing();
    pictures.picture(*fonts[1], heart);
    pictures.keepOnlyShown();
    EXPECT_EQ(pictures.pendingCount(), 0);
    EXPECT_EQ(pictures.size(), 1);
}

TEST_F(TableTest, ColourEmojiAreDrawnFromTheirDecodedPicturesWhereQtDrawsThem) {
    ASSERT_EQ(fakeBackend().addFontFile(rbxtest::testData(QStringLiteral("fonts/RbxEmojiBits-Regular.ttf"))), 1);
    const rbx::Font emoji = font("RbxEmojiBits-Regular").withPointSize(40);
    const auto drawing = rbx::qt::drawingFont(emoji);
    ASSERT_TRUE(drawing->colorBitmaps());
    const std::uint32_t smile = emoji->nominalGlyph(0x1F600), heart = emoji->nominalGlyph(0x2764);

    // Pictures: the strike's 20 pixels scaled to 40, placed on the baseline by the
    // bitmap's bearings; several decoded at once; none for a glyph without one.
    RbxColorGlyphPictures pictures;
    pictures.prepare({{drawing, smile}, {drawing, heart}, {drawing, emoji->nominalGlyph(0x1F641)}});
    EXPECT_EQ(pictures.size(), 3);
    const RbxColorGlyphPictures::Picture* red = pictures.picture(*drawing, smile);
    ASSERT_TRUE(red);
    EXPECT_EQ(red->image.size(), QSize(40, 40));
    EXPECT_EQ(red->image.pixelColor(20, 20), QColor(Qt::red));
    EXPECT_EQ(red->offset, QPointF(0, -32));
    const RbxColorGlyphPictures::Picture* blue = pictures.picture(*drawing, heart);
    ASSERT_TRUE(blue);
    EXPECT_EQ(blue->image.size(), QSize(32, 40));
    EXPECT_FALSE(pictures.picture(*drawing, emoji->nominalGlyph(0x1F641)));
    EXPECT_EQ(pictures.bytes(), 40 * 40 * 4 + 32 * 40 * 4);
    pictures.beginShowing();
    pictures.picture(*drawing, heart);
    pictures.keepOnlyShown();
    EXPECT_EQ(pictures.size(), 1);
    EXPECT_EQ(pictures.bytes(), 32 * 40 * 4);

    // In the table: an emoji the shown font lacks, where Qt draws the same glyph.
    sources->emoji = emoji->coveredCharacters();
    sources->emojiFont = font("RbxEmojiBits-Regular");
    const rbx::Font alpha = font();
    auto g = RbxCharGroup::groupWithCharacters({U'A', 0x1F600});
    g->setNativeFontCharacters(std::make_shared<kx::CharSet>(alpha->coveredCharacters()));
    makeView(400, 300, alpha, {g});
    auto isPictureRed = [](const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
    QRect drawn;
    ASSERT_GT(countPixels(view->renderViewport(), cellPixels(1), isPictureRed, &drawn), 20);
    // Qt's own drawing of the glyph, in the emoji font at the size and place the table
    // chooses for a cell.
    const rbx::qt::FaceMetrics at100 = rbx::qt::metrics(sources->emojiFont.withPointSize(100));
    const QSizeF box100 = at100.boundingRect.size();
    const double size = rbx::cells::emojiFontSize(view->charSize(), box100, 80);
    const QPointF origin = rbx::cells::emojiTextOrigin(view->rectForCharacterAtIndex(1), box100 * (size / 100),
                                                       at100.descender * size / 100);
    const QPointF at = view->viewportRectFromTable(QRectF(origin, QSizeF(0, 0))).topLeft();
    QImage byQt(view->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    byQt.fill(Qt::white);
    {
        QPainter p(&byQt);
        QGlyphRun run;
        run.setRawFont(QRawFont::fromFont(*rbx::qt::textFont(sources->emojiFont.withPointSize(size))));
        run.setGlyphIndexes({smile});
        run.setPositions({QPointF(0, 0)});
        p.drawGlyphRun(at, run);
    }
    QRect expected;
    ASSERT_GT(countPixels(byQt, byQt.rect(), isPictureRed, &expected), 20);
    EXPECT_LE(std::abs(drawn.left() - expected.left()), 1) << drawn.left() << " " << expected.left();
    EXPECT_LE(std::abs(drawn.top() - expected.top()), 1) << drawn.top() << " " << expected.top();
    EXPECT_LE(std::abs(drawn.width() - expected.width()), 1);
    EXPECT_LE(std::abs(drawn.height() - expected.height()), 1);
}
