#pragma once
// Axial and radial colour fills whose colours come from a function of one parameter t in
// [0, 1]: a function the caller gives, or the blend of two colours. The shading (a Qt
// gradient sampled at 256 stops) is kept and reused while the kind, the points, the radii
// and the extend flag stay the same.
//
// A fill covers the painter's clip region (the whole device when there is none). Without
// "extend" nothing is drawn beyond the start and end: the fill is clipped to the band
// between the two end lines (axial) or to the circles between start and end (radial).

#include <QColor>
#include <QGradient>
#include <QPointF>
#include <array>
#include <memory>

class QPainter;
class QPainterPath;

class KXGradient {
public:
    // Writes red, green, blue and alpha (each 0 to 1) for t into out.
    using Function = void (*)(void* info, double t, double out[4]);

    KXGradient(Function function, void* info = nullptr);
    // The blend of two colours: first at t = 0, second at t = 1, their components read as
    // they stand (a colour that is not RGB is converted to RGB).
    KXGradient(const QColor& from, const QColor& to);
    KXGradient(const KXGradient&) = delete;
    KXGradient& operator=(const KXGradient&) = delete;

    void drawAxial(QPainter& painter, QPointF from, QPointF to, bool extend);
    void drawRadial(QPainter& painter, QPointF fromCenter, float fromRadius, QPointF toCenter, float toRadius,
                    bool extend);

    // The colour the gradient's function gives for t.
    std::array<double, 4> evaluate(double t) const;
    // Counts the shadings made so far: a draw that reuses the last one leaves it.
    int shadingsMade() const { return shadingsMade_; }

    // The two-colour blend, in single precision as the colours are stored.
    static void interpolateRGBA(void* info, double t, double out[4]);

private:
    void makeShadingIfNeeded(bool radial, QPointF a, QPointF b, float ra, float rb, bool extend);
    void fill(QPainter& painter, const QPainterPath& limit, bool limited);

    Function function_;
    void* info_;
    std::array<float, 8> colors_{};
    std::unique_ptr<QGradient> shading_;
    QPointF start_, end_;
    float startRadius_ = 0, endRadius_ = 0;
    bool radial_ = false;
    bool extend_ = false;
    int shadingsMade_ = 0;
};
