#include "kxlib/gui/KXGradient.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

KXGradient::KXGradient(Function function, void* info) : function_(function), info_(info) {}

KXGradient::KXGradient(const QColor& from, const QColor& to) : function_(&KXGradient::interpolateRGBA), info_(nullptr) {
    const QColor a = from.toRgb(), b = to.toRgb();
    colors_ = {float(a.redF()), float(a.greenF()), float(a.blueF()), float(a.alphaF()),
               float(b.redF()), float(b.greenF()), float(b.blueF()), float(b.alphaF())};
    info_ = colors_.data();
}

void KXGradient::interpolateRGBA(void* info, double t, double out[4]) {
    const float* c = static_cast<const float*>(info);
    const float v = float(t);
    const float u = 1.0f - v;
    for (int k = 0; k < 4; ++k) out[k] = double(c[k] * u + c[4 + k] * v);
}

std::array<double, 4> KXGradient::evaluate(double t) const {
    std::array<double, 4> out{0, 0, 0, 1};
    if (function_) function_(info_, std::clamp(t, 0.0, 1.0), out.data());
    return out;
}

void KXGradient::makeShadingIfNeeded(bool radial, QPointF a, QPointF b, float ra, float rb, bool extend) {
    if (shading_ && radial_ == radial && start_ == a && end_ == b && extend_ == extend &&
        (!radial || (startRadius_ == ra && endRadius_ == rb)))
        return;
    radial_ = radial;
    start_ = a;
    end_ = b;
    startRadius_ = ra;
    endRadius_ = rb;
    extend_ = extend;
    if (radial)
        shading_ = std::make_unique<QRadialGradient>(b, double(rb), a, double(ra));
    else
        shading_ = std::make_unique<QLinearGradient>(a, b);
    shading_->setSpread(QGradient::PadSpread);
    QGradientStops stops;
    stops.reserve(256);
    for (int i = 0; i < 256; ++i) {
        const double t = i / 255.0;
        const auto c = evaluate(t);
        auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
        stops.append({t, QColor::fromRgbF(float(unit(c[0])), float(unit(c[1])), float(unit(c[2])), float(unit(c[3])))});
    }
    shading_->setStops(stops);
    ++shadingsMade_;
}

void KXGradient::fill(QPainter& painter, const QPainterPath& limit, bool limited) {
    painter.save();
    if (limited) painter.setClipPath(limit, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    const QRectF area = painter.hasClipping() ? painter.clipBoundingRect()
                                              : QRectF(painter.window());
    painter.fillRect(area, QBrush(*shading_));
    painter.restore();
}

void KXGradient::drawAxial(QPainter& painter, QPointF from, QPointF to, bool extend) {
    makeShadingIfNeeded(false, from, to, 0, 0, extend);
    QPainterPath band;
    if (!extend) {
        const QPointF d = to - from;
        const double len = std::hypot(d.x(), d.y());
        if (len <= 0) return;
        const QPointF n = QPointF(-d.y(), d.x()) / len * 1e5;
        band.addPolygon(QPolygonF({from + n, to + n, to - n, from - n, from + n}));
    }
    fill(painter, band, !extend);
}

void KXGradient::drawRadial(QPainter& painter, QPointF fromCenter, float fromRadius, QPointF toCenter, float toRadius,
                            bool extend) {
    makeShadingIfNeeded(true, fromCenter, toCenter, fromRadius, toRadius, extend);
    QPainterPath circles;
    if (!extend) {
        // The circles between start and end, sampled.
        circles.setFillRule(Qt::WindingFill);
        for (int i = 0; i <= 32; ++i) {
            const double t = i / 32.0;
            const QPointF c = fromCenter + (toCenter - fromCenter) * t;
            const double r = double(fromRadius) + (double(toRadius) - double(fromRadius)) * t;
            if (r > 0) circles.addEllipse(c, r, r);
        }
    }
    fill(painter, circles, !extend);
}
