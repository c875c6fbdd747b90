// The shape finder in the real runebox program: the sheet comes up by the URL command
// "open?sheet=shape" or the palette's shape-finder button, the user draws on its pad with the mouse (pointer events of the X
// server), and Find turns the drawing into the palette's search; the keys undo, redo,
// clear and set a background character; Escape cancels. A shape file given to the program
// opens in the finder (replacing the drawing it shows); a damaged one is named in an alert.
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "SheetDriving.h"
#include "common/TestEnvironment.h"
#include "core/KXAppSupport.h"
#include "shapes/ShapeFile.h"

#include <QDBusArgument>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

using x11test::Copy;
using x11test::run;
using x11test::url;

// The pad while the sheet is up: its place on the screen, counted strokes, all strokes,
// the background character, the demonstration drawing playing (0: none) with its
// strokes drawn so far, and the points kept of the last counted stroke.
struct Pad {
    QRect rect;
    int strokes = -1, allStrokes = -1;
    uint background = 0;
    int demo = 0, demoStrokes = 0;
    int lastStrokePoints = 0;
};

Pad padOf(const QVariantMap& state) {
    const QVariantList v = qdbus_cast<QVariantList>(state.value(QStringLiteral("shapePad")));
    if (v.size() != 10) return {};
    return {QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt()), v[4].toInt(), v[5].toInt(), v[6].toUInt(),
            v[7].toInt(), v[8].toInt(), v[9].toInt()};
}

bool waitForPad(const std::function<bool(const Pad&)>& pred) {
    return Copy::waitForState([&](const QVariantMap& s) {
        const Pad p = padOf(s);
        return p.rect.isValid() && pred(p);
    });
}

void xdotool(const QStringList& args) { run(QStringLiteral("xdotool"), args); }

