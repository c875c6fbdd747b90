// The palette reads the installed fonts from fontconfig's cache and opens a face only to
// draw it or read its tables: with a font folder of fifty faces, a search, the font list
// and a scroll through every defined character open few faces, keep fewer open, hold few
// font engines and let go of them once the table settles, and the search never loads the
// font list; back at the start the cells look as before. A face whose layout tables do not
// name its script (Thaana) is drawn with its own glyphs, and Qt never goes through every
// face for it; colour emoji are the emoji font's own pictures. The real runebox program;
// the scrolling is the mouse wheel and the Home key through the X server.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/FiftyFaceFolder.h"
#include "platform/fonts/FontFace.h"
#include "platform/fonts/FontconfigBackend.h"
#include "table/widgets/RbxCellText.h"

#include <QDBusArgument>
#include <QImage>
#include <QRect>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

using Folder = rbxtest::FiftyFaceFolder;
constexpr int FixtureFaces = Folder::Faces;

qulonglong opened(const QVariantMap& s) { return s.value(QStringLiteral("facesOpened")).toULongLong(); }
int openNow(const QVariantMap& s) { return s.value(QStringLiteral("facesOpen")).toInt(); }
int drawingFonts(const QVariantMap& s) { return s.value(QStringLiteral("drawingFonts")).toInt(); }
int filesMapped(const QVariantMap& s) { return s.value(QStringLiteral("fontFilesMapped")).toInt(); }
int faceObjects(const QVariantMap& s) { return s.value(QStringLiteral("faceObjects")).toInt(); }

// Qt's line for each face it loaded for a script and turned away for want of layout tables.
int facesTurnedAway(const QString& output) { return int(output.count(QStringLiteral("OpenType support missing"))); }

// The drawing fonts the palette may hold at a time: those of the cell texts kept, the few
// kept for asking again, and the magnifier's and the font list's.
constexpr int DrawingFontBound = RbxCellTextCache::MaxFaces + 16;

void writeSetting(const QString& key, const QString& value) {
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                                  key, value}),
              0);
}

// How many pixels of a cell are near a colour.
int pixelsNear(const QImage& shot, const QRect& cell, const QColor& colour) {
    int n = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            n += std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40 &&
                 std::abs(c.blue() - colour.blue()) < 40;
        }
    return n;
}

bool searchShown(const QString& text) {
    return Copy::waitForState([&text](const QVariantMap& s) {
        return s.value(QStringLiteral("tableSearch")) == text && s.value(QStringLiteral("tablePaintedNs")).toLongLong() > 0;
    }, 30000);
}

// The font list beside the table is folded away, so that only the searches and the
// debug call read the list.
void foldTheFontListAway() {
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                                  QStringLiteral("fontListWidth"), QStringLiteral("0")}),
              0);
}

TEST(FontsOnDemand, SearchesAndTheFontListOpenOnlyTheFacesTheyDraw) {
    foldTheFontListAway();
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    // Searches, the first one possibly before the names' index is made: each shows its
    // result, opens far fewer faces than the folder holds and leaves the font list alone.
    const QVariantMap before = Copy::state();
    for (const char* text : {"greek capital", "latin capital letter b", "private use", "arrow"}) {
        const QString search = QString::fromLatin1(text);
        ASSERT_EQ(url(QStringLiteral("runebox://set?search=") + QString::fromLatin1(QUrl::toPercentEncoding(search))), 0);
        ASSERT_TRUE(searchShown(search)) << text << copy.output().toStdString();
    }
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(U'→').isEmpty(); }, 10000)) << "the table did not follow the search";
    const QVariantMap searched = Copy::state();
    EXPECT_LT(opened(searched) - opened(before), qulonglong(FixtureFaces / 2));
    EXPECT_FALSE(searched.value(QStringLiteral("fontListLoaded")).toBool());
    EXPECT_LE(openNow(searched), rbx::FontFace::OpenFaceLimit);

    // The font list knows every face of the folder without opening them.
    const QStringList families = Copy::debugCall(QStringLiteral("FontFamilies")).toStringList();
    for (int n = 1; n <= FixtureFaces; ++n)
        EXPECT_TRUE(families.contains(Folder::family(n))) << n;
    const QVariantMap listed = Copy::state();
    EXPECT_TRUE(listed.value(QStringLiteral("fontListLoaded")).toBool());
    EXPECT_LT(opened(listed) - opened(searched), qulonglong(FixtureFaces / 2));
}

