#include "TableFixture.h"

#include "kxlib/gui/KXAppearance.h"
#include "table/core/RbxCellDecorations.h"
#include "model/CharacterText.h"
#include "common/ScopedInstance.h"
#include "table/core/RbxTools.h"
#include "table/widgets/RbxNamedColors.h"
#include "table/widgets/RbxPrintBanner.h"

#include <QPainter>
#include <QScrollBar>

TEST_F(TableTest, GlyphIsDrawnCentredInItsCell) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    const QImage image = view->renderViewport();
    // The fixture's letters are filled boxes 100 units narrower than their advance.
    for (std::size_t index : {std::size_t(0), std::size_t(7)}) {
        const QRect cell = cellPixels(index);
        QRect ink;
        ASSERT_GT(countPixels(image, cell, isDark, &ink), 30) << index;
        EXPECT_NEAR(ink.center().x(), cell.center().x(), 2.0) << index;
        EXPECT_TRUE(cell.contains(ink)) << index;
        // Upright: the box stands taller than wide, and sits around the middle of the cell.
        EXPECT_GT(ink.height(), ink.width());
        EXPECT_NEAR(ink.center().y(), cell.center().y(), cell.height() * 0.25);
    }
    // The grid runs between the cells in the grid colour, not over the glyphs.
    const QRectF first = view->viewportRectFromTable(view->rectForCharacterAtIndex(0));
    const QColor grid = rbx::colors::named(QStringLiteral("lightGridColor")).effectiveColor();
    EXPECT_EQ(image.pixelColor(int(first.center().x()), int(std::lround(first.top()))), grid);
}

TEST_F(TableTest, MissingAndSubstitutedCellsShowWhereTheirGlyphsComeFrom) {
    const rbx::Font f = font();
    // 'B' is counted as lacking from the font, but another font has it; U+0378 no font has.
    auto native = std::make_shared<kx::CharSet>(f->coveredCharacters());
    native->removeCharacter(U'B');
    auto g = RbxCharGroup::groupWithCharacters({U'A', U'B', 0x378});
    g->setNativeFontCharacters(native);
    sources->allFonts = f->coveredCharacters();
    makeView(400, 300, f, {g});
    const QImage image = view->renderViewport();

    const QColor substitution = rbx::colors::named(QStringLiteral("charSubstitutionColor")).effectiveColor();
    auto isSubstitution = [&](const QColor& c) {
        return std::abs(c.red() - substitution.red()) < 12 && std::abs(c.green() - substitution.green()) < 12 &&
               std::abs(c.blue() - substitution.blue()) < 12;
    };
    EXPECT_GT(countPixels(image, cellPixels(0), isDark), 30);
    EXPECT_EQ(countPixels(image, cellPixels(0), isSubstitution), 0);
    EXPECT_GT(countPixels(image, cellPixels(1), isSubstitution), 30);
    EXPECT_EQ(countPixels(image, cellPixels(1), isDark), 0);
    // The fixture's missing glyph is blank; the cell is still marked in red.
    EXPECT_GT(countPixels(image, cellPixels(2), isRed), 10);
    EXPECT_EQ(countPixels(image, cellPixels(0), isRed), 0);

    // Without the set of all fonts' characters the glyph that came out decides.
    sources->allFonts.reset();
    const QImage unknown = view->renderViewport();
    EXPECT_GT(countPixels(unknown, cellPixels(2), isRed), 10);
    EXPECT_EQ(countPixels(unknown, cellPixels(1), isRed), 0);
}