// A stroke through points in letter units (x 0..100 across, y 0 on the baseline and 100
// on the cap line of the pad's guides), pressed, dragged in small steps and released; each
// step once the palette took the one before (steps that came together would come as one
// point).
void drawStroke(const QRect& pad, const QList<QPointF>& letter, bool shift = false) {
    // The pad's guides: baseline 98 and cap line 224 from the bottom of a 320 × 270 pad.
    const double unit = (224.0 - 98.0) / 100.0;
    const double left = 161 - 50 * unit;
    auto screen = [&](QPointF p) {
        return QPoint(pad.x() + int(std::lround(left + p.x() * unit)),
                      pad.y() + pad.height() - int(std::lround(98 + p.y() * unit)));
    };
    QPoint at = screen(letter.first());
    Copy::pointAt(at);
    if (shift) xdotool({QStringLiteral("keydown"), QStringLiteral("shift")});
    xdotool({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (qsizetype i = 1; i < letter.size(); ++i) {
        const QPointF a = letter[i - 1], b = letter[i];
        for (int s = 1; s <= 4; ++s) {
            const QPoint p = screen(a + (b - a) * s / 4);
            if (p == at) continue;
            at = p;
            x11test::pointTo(p);
            Copy::tookPointerAt(p, 5000);
        }
    }
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    if (shift) xdotool({QStringLiteral("keyup"), QStringLiteral("shift")});
}

QList<QPointF> ellipse(double cx, double cy, double rx, double ry) {
    QList<QPointF> pts;
    for (int i = 0; i <= 24; ++i) {
        const double a = (90 + 15.0 * i) * std::numbers::pi / 180;
        pts.append({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

QString firstFive(const QString& search) {
    QString out;
    int n = 0;
    for (const char32_t c : search.toStdU32String())
        if (c != 0x200B && n++ < 5) out += QString::fromStdU32String(std::u32string(1, c));
    return out;
}

// Opens the sheet by URL command, or with a click on the palette's shape-finder button.
enum class Through { Url, Button };
bool openShapeFinder(Through through = Through::Url) {
    if (through == Through::Button) {
        if (!x11test::clickControl(QStringLiteral("shapeFinderButton"))) return false;
    } else if (url(QStringLiteral("runebox://open?sheet=shape")) != 0) {
        return false;
    }
    return waitForPad([](const Pad&) { return true; });
}

QStringList savedDrawings() {
    return QDir(KXAppSupport::supportFolderPath() + QStringLiteral("/Shapes"))
        .entryList({QStringLiteral("*.rbxshape")}, QDir::Files);
}

} // namespace

TEST(ShapeFinder, DrawnLettersArrowsAndSymbolsBecomeTheSearch) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const struct {
        const char* name;
        QList<QList<QPointF>> strokes;
        QString wanted;
    } drawings[] = {
        {"circle", {ellipse(50, 50, 45, 50)}, QStringLiteral("Oo0")},
        {"vertical line", {{{50, 0}, {50, 100}}}, QStringLiteral("lI|")},
        {"capital L", {{{15, 100}, {15, 0}, {70, 0}}}, QStringLiteral("L")},
        {"plus", {{{50, 10}, {50, 90}}, {{10, 50}, {90, 50}}}, QStringLiteral("+")},
        {"arrow right", {{{0, 50}, {100, 50}}, {{70, 80}, {100, 50}, {70, 20}}}, QStringLiteral("\u2192\u27F6\u21FE")},
        {"capital A", {{{5, 0}, {50, 100}, {95, 0}}, {{25, 40}, {75, 40}}}, QStringLiteral("A")},
        {"arrow up", {{{50, 0}, {50, 100}}, {{20, 70}, {50, 100}, {80, 70}}}, QStringLiteral("\u2191\u21E1")},
        {"check mark", {{{5, 50}, {35, 10}, {95, 100}}}, QStringLiteral("\u2713\u2714\u221A")},
    };
    int saved = 0;
    for (const auto& d : drawings) {
        ASSERT_TRUE(openShapeFinder()) << d.name << copy.output().toStdString();
        ASSERT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QStringLiteral("shapeFinder"));
        // The last drawing stays on the pad; the first Delete clears it.
        Pad pad = padOf(Copy::state());
        if (pad.allStrokes > 0) {
            xdotool({QStringLiteral("mousemove"), QString::number(pad.rect.center().x()), QString::number(pad.rect.y() + 3),
                     QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("key"), QStringLiteral("Delete")});
            ASSERT_TRUE(waitForPad([](const Pad& p) { return p.allStrokes == 0; })) << d.name;
        }
        for (const auto& s : d.strokes) drawStroke(pad.rect, s);
        const int n = int(d.strokes.size());
        ASSERT_TRUE(waitForPad([n](const Pad& p) { return p.strokes == n; })) << d.name;
        // Return presses Find: the sheet ends and the palette searches for the matches.
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
        QString search;
        ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
            search = s.value(QStringLiteral("search")).toString();
            return s.value(QStringLiteral("sheet")).toString().isEmpty() && search.size() > 1;
        })) << d.name << copy.output().toStdString();
        const QString top = firstFive(search);
        bool found = false;
        for (const QChar c : d.wanted) found = found || top.contains(c);
        EXPECT_TRUE(found) << d.name << " found " << top.toStdString();
        // Each confirmed drawing is kept in the support folder.
        ++saved;
        EXPECT_EQ(savedDrawings().size(), saved);
        // Confirming the same drawing again saves nothing new.
        if (saved == 1) {
            ASSERT_TRUE(openShapeFinder());
            // A click in the pad's margin (no stroke) gives the sheet the keys.
            const QRect r = padOf(Copy::state()).rect;
            xdotool({QStringLiteral("mousemove"), QString::number(r.center().x()), QString::number(r.y() + 3),
                     QStringLiteral("click"), QStringLiteral("1")});
            ASSERT_TRUE(x11test::sheetHasKeyboard()) << copy.output().toStdString();
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString().isEmpty(); }));
            EXPECT_EQ(savedDrawings().size(), 1);
        }
        // Searching anew in the search field (a new search) happens by URL too.
        ASSERT_EQ(url(QStringLiteral("runebox://set?search=none")), 0);
        ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("search")) == QStringLiteral("none"); }));
    }
}

