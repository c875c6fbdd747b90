#include "table/core/RbxCellSizing.h"

#include "core/Log.h"
#include "table/core/RbxTools.h"

#include <QSet>
#include <cmath>

namespace rbx::cells {

namespace {

QString sizeText(const QSizeF& s) { return QStringLiteral("{%1, %2}").arg(s.width()).arg(s.height()); }
QString rectText(const QRectF& r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

bool usable(double v) { return std::isfinite(v) && v > 0; }

} // namespace

QSizeF characterSize(const std::optional<RbxFontMeasures>& font, bool trace) {
    if (!font) return QSizeF(16, 16);
    trace = trace || RbxTools::debugging(1);
    double bw = font->boundingRect.width(), bh = font->boundingRect.height();
    if (!(bw >= 1)) bw = 16;
    if (!(bh >= 1)) bh = 16;
    const float L = float(font->lineHeight);
    const float adv = float(std::abs(font->maxAdvance));
    if (trace) {
        kx::log(QStringLiteral("SIZE FOR %1").arg(font->name));
        kx::log(QStringLiteral("font bounds: %1").arg(rectText(font->boundingRect)));
        kx::log(QStringLiteral("height=%1, desc=%2, adv=%3")
                    .arg(L, 0, 'f', 2)
                    .arg(font->descender, 0, 'f', 2)
                    .arg(adv, 0, 'f', 2));
    }
    double width = bw;
    if (bw > adv) {
        if (adv / bw < 0.1) {
            static QSet<QString> warned;
            if (!warned.contains(font->name)) {
                warned.insert(font->name);
                kx::log(QStringLiteral("Ignoring invalid advancement for %1 %2: w=%3, h=%4, adv=%5")
                            .arg(font->name)
                            .arg(font->pointSize, 0, 'g', 6)
                            .arg(bw, 0, 'f', 5)
                            .arg(bh, 0, 'f', 5)
                            .arg(adv, 0, 'f', 5));
            }
        } else {
            width = adv;
        }
    }
    double height = bh;
    if (bh < L) height = std::min(1.4 * bh, double(L));
    if (font->tuningRelativeWidth > 0) width = font->pointSize * font->tuningRelativeWidth;
    if (usable(font->tuningZoomX)) width /= font->tuningZoomX;
    if (usable(font->tuningZoomY)) height /= font->tuningZoomY;
    return QSizeF(width, height);
}

double adjustmentFactorForSize(const QSizeF& cell, std::size_t k, const QSizeF& visible, double relativeFontSize,
                               double familySizeFactor, bool trace) {
    trace = trace || RbxTools::debugging(1);
    const double w = cell.width(), h = cell.height();
    const float typical = float(std::sqrt(std::abs(w * h)));
    if (trace) {
        kx::log(QStringLiteral("adjustment for: %1").arg(sizeText(cell)));
        kx::log(QStringLiteral("typical:%1, fit:%2").arg(typical, 0, 'f', 1).arg(k));
    }
    const double W = visible.width(), H = visible.height();
    if (k > 0 && usable(w) && usable(h) && usable(W) && usable(H)) {
        const float r = float(h / w);
        // The first number of columns c = 2, 3, ... for which ceil(k / c) rows of cells
        // W / c wide fit the height. The height needed never grows with c, so the first
        // fitting c lies between 2 and a c that surely fits (one row of cells low enough).
        auto fits = [&](double c) {
            const double rows = std::ceil(double(k) / c);
            return (W / c) * r * rows <= H;
        };
        double lo = 2, hi = std::max({2.0, double(k), std::ceil(W * r / H)});
        while (!fits(hi)) hi *= 2;
        while (lo < hi) {
            const double mid = std::floor((lo + hi) / 2);
            if (fits(mid)) hi = mid;
            else lo = mid + 1;
        }
        return 0.99 * (W / lo) / w;
    }
    if (!usable(typical) || !std::isfinite(relativeFontSize) || relativeFontSize <= 0) return 1.0;
    double factor = relativeFontSize / typical;
    if (usable(familySizeFactor)) factor *= familySizeFactor;
    return usable(factor) ? factor : 1.0;
}

DisplaySize displayFontSize(double displayPointSize, double factor, bool fitting, int minimumFitSize) {
    float p = float(displayPointSize * factor * 0.85);
    if (fitting && p > 0 && p < float(minimumFitSize)) {
        factor *= double(minimumFitSize) / p;
        p = float(minimumFitSize);
    }
    return {factor, p};
}

} // namespace rbx::cells