TEST_F(TableTest, HeaderShowsTitleAndTriangleAndCollapsedGroupsOnlyTheirHeader) {
    const rbx::Font f = font();
    auto g1 = group(QStringLiteral("Upper"), letters(U'A', U'Z'), f);
    auto g2 = group(QStringLiteral("Lower"), letters(U'a', U'z'), f);
    makeView(400, 600, f, {g1, g2});
    QImage image = view->renderViewport();
    const RbxTableGroup& top = view->groups()[0];
    const QColor fill = rbx::colors::named(QStringLiteral("lightUnicodeBlockHeaderColor")).effectiveColor();
    const QRect title = view->viewportRectFromTable(top.headerTitleArea()).toAlignedRect();
    const QRect triangle = view->viewportRectFromTable(top.disclosureArea()).toAlignedRect().adjusted(4, 4, -4, -4);
    EXPECT_GT(countPixels(image, title, isDark), 20);
    EXPECT_GT(countPixels(image, triangle, [](const QColor& c) { return c.lightness() < 150; }), 10);
    // The header is filled with the header colour around the title.
    const QRect header = view->viewportRectFromTable(top.headerArea()).toAlignedRect();
    EXPECT_EQ(image.pixelColor(header.right() - 3, header.center().y()), fill);

    const double expandedHeight = view->tableHeight();
    g1->setExpanded(false);
    view->recalculateSize();
    EXPECT_EQ(view->groups()[0].bounds().height(), RbxTableGroup::HeaderHeight);
    EXPECT_TRUE(view->rectForCharacterAtIndex(0).isEmpty());
    image = view->renderViewport();
    // The lower group now follows right below the first header.
    const QRect lowerHeader = view->viewportRectFromTable(view->groups()[1].headerArea()).toAlignedRect();
    EXPECT_NEAR(lowerHeader.top(), RbxTableGroup::HeaderHeight, 1.0);
    EXPECT_LE(view->tableHeight(), expandedHeight);
}

TEST_F(TableTest, DarkTableDrawsLightGlyphsOnADarkGround) {
    const rbx::Font f = font();
    makeView(400, 600, f, {group(QStringLiteral("Letters"), letters(U'A', U'E'), f)});
    view->setDarkTableOverride(true);
    const QImage image = view->renderViewport();
    // Below the short table: the background, white 0.08.
    const QColor ground = image.pixelColor(200, 590);
    EXPECT_NEAR(ground.red(), 20, 2);
    EXPECT_EQ(ground.red(), ground.blue());
    EXPECT_GT(countPixels(image, cellPixels(0), [](const QColor& c) { return c.lightness() > 200; }), 30);
    const QColor header = rbx::colors::named(QStringLiteral("unicodeBlockHeaderColor")).effectiveColor();
    const QRect h = view->viewportRectFromTable(view->groups()[0].headerArea()).toAlignedRect();
    EXPECT_EQ(image.pixelColor(h.right() - 3, h.center().y()), header);
}

TEST_F(TableTest, SelectedCellIsFilledAndPressedCellTurnsBlue) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'Z'), f)});
    view->selectCharacterAtIndex(3);
    QImage image = view->renderViewport();
    const QRect cell = cellPixels(3);
    EXPECT_NEAR(image.pixelColor(cell.topLeft()).red(), 230, 1);
    EXPECT_EQ(image.pixelColor(cell.topLeft()).red(), image.pixelColor(cell.topLeft()).blue());
    EXPECT_EQ(image.pixelColor(cellPixels(4).topLeft()), QColor(Qt::white));
    view->selection().setClickButton(RbxCharView::LeftClick);
    image = view->renderViewport();
    const QColor blue = rbx::colors::named(QStringLiteral("blueSelectionColor")).effectiveColor();
    EXPECT_EQ(image.pixelColor(cell.topLeft()), blue);
    // The pressed glyph is white on the blue.
    EXPECT_GT(countPixels(image, cell, [](const QColor& c) { return c.lightness() > 240; }), 30);
}