TEST(ShapeFinder, KeysUndoRedoClearAndSetTheBackground) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    // The palette's shape-finder button opens the sheet.
    ASSERT_TRUE(openShapeFinder(Through::Button)) << copy.output().toStdString();
    const QRect r = padOf(Copy::state()).rect;
    drawStroke(r, {{10, 10}, {90, 90}});
    drawStroke(r, {{10, 90}, {90, 10}});
    drawStroke(r, {{50, 0}, {50, 100}});
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 3; }));
    auto key = [](const char* k) { xdotool({QStringLiteral("key"), QString::fromLatin1(k)}); };
    key("Left");
    key("Left");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 1 && p.allStrokes == 3; }));
    key("Right");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 2 && p.allStrokes == 3; }));
    // A new stroke drops what redo could bring back.
    drawStroke(r, {{0, 50}, {100, 50}});
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 3 && p.allStrokes == 3; }));
    // A click outside the drawing area (the pad's top margin) starts no stroke: the next
    // drag is the fourth.
    xdotool({QStringLiteral("mousemove"), QString::number(r.center().x()), QString::number(r.y() + 3),
             QStringLiteral("click"), QStringLiteral("1")});
    // A wavy drag keeps its corners; with Shift held it is one straight segment.
    const QList<QPointF> wave{{0, 20}, {25, 60}, {50, 20}, {75, 60}, {100, 20}};
    drawStroke(r, wave);
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes >= 4 && p.lastStrokePoints >= 5; }));
    EXPECT_EQ(padOf(Copy::state()).allStrokes, 4);
    EXPECT_GE(padOf(Copy::state()).lastStrokePoints, 5);
    drawStroke(r, wave, true);
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 5; }));
    EXPECT_EQ(padOf(Copy::state()).lastStrokePoints, 2);
    // A typed character goes behind the drawing; Delete clears the strokes, then it.
    key("x");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.background == 'x'; }));
    key("Delete");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.allStrokes == 0 && p.background == 'x'; }));
    // It stands on the baseline guide: its lowest ink (darker than the guides) lies there.
    const int baseline = r.y() + r.height() - 98;
    int inkBottom = -1;
    EXPECT_TRUE(rbxtest::waitFor([&] {
        const QImage shot = x11test::screenshot(QStringLiteral("shape-background"));
        inkBottom = -1;
        for (int y = r.bottom() - 10; y > r.top() + 10 && inkBottom < 0; --y) {
            int ink = 0;
            for (int x = r.left() + 20; x < r.right() - 20; ++x) ink += shot.pixelColor(x, y).lightnessF() < 0.62;
            if (ink >= 4) inkBottom = y;
        }
        return std::abs(inkBottom - baseline) <= 4;
    }, 5000)) << inkBottom << " " << baseline;
    key("BackSpace");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.background == 0; }));
    // Pasted text puts its first character behind the drawing, also one beyond 16 bits.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard")});
    ASSERT_TRUE(xclip.waitForStarted());
    xclip.write(QStringLiteral("\U0001F600x").toUtf8());
    xclip.closeWriteChannel();
    xclip.waitForFinished(5000);
    // The clipboard holds the text before the paste is asked for.
    ASSERT_TRUE(rbxtest::waitFor([] {
        return rbxtest::runProgram(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                             QStringLiteral("clipboard")},
                                   rbxtest::Channels::Separate, 5000)
                   .out.startsWith(QStringLiteral("\U0001F600"));
    }, 10000));
    key("ctrl+v");
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.background == 0x1F600; })) << copy.output().toStdString();
    // Escape cancels: the sheet goes, the search stays as it was.
    const QString before = Copy::state().value(QStringLiteral("search")).toString();
    key("Escape");
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) { return s.value(QStringLiteral("sheet")).toString().isEmpty(); }));
    EXPECT_EQ(Copy::state().value(QStringLiteral("search")).toString(), before);
    EXPECT_TRUE(Copy::visible(Copy::state()));
}

