// The pad's drawing: strokes keep only their corners, stay inside the drawing area, and
// undo, redo, clear, background characters and files behave as the user expects.
#include "shapes/ShapePad.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using shapes::ShapePad;
using shapes::Stroke;

namespace {

QPointF centre(const ShapePad& pad) { return pad.geometry().drawingRect.center(); }

void drawLine(ShapePad& pad, QPointF from, QPointF to, int steps = 10) {
    ASSERT_TRUE(pad.beginStroke(from, false));
    for (int i = 1; i <= steps; ++i) pad.dragTo(from + (to - from) * i / steps);
    pad.endStroke();
}

} // namespace

TEST(ShapePad, GeometryFollowsThePadSize) {
    const shapes::ShapeGeometry g(QSize(320, 270));
    EXPECT_EQ(g.innerRect, QRectF(14, 14, 294, 250));
    EXPECT_EQ(g.drawingRect, QRectF(24, 44, 274, 210));
    // u = round(250 / 6) = 42 from the bottom at 14.
    EXPECT_FLOAT_EQ(g.descentLineY, 56);
    EXPECT_FLOAT_EQ(g.baseLineY, 98);
    EXPECT_FLOAT_EQ(g.lowerLineY, 182);
    EXPECT_FLOAT_EQ(g.upperLineY, 224);
}

TEST(ShapePad, StrokesKeepTheirCornersAndStayInTheDrawingArea) {
    ShapePad pad;
    const QRectF area = pad.geometry().drawingRect;
    // A click outside the drawing area starts nothing.
    EXPECT_FALSE(pad.beginStroke(QPointF(area.left() - 1, area.center().y()), false));
    EXPECT_FALSE(pad.isDrawing());

    // Moves of 3 units or less add nothing.
    const QPointF c = centre(pad);
    ASSERT_TRUE(pad.beginStroke(c, false));
    pad.dragTo(c + QPointF(2, 2));
    pad.dragTo(c + QPointF(0, 3));
    EXPECT_EQ(*pad.strokeInProgress(), (Stroke{c, c}));
    pad.endStroke();

    // A straight drag leaves two points; a corner adds a third.
    drawLine(pad, c, c + QPointF(80, 0));
    EXPECT_EQ(pad.countedStrokes().last(), (Stroke{c, c + QPointF(80, 0)}));
    ASSERT_TRUE(pad.beginStroke(c, false));
    for (int i = 1; i <= 10; ++i) pad.dragTo(c + QPointF(8 * i, 0));
    for (int i = 1; i <= 10; ++i) pad.dragTo(c + QPointF(80, 8 * i));
    pad.endStroke();
    EXPECT_EQ(pad.countedStrokes().last(), (Stroke{c, c + QPointF(80, 0), c + QPointF(80, 80)}));

    // Dragging beyond the area clamps the points to its edges.
    drawLine(pad, c, QPointF(area.right() + 500, area.top() - 500), 40);
    const Stroke s = pad.countedStrokes().last();
    for (const QPointF& p : s) EXPECT_TRUE(pad.geometry().inDrawingRect(p)) << p.x() << "," << p.y();
    EXPECT_EQ(s.last(), QPointF(area.right(), area.top()));
    EXPECT_EQ(pad.numberOfPaths(), 4);
}

TEST(ShapePad, ShiftDrawsAStraightRubberBandSegment) {
    ShapePad pad;
    const QPointF c = centre(pad);
    ASSERT_TRUE(pad.beginStroke(c, false));
    pad.dragTo(c + QPointF(30, 30));
    pad.shiftChanged(true, c + QPointF(30, 30));
    // The segment's end follows the mouse wherever it goes, adding nothing.
    pad.dragTo(c + QPointF(90, 10));
    pad.dragTo(c + QPointF(60, -40));
    const Stroke& s = *pad.strokeInProgress();
    EXPECT_EQ(s.size(), 3);
    EXPECT_EQ(s.last(), c + QPointF(60, -40));
    // Released, drawing goes on freely from the segment's end.
    pad.shiftChanged(false, c + QPointF(60, -40));
    pad.dragTo(c + QPointF(60, -80));
    EXPECT_EQ(pad.strokeInProgress()->size(), 4);
    pad.endStroke();

    // Shift held from the start: one straight segment.
    ASSERT_TRUE(pad.beginStroke(c, true));
    for (int i = 1; i <= 10; ++i) pad.dragTo(c + QPointF(5 * i, i * i));
    pad.endStroke();
    EXPECT_EQ(pad.countedStrokes().last(), (Stroke{c, c + QPointF(50, 100)}));
}