TEST_F(TableTest, BadgesMarkFavouritesAndRecentsButNotInTheirOwnGroups) {
    const rbx::Font f = font();
    RbxDefaults::userDefaults().setInteger(5, QStringLiteral("hilite recent characters"));
    auto favourites = group(QStringLiteral("Favorites"), {U'A', U'B'}, f);
    favourites->setGroupKind(RbxFavoritesGroupKind);
    auto block = group(QStringLiteral("Letters"), {U'A', U'B', U'C'}, f);
    makeView(400, 400, f, {favourites, block});
    const QImage plain = view->renderViewport();
    sources->favorites = kx::CharSet::fromString(QStringLiteral("AB"));
    sources->recent = std::vector<char32_t>{U'B'};
    view->defineRecentCharactersToHilite();
    const QImage marked = view->renderViewport();
    // Pixels of a badge's square that the marks changed.
    auto badge = [&](std::size_t index, rbx::cells::Badge kind) {
        const QRectF cell = view->rectForCharacterAtIndex(index);
        const QRect r = view->viewportRectFromTable(rbx::cells::badgeRect(cell, kind)).toAlignedRect();
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += plain.pixel(x, y) != marked.pixel(x, y);
        return n;
    };
    using rbx::cells::Badge;
    // In the favourites group: no favourite badge; B is recent there.
    EXPECT_EQ(badge(0, Badge::Favorite), 0);
    EXPECT_GT(badge(1, Badge::Recent), 5);
    // In the block: A is a favourite, B both, C neither.
    EXPECT_GT(badge(2, Badge::Favorite), 5);
    EXPECT_GT(badge(3, Badge::FavoriteAndRecent), 5);
    EXPECT_EQ(badge(4, Badge::FavoriteAndRecent), 0);
}

TEST_F(TableTest, MessageAndEmptyFavouritesDrawTheirTexts) {
    const rbx::Font f = font();
    auto message = RbxCharGroup::groupWithMessage(8);
    makeView(400, 300, f, {message});
    QImage image = view->renderViewport();
    EXPECT_GT(countPixels(image, QRect(0, 100, 400, 100), [](const QColor& c) { return c != QColor(Qt::white); }), 50);
    EXPECT_EQ(countPixels(image, QRect(0, 0, 400, 60), [](const QColor& c) { return c != QColor(Qt::white); }), 0);

    auto favourites = group(QStringLiteral("Favorites"), {}, f);
    favourites->setGroupKind(RbxFavoritesGroupKind);
    view->setGroups({favourites, group(QStringLiteral("Letters"), letters(U'A', U'C'), f)});
    const RbxTableGroup& fav = view->groups()[0];
    EXPECT_GT(fav.bounds().height(), RbxTableGroup::HeaderHeight + 10);
    image = view->renderViewport();
    const QRect hint = view->viewportRectFromTable(fav.gridArea()).toAlignedRect();
    EXPECT_GT(countPixels(image, hint, [](const QColor& c) { return c.lightness() < 200; }), 20);
}

TEST_F(TableTest, TheSkinToneDotMarksEmojiOfTheEmojiFontAndIsWorkedOutOnlyForThem) {
    const rbx::Font f = font();
    // B and C take a skin tone; the emoji font has none of the letters yet.
    sources->modifiable = kx::CharSet::fromString(QStringLiteral("BC"));
    sources->emoji = kx::CharSet();
    makeView(400, 300, f, {group(QStringLiteral("Letters"), letters(U'A', U'D'), f)});
    const QImage plain = view->renderViewport();
    EXPECT_EQ(sources->modifiableAsked, 0) << "a table without emoji measured the emoji font";

    // Once the emoji font has B and D, B's hot corner shows the dot; C (not in the emoji
    // font) and D (no skin tone) show none.
    sources->emoji = kx::CharSet::fromString(QStringLiteral("BD"));
    const QImage marked = view->renderViewport();
    EXPECT_GE(sources->modifiableAsked, 1);
    auto dotPixels = [&](std::size_t index) {
        const QRectF cell = view->rectForCharacterAtIndex(index);
        const QRect r = view->viewportRectFromTable(rbx::cells::skinToneDotRect(cell)).toAlignedRect();
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) n += plain.pixel(x, y) != marked.pixel(x, y);
        return n;
    };
    EXPECT_GT(dotPixels(1), 5);
    EXPECT_EQ(dotPixels(2), 0);
    EXPECT_EQ(dotPixels(3), 0);
    EXPECT_EQ(dotPixels(0), 0);
}