TEST(ShapeFinder, AShapeFileGivenToRuneboxOpensInTheShapeFinder) {
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    const QString folder = rbxtest::privateHome();
    shapes::ShapeDrawing d;
    d.strokes = {shapes::Stroke{{100, 100}, {200, 200}}, shapes::Stroke{{100, 200}, {200, 100}}};
    d.background = U'Q';
    const QString path = folder + QStringLiteral("/my drawing.rbxshape");
    ASSERT_TRUE(shapes::shapefile::writeFile(path, d));
    // A second start hands the file over to the running copy.
    QString out;
    EXPECT_EQ(run(x11test::Runebox, {path}, &out), 0) << out.toStdString();
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 2 && p.allStrokes == 2 && p.background == 'Q'; }))
        << copy.output().toStdString();

    // Another file opened while the finder shows replaces the drawing.
    d.strokes.append(shapes::Stroke{{150, 80}, {150, 220}});
    d.background = U'B';
    const QString other = folder + QStringLiteral("/other.rbxshape");
    ASSERT_TRUE(shapes::shapefile::writeFile(other, d));
    EXPECT_EQ(run(x11test::Runebox, {other}, &out), 0) << out.toStdString();
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 3 && p.allStrokes == 3 && p.background == 'B'; }))
        << copy.output().toStdString();

    // A damaged file (empty, cut short, noise, a folder, none at all) is named in an
    // alert with the reason; after it the finder is back with its drawing unchanged.
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(folder + u'/' + name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    QByteArray noise;
    for (int i = 0; i < 33; ++i) noise.append(char(i * 37 + 11));
    ASSERT_TRUE(QDir(folder).mkpath(QStringLiteral("folder.rbxshape")));
    const QStringList damaged{write(QStringLiteral("empty.rbxshape"), {}),
                              write(QStringLiteral("short.rbxshape"), QByteArray("\x00\x02\x00\x64\x00\x64", 6)),
                              write(QStringLiteral("noise.rbxshape"), noise), folder + QStringLiteral("/folder.rbxshape"),
                              folder + QStringLiteral("/gone.rbxshape")};
    for (const QString& file : damaged) {
        // What is no file at all is refused (the second start says so and exits 1) and named
        // in the alert all the same.
        const int refused = QFileInfo(file).isFile() ? 0 : 1;
        EXPECT_EQ(run(x11test::Runebox, {QStringLiteral("file://") + file}, &out), refused) << out.toStdString();
        ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("shapeFileAlert"))) << file.toStdString() << copy.output().toStdString();
        const QVariantMap fields = x11test::sheetFields();
        EXPECT_TRUE(fields.value(QStringLiteral("alertMessage")).toString().contains(QFileInfo(file).fileName()))
            << fields.value(QStringLiteral("alertMessage")).toString().toStdString();
        EXPECT_GT(fields.value(QStringLiteral("alertInformative")).toString().size(), 30)
            << fields.value(QStringLiteral("alertInformative")).toString().toStdString();
        ASSERT_TRUE(x11test::clickControl(QStringLiteral("alertDefaultButton")));
        ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("shapeFinder"))) << file.toStdString();
        ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 3 && p.background == 'B'; })) << file.toStdString();
    }

    // Found with the drawing from the file: it is not saved again.
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("sheet")).toString().isEmpty() && s.value(QStringLiteral("search")).toString().size() > 1;
    })) << copy.output().toStdString();
    EXPECT_TRUE(savedDrawings().isEmpty());

    // With the finder closed a damaged file brings only the alert.
    EXPECT_EQ(run(x11test::Runebox, {damaged.first()}, &out), 0) << out.toStdString();
    ASSERT_TRUE(x11test::waitForSheet(QStringLiteral("shapeFileAlert"))) << copy.output().toStdString();
    ASSERT_TRUE(x11test::clickControl(QStringLiteral("alertDefaultButton")));
    ASSERT_TRUE(x11test::waitForSheet(QString()));
    EXPECT_EQ(copy.process().state(), QProcess::Running);
}