// The first paint and the searches make a face object only for the faces they draw or
// look into, not one for every installed face (the substitutes of the table's font come
// in fontconfig's order, each face made when first used), and the font list shown beside
// the table makes none for the families it does not show.
TEST(FontsOnDemand, ThePaintsAndSearchesMakeFaceObjectsOnlyForTheFacesTheyUse) {
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("fontListLoaded")).toBool(); }))
        << "the font list beside the table was not loaded";
    rbx::FontconfigBackend installed;
    installed.checkForChanges();
    const int faces = int(installed.faces().size());
    ASSERT_GT(faces, FixtureFaces);
    // Far fewer than the installed faces: those drawn on the first screen, the font list's
    // rows and the substitutes of the characters the table's font lacks.
    const int bound = faces / 4;
    const QVariantMap shown = Copy::state();
    EXPECT_GT(faceObjects(shown), 0);
    EXPECT_LT(faceObjects(shown), bound) << "the first paint made a face object per installed face (" << faces << ")";

    for (const char* text : {"greek capital", "latin capital letter b", "arrow", "heart"}) {
        const QString search = QString::fromLatin1(text);
        ASSERT_EQ(url(QStringLiteral("runebox://set?search=") + QString::fromLatin1(QUrl::toPercentEncoding(search))), 0);
        ASSERT_TRUE(searchShown(search)) << text << copy.output().toStdString();
        EXPECT_LT(faceObjects(Copy::state()), bound) << "the search for " << text
                                                     << " made a face object per installed face (" << faces << ")";
    }
}

