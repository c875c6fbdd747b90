// Drawings made by code, matched against the bundle's reference data the way the shape
// finder does: a few plain shapes must find their characters among the first five.
#include "shapes/ShapeMatching.h"
#include "shapes/ShapePad.h"

#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using shapes::ShapePad;

namespace {

shapes::ShapeDataFiles bundleFiles() {
    const QString res = QStringLiteral(RUNEBOX_SOURCE_RESOURCES);
    return {{res + QStringLiteral("/shapeReference.data")}, {res + QStringLiteral("/shapeWeights.plist")}};
}

// A stroke through points in letter units (x 0..100 across, y 0 on the baseline, 100 on
// the cap line), dragged as a mouse would in small steps.
void stroke(ShapePad& pad, const QList<QPointF>& letterPoints) {
    const shapes::ShapeGeometry& g = pad.geometry();
    const double unit = (g.upperLineY - g.baseLineY) / 100.0;
    const double left = g.innerRect.center().x() - 50 * unit;
    auto map = [&](QPointF p) { return QPointF(left + p.x() * unit, g.baseLineY + p.y() * unit); };
    ASSERT_TRUE(pad.beginStroke(map(letterPoints.first()), false));
    for (qsizetype i = 1; i < letterPoints.size(); ++i) {
        const QPointF a = map(letterPoints[i - 1]), b = map(letterPoints[i]);
        for (int s = 1; s <= 10; ++s) pad.dragTo(a + (b - a) * s / 10);
    }
    pad.endStroke();
}

QList<QPointF> ellipse(double cx, double cy, double rx, double ry, double from = 90, double to = 450) {
    QList<QPointF> pts;
    for (int i = 0; i <= 36; ++i) {
        const double a = (from + (to - from) * i / 36) * std::numbers::pi / 180;
        pts.append({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

QString firstFive(const QString& text) {
    QString out;
    int n = 0;
    for (const uint c : text.toUcs4())
        if (c != 0x200B && n++ < 5) out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
    return out;
}

bool anyOf(const QString& found, const QString& wanted) {
    for (const QChar c : wanted)
        if (found.contains(c)) return true;
    return false;
}

} // namespace

TEST(ShapeRecognition, PlainDrawingsFindTheirCharactersNearTheTop) {
    ASSERT_TRUE(QFileInfo(bundleFiles().reference.first()).isFile());
    const struct {
        const char* name;
        QList<QList<QPointF>> strokes;
        QString wanted;
    } cases[] = {
        {"circle", {ellipse(50, 50, 45, 50)}, QStringLiteral("Oo0")},
        {"vertical line", {{{50, 0}, {50, 100}}}, QStringLiteral("lI|")},
        {"plus", {{{50, 10}, {50, 90}}, {{10, 50}, {90, 50}}}, QStringLiteral("+")},
        {"arrow right", {{{0, 50}, {100, 50}}, {{70, 80}, {100, 50}, {70, 20}}}, QStringLiteral("\u2192\u27F6\u21FE")},
        {"capital L", {{{15, 100}, {15, 0}, {70, 0}}}, QStringLiteral("L")},
        {"capital A", {{{5, 0}, {50, 100}, {95, 0}}, {{25, 40}, {75, 40}}}, QStringLiteral("A")},
        {"X", {{{10, 100}, {90, 0}}, {{10, 0}, {90, 100}}}, QStringLiteral("Xx\u00D7")},
        {"capital E", {{{85, 100}, {15, 100}, {15, 0}, {85, 0}}, {{15, 50}, {70, 50}}}, QStringLiteral("E")},
        {"arrow up", {{{50, 0}, {50, 100}}, {{20, 70}, {50, 100}, {80, 70}}}, QStringLiteral("\u2191\u21E1")},
        {"arrow left", {{{100, 50}, {0, 50}}, {{30, 80}, {0, 50}, {30, 20}}}, QStringLiteral("\u2190\u27F5\u21FD")},
        {"check mark", {{{5, 50}, {35, 10}, {95, 100}}}, QStringLiteral("\u2713\u2714\u221A")},
        {"equals", {{{10, 65}, {90, 65}}, {{10, 35}, {90, 35}}}, QStringLiteral("=")},
        {"triangle", {{{10, 0}, {50, 90}, {90, 0}, {10, 0}}}, QStringLiteral("\u25B3\u25B5\u2206\u0394")},
    };
    shapes::ShapeMatching matching{shapes::ShapeGeometry(), bundleFiles()};
    for (const auto& c : cases) {
        ShapePad pad;
        for (const auto& s : c.strokes) stroke(pad, s);
        const QString search = matching.bestMatch(pad);
        EXPECT_TRUE(anyOf(firstFive(search), c.wanted)) << c.name << ": " << search.toStdString();
        EXPECT_TRUE(matching.result().isSet());
    }
    // Without reference data: U+200B alone and no result.
    shapes::ShapeMatching none{shapes::ShapeGeometry(), shapes::ShapeDataFiles{{QStringLiteral("/nonexistent")}, {}}};
    ShapePad pad;
    stroke(pad, ellipse(50, 50, 45, 50));
    EXPECT_EQ(none.bestMatch(pad), QStringLiteral("\u200B"));
    EXPECT_FALSE(none.result().isSet());
}