TEST(ShapePad, UndoRedoAndTheTwoStageClear) {
    ShapePad pad;
    int changes = 0;
    QObject::connect(&pad, &ShapePad::shapeChanged, [&changes] { ++changes; });
    const QPointF c = centre(pad);
    for (int i = 0; i < 3; ++i) drawLine(pad, c + QPointF(0, 10 * i), c + QPointF(60, 10 * i));
    EXPECT_EQ(changes, 3);
    pad.undo();
    EXPECT_EQ(pad.numberOfPaths(), 2);
    EXPECT_TRUE(pad.canRedo());
    pad.redo();
    EXPECT_EQ(pad.numberOfPaths(), 3);
    pad.undo();
    // A new stroke discards the undone one.
    drawLine(pad, c, c + QPointF(0, 60));
    EXPECT_EQ(pad.numberOfPaths(), 3);
    EXPECT_FALSE(pad.canRedo());
    EXPECT_EQ(pad.countedStrokes().last(), (Stroke{c, c + QPointF(0, 60)}));
    for (int i = 0; i < 5; ++i) pad.undo();
    EXPECT_EQ(pad.numberOfPaths(), 0);
    EXPECT_FALSE(pad.canUndo());

    for (int i = 0; i < 3; ++i) pad.redo();
    pad.setBackgroundCharacter(U'B');
    changes = 0;
    // First clear: the strokes; second: the background character; third: nothing.
    pad.clear();
    EXPECT_EQ(pad.numberOfAllPaths(), 0);
    EXPECT_EQ(pad.backgroundCharacter(), U'B');
    pad.clear();
    EXPECT_EQ(pad.backgroundCharacter(), 0u);
    EXPECT_TRUE(pad.isClear());
    pad.clear();
    EXPECT_EQ(changes, 2);

    // With only undone strokes, a clear takes the background and the strokes stay for redo.
    drawLine(pad, c, c + QPointF(60, 0));
    pad.undo();
    pad.setBackgroundCharacter(U'x');
    pad.clear();
    EXPECT_EQ(pad.backgroundCharacter(), 0u);
    EXPECT_TRUE(pad.canRedo());
}

TEST(ShapePad, FilesRecordTheDrawingAndItsMatches) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.rbxshape"));
    ShapePad pad;
    const QPointF c = centre(pad);
    drawLine(pad, c, c + QPointF(50, 50));
    drawLine(pad, c, c + QPointF(-50, 50));
    pad.undo();  // the undone stroke is not saved
    pad.setBackgroundCharacter(U' ');  // a space is neither drawn nor saved
    ASSERT_TRUE(pad.save(path));
    EXPECT_EQ(pad.savedShapeFile(), path);
    // Training data: the correct match (low 16 bits) and wrong ones, written to the file.
    ASSERT_TRUE(pad.setBestMatch(0x1F641));
    ASSERT_TRUE(pad.addMismatch(U'V'));
    ASSERT_TRUE(pad.addMismatch(0x1F600));
    EXPECT_EQ(pad.bestMatchCharacter(), char16_t(0xF641));
    EXPECT_EQ(pad.mismatches(), QStringLiteral("V\U0001F600"));

    ShapePad other;
    drawLine(other, c, c + QPointF(0, 80));
    ASSERT_TRUE(other.load(path));
    EXPECT_EQ(other.countedStrokes(), (QList<Stroke>{Stroke{c, c + QPointF(50, 50)}}));
    EXPECT_FALSE(other.canRedo());
    EXPECT_EQ(other.backgroundCharacter(), 0u);
    EXPECT_EQ(other.bestMatchCharacter(), char16_t(0xF641));
    EXPECT_EQ(other.savedShapeFile(), path);
    // Any change forgets the file and the recorded matches.
    other.undo();
    EXPECT_TRUE(other.savedShapeFile().isEmpty());
    EXPECT_EQ(other.bestMatchCharacter(), 0);
    EXPECT_FALSE(other.mismatches().has_value());
    EXPECT_FALSE(other.setBestMatch(U'A'));

    // A damaged file leaves the pad as it was.
    QFile bad(dir.filePath(QStringLiteral("bad.rbxshape")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x00\x05\x00\x01", 4));
    bad.close();
    other.redo();
    const shapes::ShapeReadResult r = other.load(bad.fileName());
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(other.numberOfPaths(), 1);

    // "Find similar shape": the drawing goes, the character shows behind the pad.
    other.setSimilarCharacter(U'Q', QStringLiteral("DejaVuSans"));
    EXPECT_EQ(other.numberOfAllPaths(), 0);
    EXPECT_EQ(other.backgroundCharacter(), U'Q');
    EXPECT_EQ(other.backgroundFont(), QStringLiteral("DejaVuSans"));
}