TEST_F(TableTest, SpaceShowsABracketUnderItsAdvance) {
    const rbx::Font f = font();
    makeView(400, 300, f, {group(QStringLiteral("Space"), {U' ', U'A'}, f)});
    const QImage image = view->renderViewport();
    QRect ink;
    const int n = countPixels(image, cellPixels(0), [](const QColor& c) { return c != QColor(Qt::white); }, &ink);
    EXPECT_GT(n, 10);
    // Wider than high, a little under the middle of the cell.
    EXPECT_GT(ink.width(), ink.height());
    EXPECT_GT(ink.center().y(), cellPixels(0).center().y());
}


TEST_F(TableTest, SequencesWiderThanTheirCellAreSqueezedIntoIt) {
    constexpr char32_t sixLetters = 0xF0000;
    QImage image;
    {
        rbxtest::ScopedInstance<RbxVirtualCharacters> sequence(std::make_shared<OneSequence>(sixLetters, QStringLiteral("ABCDEF")));
        const rbx::Font f = font();
        auto g = RbxCharGroup::groupWithCharacters({U'A', sixLetters, U'B'});
        makeView(400, 300, f, {g});
        image = view->renderViewport();
    }
    const QRect cell = view->viewportRectFromTable(view->rectForCharacterAtIndex(1)).toAlignedRect();
    QRect ink;
    ASSERT_GT(countPixels(image, cell.adjusted(1, 1, -1, -1), isDark, &ink), 50);
    // Six boxes side by side, all inside the cell, the neighbours' own boxes untouched.
    EXPECT_GE(ink.left(), cell.left());
    EXPECT_LE(ink.right(), cell.right());
    EXPECT_GT(ink.width(), cell.width() / 2);
    view->setGroups({RbxCharGroup::groupWithCharacters({U'A', U'C', U'B'})});
    const QImage plain = view->renderViewport();
    for (std::size_t i : {std::size_t(0), std::size_t(2)})
        EXPECT_EQ(countPixels(image, cellPixels(i), isDark), countPixels(plain, cellPixels(i), isDark)) << i;
}

TEST(PrintBanner, BannerFillsItsRectangleWithTheIconAtItsLeft) {
    EXPECT_EQ(RbxToolsDrawing::printBannerIconRect(QRectF(0, 0, 500, 60)), QRectF(6, 6, 48, 48));
    EXPECT_EQ(RbxToolsDrawing::printBannerIconRect(QRectF(10, 100, 500, 50)), QRectF(15, 105, 40, 40));

    QImage page(420, 200, QImage::Format_ARGB32);
    page.fill(Qt::transparent);
    QPainter p(&page);
    p.setOpacity(0.3); // the banner is drawn opaque whatever the painter's state
    RbxToolsDrawing::drawPrintBannerInRect(p, QRectF(10, 100, 400, 60));
    EXPECT_EQ(p.opacity(), 0.3);
    p.end();
    // Outside the rectangle nothing is drawn; inside, the banner covers it completely.
    EXPECT_EQ(page.pixelColor(5, 130).alpha(), 0);
    EXPECT_EQ(page.pixelColor(200, 90).alpha(), 0);
    EXPECT_EQ(page.pixelColor(200, 165).alpha(), 0);
    for (const QPoint& pt : {QPoint(12, 102), QPoint(200, 130), QPoint(405, 155)})
        EXPECT_EQ(page.pixelColor(pt).alpha(), 255) << pt.x() << "," << pt.y();
    // The icon (bluer and darker than the pale band) lies in the square 16 ... 64 × 106 ... 154.
    const QColor band = page.pixelColor(200, 120), icon = page.pixelColor(22, 130);
    EXPECT_GT(band.lightness(), 200);
    EXPECT_LT(icon.lightness(), 160);
    EXPECT_GT(icon.blue(), icon.red());
    EXPECT_GT(page.pixelColor(70, 120).lightness(), 200); // right of the icon: the band again
}