TEST(FontsOnDemand, ScrollingThroughEveryCharacterKeepsFewFacesAndEnginesAndLetsGoOfThemWhenItSettles) {
    writeSetting(QStringLiteral("view"), QStringLiteral("3"));
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && s.value(QStringLiteral("view")).toInt() == 3;
    })) << copy.output().toStdString();
    const QRect first = Copy::cellOf(U'A');
    ASSERT_FALSE(first.isEmpty()) << "the table of every character does not show A";

    // The wheel over the table, to the table's end: past every script the fifty faces and
    // the system's fonts draw.
    ASSERT_TRUE(Copy::pointAtCharacter(U'A')) << copy.output().toStdString();
    const QVariantMap before = Copy::state();
    // Cells away from the mouse (and the magnifier beside its cell), as first drawn.
    const std::vector<char32_t> latin = {U'p', U'x', U'3', U'@'};
    std::map<char32_t, QImage> startCells;
    const QImage start = x11test::screenshot(QStringLiteral("table-start"));
    for (char32_t c : latin) {
        ASSERT_FALSE(Copy::cellOf(c).isEmpty()) << char(c);
        startCells[c] = start.copy(Copy::cellOf(c));
    }
    int most = 0, mostMapped = 0, rounds = 0;
    const auto scroll = [](const QVariantMap& s) { return s.value(QStringLiteral("scroll")).toDouble(); };
    for (; rounds < 60; ++rounds) {
        const double was = scroll(Copy::state());
        ASSERT_EQ(run(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("--repeat"),
                                                  QStringLiteral("300"), QStringLiteral("--delay"),
                                                  QStringLiteral("2"), QStringLiteral("5")}),
                  0);
        // The table moved on, or stands at its end (where the wheel moves it no more).
        const bool moved = Copy::waitForState([&](const QVariantMap& s) { return scroll(s) != was; }, 3000);
        const QVariantMap s = Copy::state();
        EXPECT_LE(openNow(s), rbx::FontFace::OpenFaceLimit) << "round " << rounds;
        EXPECT_LE(drawingFonts(s), DrawingFontBound) << "round " << rounds;
        most = std::max(most, drawingFonts(s));
        mostMapped = std::max(mostMapped, filesMapped(s));
        if (!moved) break;
    }
    ASSERT_LT(rounds, 60) << "the table's end was not reached";
    const QVariantMap scrolled = Copy::state();
    EXPECT_TRUE(Copy::cellOf(U'A').isEmpty()) << "the wheel did not scroll the table";
    EXPECT_GT(scrolled.value(QStringLiteral("tablePaintedNs")).toLongLong(),
              before.value(QStringLiteral("tablePaintedNs")).toLongLong());
    EXPECT_LE(openNow(scrolled), rbx::FontFace::OpenFaceLimit);
    EXPECT_LE(mostMapped, rbx::FontFace::OpenFaceLimit + DrawingFontBound);
    EXPECT_EQ(facesTurnedAway(copy.output()), 0) << copy.output().toStdString();

    // Once the table settled, the faces of what it no longer shows are let go.
    Copy::waitForState([&](const QVariantMap& s) {
        return drawingFonts(s) < most && drawingFonts(s) <= 12 && openNow(s) <= 12 && filesMapped(s) < mostMapped;
    });
    const QVariantMap settled = Copy::state();
    EXPECT_LT(drawingFonts(settled), most);
    EXPECT_LE(drawingFonts(settled), 12);
    EXPECT_LE(openNow(settled), 12);
    EXPECT_LT(filesMapped(settled), mostMapped);

    // Home brings the table's start back: its cells look as they did before the faces and
    // engines they were drawn with were let go.
    const qint64 paintedBefore = Copy::state().value(QStringLiteral("tablePaintedNs")).toLongLong();
    x11test::key(QStringLiteral("Home"));
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        return scroll(s) == 0 && s.value(QStringLiteral("tablePaintedNs")).toLongLong() > paintedBefore;
    })) << "Home did not go back";
    ASSERT_FALSE(Copy::cellOf(U'A').isEmpty());
    const QImage back = x11test::screenshot(QStringLiteral("scrolled-back"));
    for (char32_t c : latin) {
        const QRect cell = Copy::cellOf(c);
        ASSERT_FALSE(cell.isEmpty());
        EXPECT_EQ(back.copy(cell), startCells[c]) << "the cell of " << char(c) << " is drawn otherwise";
    }
    const QVariantMap home = Copy::state();
    EXPECT_LE(drawingFonts(home), DrawingFontBound);
    EXPECT_LE(openNow(home), rbx::FontFace::OpenFaceLimit);
}

