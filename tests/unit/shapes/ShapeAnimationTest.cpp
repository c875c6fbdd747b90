// The demonstration: it plays the bundle's drawings stroke by stroke, shows a drawing's
// background character first, falls back to the first drawing, and says so when there
// is none.
#include "shapes/widgets/ShapeAnimation.h"

#include "common/TestEnvironment.h"
#include "core/Log.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using shapes::ShapeAnimation;
using shapes::Stroke;

namespace {

// Whether p lies on the segment a-b (within half a unit).
bool onSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF d = b - a;
    const double len2 = d.x() * d.x() + d.y() * d.y();
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / len2, 0.0, 1.0) : 0;
    const QPointF q = a + d * t;
    return std::hypot(p.x() - q.x(), p.y() - q.y()) < 0.5;
}

} // namespace

TEST(ShapeAnimation, PlaysTheDrawingStrokeByStrokeAlongItsPoints) {
    QTemporaryDir dir;
    shapes::ShapeDrawing d;
    d.strokes = {Stroke{{100, 100}, {160, 100}, {160, 140}}, Stroke{{120, 60}, {120, 61}}};
    d.background = U'Z';
    // Only "ani01": whatever drawing is picked first falls back to it.
    ASSERT_TRUE(shapes::shapefile::writeFile(QDir(dir.path()).filePath(QStringLiteral("ani01.rbxshape")), d));
    ShapeAnimation a(dir.path());
    bool sawBackgroundAlone = false, sawGrowing = false, allOnTheStroke = true;
    QObject::connect(&a, &ShapeAnimation::changed, [&] {
        if (!a.isRunning()) return;
        if (a.backgroundCharacter() == U'Z' && !a.strokeBegun()) sawBackgroundAlone = true;
        const Stroke& g = a.growingStroke();
        if (g.size() >= 2 && a.finishedStrokes().isEmpty()) {
            sawGrowing = true;
            // The growing stroke's end always lies on the drawing's first stroke.
            const Stroke& s = d.strokes.first();
            allOnTheStroke = allOnTheStroke && (onSegment(g.last(), s[0], s[1]) || onSegment(g.last(), s[1], s[2]));
        }
    });
    a.startAfter(0);
    ASSERT_TRUE(rbxtest::waitFor([&] { return a.finishedStrokes().size() == 2; }, 10000));
    EXPECT_EQ(a.finishedStrokes(), d.strokes);
    EXPECT_EQ(a.drawingIndex(), 1);
    EXPECT_TRUE(sawBackgroundAlone);
    EXPECT_TRUE(sawGrowing);
    EXPECT_TRUE(allOnTheStroke);
    // When done it starts over (with the next drawing, here again the first).
    ASSERT_TRUE(rbxtest::waitFor([&] { return a.isRunning() && a.finishedStrokes().isEmpty(); }, 10000));
    a.stop();
    EXPECT_FALSE(a.isRunning());
    EXPECT_TRUE(a.finishedStrokes().isEmpty());
}

TEST(ShapeAnimation, WithoutDrawingsItSaysSoAndDoesNotRun) {
    QTemporaryDir dir;
    kx::LogCapture log;
    ShapeAnimation a(dir.path());
    a.startAfter(0);
    EXPECT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("no animation shapes found")); }));
    EXPECT_FALSE(a.isRunning());
    // A damaged drawing counts as none.
    QFile bad(QDir(dir.path()).filePath(QStringLiteral("ani01.rbxshape")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\x00\x09", 2);
    bad.close();
    log.clear();
    a.startAfter(0);
    EXPECT_TRUE(rbxtest::waitFor([&] { return log.contains(QStringLiteral("no animation shapes found")); }));
    EXPECT_FALSE(a.isRunning());
}
