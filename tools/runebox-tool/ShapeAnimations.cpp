#include "ShapeAnimations.h"

#include "shapes/ShapeGeometry.h"

#include <cmath>
#include <numbers>

namespace tool {
namespace {

// Points in letter units: x 0..100 across the letter, y 0 on the baseline and 100 on
// the cap line (negative below the baseline).
struct P {
    double x, y;
};
using Strokes = QList<QList<P>>;

QList<P> ellipse(double cx, double cy, double rx, double ry, int steps, double from = 0, double to = 360) {
    QList<P> pts;
    for (int i = 0; i <= steps; ++i) {
        const double a = (from + (to - from) * i / steps) * std::numbers::pi / 180;
        pts.append({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return pts;
}

struct Demo {
    Strokes strokes;
    char32_t background = 0;
};

QList<Demo> demos() {
    QList<Demo> d;
    d.append({{{{0, 0}, {50, 100}, {100, 0}}, {{22, 42}, {78, 42}}}});                                  // A
    d.append({{ellipse(50, 50, 45, 50, 24, 90, 450)}});                                                  // O
    d.append({{{{50, 10}, {50, 90}}, {{10, 50}, {90, 50}}}});                                            // +
    d.append({{{{0, 50}, {100, 50}}, {{70, 80}, {100, 50}, {70, 20}}}});                                 // →
    d.append({{{{0, 50}, {35, 10}, {100, 100}}}});                                                       // ✓
    d.append({{ellipse(50, 50, 50, 50, 24, 90, 450), {{35, 65}, {35, 65}}, {{65, 65}, {65, 65}},
               ellipse(50, 45, 28, 25, 8, 200, 340)}});                                                  // ☺
    d.append({{{{10, 100}, {10, 0}, {80, 0}}}});                                                         // L
    d.append({{{{10, 100}, {90, 100}, {10, 0}, {90, 0}}}});                                              // Z
    d.append({{{{15, 15}, {85, 85}}, {{15, 85}, {85, 15}}}});                                            // ×
    d.append({{{{50, 0}, {50, 100}}, {{20, 70}, {50, 100}, {80, 70}}}});                                 // ↑
    QList<P> star;
    for (int i = 0; i <= 5; ++i) {
        const double a = (90 + 144 * i) * std::numbers::pi / 180;
        star.append({50 + 50 * std::cos(a), 45 + 50 * std::sin(a)});
    }
    d.append({{star}});                                                                                  // ★
    d.append({{{{50, 0}, {10, 45}, {5, 75}, {20, 95}, {40, 90}, {50, 70}, {60, 90}, {80, 95}, {95, 75}, {90, 45}, {50, 0}}}});  // ♡
    d.append({{{{0, 100}, {100, 100}}, {{50, 100}, {50, 0}}}});                                          // T
    d.append({{{{10, 65}, {90, 65}}, {{10, 35}, {90, 35}}}});                                            // =
    d.append({{{{0, 0}, {50, 90}, {100, 0}, {0, 0}}}});                                                  // △
    QList<P> s = ellipse(50, 75, 40, 25, 8, 10, 270);
    s.append(ellipse(50, 25, 40, 25, 8, 90, -170));
    d.append({{s}});                                                                                     // S
    d.append({{{{-5, 60}, {55, 60}}, {{-5, 40}, {50, 40}}}, U'C'});                                      // € over a C
    return d;
}

} // namespace

QList<shapes::ShapeDrawing> shapeAnimations() {
    const shapes::ShapeGeometry g;
    const double unit = (g.upperLineY - g.baseLineY) / 100.0;
    const double left = g.innerRect.center().x() - 50 * unit;
    QList<shapes::ShapeDrawing> out;
    for (const Demo& demo : demos()) {
        shapes::ShapeDrawing drawing;
        for (const QList<P>& stroke : demo.strokes) {
            shapes::Stroke s;
            for (const P& p : stroke)
                s.append(g.clampedToDrawingRect(QPointF(left + p.x * unit, g.baseLineY + p.y * unit)));
            drawing.strokes.append(s);
        }
        drawing.background = demo.background;
        out.append(drawing);
    }
    return out;
}

} // namespace tool