// The fixture face "Rbx Thaana" has the Thaana letters as filled triangles and no 'GSUB'
// table, as Noto Sans Thaana has none: Qt 6.4 turns such a face away for the script.
TEST(FontsOnDemand, ThaanaIsDrawnInItsOwnFontWithoutGoingThroughEveryFace) {
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    ASSERT_TRUE(folder.add(QStringLiteral("RbxThaana-Regular.ttf")));
    writeSetting(QStringLiteral("selectedFont"), QStringLiteral("RbxThaana-Regular"));
    x11test::pointTo(QPoint(1200, 40));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return Copy::shownAndPainted(s) && s.value(QStringLiteral("font")) == QStringLiteral("RbxThaana-Regular");
    }, 30000)) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(0x780).isEmpty(); }, 15000)) << copy.output().toStdString();

    // Each letter is the font's triangle: ink at its middle, its foot much wider than its tip
    // (an outline box, Qt's drawing of what it cannot draw, has neither).
    const std::initializer_list<char32_t> letters = {0x780, 0x781, 0x782};
    QImage shot;
    const auto inkOf = [&shot](char32_t c) {
        const QRect cell = Copy::cellOf(c).adjusted(3, 3, -3, -3);
        QRect ink;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (shot.pixelColor(x, y).lightness() < 100) ink |= QRect(x, y, 1, 1);
        return ink;
    };
    // The screen shows the table's cells drawn.
    rbxtest::waitFor([&] {
        shot = x11test::screenshot(QStringLiteral("thaana"));
        return std::all_of(letters.begin(), letters.end(), [&](char32_t c) { return inkOf(c).width() * inkOf(c).height() > 30; });
    }, 10000);
    const QVariantMap shown = Copy::state();
    for (char32_t c : letters) {
        const QRect ink = inkOf(c);
        ASSERT_GT(ink.width() * ink.height(), 30) << "no glyph in the cell of U+" << std::hex << uint(c);
        EXPECT_LT(shot.pixelColor(ink.center()).lightness(), 100) << "the glyph's middle is empty";
        auto rowInk = [&](int y) {
            int n = 0;
            for (int x = ink.left(); x <= ink.right(); ++x) n += shot.pixelColor(x, y).lightness() < 100;
            return n;
        };
        EXPECT_GT(rowInk(ink.bottom() - ink.height() / 6), 2 * rowInk(ink.top() + ink.height() / 6));
    }

    // The characters of every font include Thaana now: the view of every character, at
    // the Thaana block, draws it with no face turned away and few faces opened.
    ASSERT_EQ(x11test::url(QStringLiteral("runebox://pref?view=3")), 0);
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("view")).toInt() == 3; }));
    ASSERT_TRUE(x11test::search(QStringLiteral("thaana letter")));
    ASSERT_TRUE(rbxtest::waitFor([] { return !Copy::cellOf(0x780).isEmpty(); }, 15000));
    const QVariantMap searched = Copy::state();
    EXPECT_LT(opened(searched) - opened(shown), qulonglong(FixtureFaces / 2));
    EXPECT_LE(openNow(searched), rbx::FontFace::OpenFaceLimit);
    EXPECT_EQ(facesTurnedAway(copy.output()), 0) << copy.output().toStdString();
}

// The fixture face "Rbx Emoji Bits" as the colour emoji font: its only pictures are a red
// square for U+1F600 and a blue one for U+2764, drawn from its own bitmaps.
TEST(FontsOnDemand, ColourEmojiCellsShowTheFontsOwnPictures) {
    Folder folder;
    ASSERT_EQ(folder.copied, FixtureFaces);
    ASSERT_TRUE(folder.add(QStringLiteral("RbxEmojiBits-Regular.ttf")));
    writeSetting(QStringLiteral("colorEmojiFont"), QStringLiteral("RbxEmojiBits-Regular"));
    writeSetting(QStringLiteral("selectedFont"), Folder::postScriptName(1));
    writeSetting(QStringLiteral("view"), QStringLiteral("3"));
    x11test::pointTo(QPoint(1200, 40));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted, 30000)) << copy.output().toStdString();

    struct Picture {
        char32_t c;
        QString search;
        QColor colour, other;
    };
    for (const Picture& p : {Picture{0x1F600, QStringLiteral("grinning face"), Qt::red, Qt::blue},
                             Picture{0x2764, QStringLiteral("heavy black heart"), Qt::blue, Qt::red}}) {
        ASSERT_TRUE(x11test::search(p.search)) << copy.output().toStdString();
        ASSERT_TRUE(rbxtest::waitFor([&] { return !Copy::cellOf(p.c).isEmpty(); }, 15000)) << p.search.toStdString();
        const QImage shot = x11test::screenshot(QStringLiteral("emoji-") + QString::number(uint(p.c), 16));
        const QRect cell = Copy::cellOf(p.c);
        // The picture is scaled to the cell's text size: a square of some 20 pixels a side.
        EXPECT_GT(pixelsNear(shot, cell, p.colour), 150) << "no picture in the cell of U+" << std::hex << uint(p.c);
        EXPECT_EQ(pixelsNear(shot, cell, p.other), 0);
    }
}

} // namespace