TEST(ShapeFinder, ACharactersMenuFindsSimilarShapesAndMarksTheMatchesOfASavedDrawing) {
    // With the developer tools on, the menu also records the saved drawing's matches.
    ASSERT_EQ(run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"), QStringLiteral("org.runebox.Runebox"),
                                  QStringLiteral("shapeTools"), QStringLiteral("YES")}),
              0);
    xdotool({QStringLiteral("mousemove"), QStringLiteral("1100"), QStringLiteral("80")});
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(x11test::search(QStringLiteral("greek small letter alpha"))) << copy.output().toStdString();
    const char32_t alpha = U'\u03B1';
    ASSERT_TRUE(rbxtest::waitFor([&] { return !Copy::cellOf(alpha).isEmpty(); }, 15000)) << copy.output().toStdString();

    // A right click on a character, then a click on the menu item titled `title`.
    auto choose = [&](char32_t c, const QString& title, bool* offered) {
        if (!Copy::pointAtCharacter(c)) return false;
        xdotool({QStringLiteral("click"), QStringLiteral("3")});
        QRect item;
        if (!rbxtest::waitFor([&] { return !x11test::menuItemRect(QStringLiteral("Copy Character")).isEmpty(); }, 10000))
            return false;
        item = x11test::menuItemRect(title, offered);
        if (item.isEmpty()) {
            xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
            *offered = false;
            return true;
        }
        xdotool({QStringLiteral("mousemove"), QString::number(item.center().x()), QString::number(item.center().y()),
                 QStringLiteral("click"), QStringLiteral("1")});
        return true;
    };
    // No saved drawing yet: nothing to mark.
    bool offered = true;
    ASSERT_TRUE(choose(alpha, QStringLiteral("Best Shape Match"), &offered)) << copy.output().toStdString();
    EXPECT_FALSE(offered);
    ASSERT_TRUE(rbxtest::waitFor([] { return x11test::menuItemRect(QStringLiteral("Copy Character")).isEmpty(); }, 5000));

    // "Find Similar Shape..." opens the shape finder with the character behind an empty pad.
    ASSERT_TRUE(choose(alpha, QStringLiteral("Find Similar Shape..."), &offered)) << copy.output().toStdString();
    EXPECT_TRUE(offered);
    ASSERT_TRUE(waitForPad([alpha](const Pad& p) { return p.background == alpha && p.allStrokes == 0; }))
        << copy.output().toStdString();
    EXPECT_EQ(Copy::state().value(QStringLiteral("sheet")).toString(), QStringLiteral("shapeFinder"));

    // Traced over and found: the drawing is saved, and the menu marks matches in its file.
    const QRect r = padOf(Copy::state()).rect;
    drawStroke(r, ellipse(50, 27, 30, 27));
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 1; }));
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    QString search;
    ASSERT_TRUE(Copy::waitForState([&](const QVariantMap& s) {
        search = s.value(QStringLiteral("search")).toString();
        return s.value(QStringLiteral("sheet")).toString().isEmpty() && search.size() > 1;
    })) << copy.output().toStdString();
    ASSERT_EQ(savedDrawings().size(), 1);
    const QString saved = KXAppSupport::supportFolderPath() + QStringLiteral("/Shapes/") + savedDrawings().first();
    // Two characters of the result in view: one the right match, one a wrong one.
    QList<char32_t> shown;
    ASSERT_TRUE(rbxtest::waitFor([&] {
        shown.clear();
        for (const char32_t c : firstFive(search).toStdU32String())
            if (!Copy::cellOf(c).isEmpty()) shown << c;
        return shown.size() >= 2;
    }, 15000)) << search.toStdString();
    ASSERT_TRUE(choose(shown[0], QStringLiteral("Best Shape Match"), &offered));
    EXPECT_TRUE(offered);
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const shapes::ShapeReadResult f = shapes::shapefile::readFile(saved);
        return f && f.drawing->bestMatch == char16_t(shown[0]);
    }, 10000)) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([] { return x11test::menuItemRect(QStringLiteral("Copy Character")).isEmpty(); }, 5000));
    ASSERT_TRUE(choose(shown[1], QStringLiteral("Shape Mismatch"), &offered));
    EXPECT_TRUE(offered);
    ASSERT_TRUE(rbxtest::waitFor([&] {
        const shapes::ShapeReadResult f = shapes::shapefile::readFile(saved);
        return f && f.drawing->mismatches == QString::fromStdU32String(std::u32string(1, shown[1]));
    }, 10000)) << copy.output().toStdString();
}

TEST(ShapeFinder, AnEmptyPadPlaysTheDemonstrationDrawingsUntilTheUserDraws) {
    x11test::pointTo(QPoint(1100, 80));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();
    ASSERT_TRUE(openShapeFinder()) << copy.output().toStdString();
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.allStrokes == 0 && p.background == 0 && p.demo == 0; }));
    rbxtest::spinEventLoop(300);
    const QRect padRect = padOf(Copy::state()).rect;
    const QImage empty = x11test::screenshot(QStringLiteral("shape-empty")).copy(padRect);

    // A few seconds after the empty pad shows, one of the bundle's drawings plays.
    Pad playing;
    ASSERT_TRUE(waitForPad([&](const Pad& p) {
        playing = p;
        return p.demo > 0 && p.demoStrokes > 0;
    })) << copy.output().toStdString();
    EXPECT_GE(playing.demo, 1);
    EXPECT_LE(playing.demo, 17);
    // Its strokes are on the screen, in grey, though the user drew nothing.
    ASSERT_EQ(playing.rect, padRect);
    const QImage shot = x11test::screenshot(QStringLiteral("shape-demo")).copy(padRect);
    int grey = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (shot.pixel(x, y) != empty.pixel(x, y) && c.saturation() < 30 && c.lightness() > 100) ++grey;
        }
    EXPECT_GT(grey, 200) << "no demonstration stroke on the screen";
    EXPECT_EQ(padOf(Copy::state()).strokes, 0);

    // The next drawing follows when this one is done.
    const int next = playing.demo % 17 + 1;
    EXPECT_TRUE(waitForPad([next](const Pad& p) { return p.demo == next; })) << "after ani" << playing.demo;

    // The user's first stroke ends the demonstration, and it stays away while there is a
    // drawing.
    drawStroke(playing.rect, {{50, 0}, {50, 100}});
    ASSERT_TRUE(waitForPad([](const Pad& p) { return p.strokes == 1 && p.demo == 0; }));
    rbxtest::spinEventLoop(6000);
    EXPECT_EQ(padOf(Copy::state()).demo, 0);
}
