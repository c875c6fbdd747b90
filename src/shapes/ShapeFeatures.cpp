#include "shapes/ShapeFeatures.h"

#include "core/Log.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace shapes {
namespace {

// Per position along one axis (a column or a row of the picture).
struct Profile {
    std::vector<int> low, high, count, runs;
    explicit Profile(int n) : low(n, 0), high(n, 0), count(n, 0), runs(n, 0) {}
};

// The ten summary values of a profile over positions from..to, with the cross range
// min..max: black, low, high, width and runs at the start (A) and in the middle (M),
// each relative to start + end.
void summarize(const Profile& p, int from, int to, int min, int max, std::uint8_t* out) {
    const int n = to - from;
    const float range = float(max - min);
    if (n <= 0 || range <= 0) return;
    float sumA = 0, sumB = 0, sumM = 0;
    float blackA = 0, blackB = 0, blackM = 0;
    float x[4][3] = {};  // lo, hi, wd, t × A, B, M
    for (int k = 0; k <= n; ++k) {
        const int pos = from + k;
        const int b = p.count[pos];
        if (b <= 0) continue;
        const float a = float((std::cos(std::numbers::pi * k / n) + 1) / 2);
        const float w[3] = {a, 1 - a, 4 * a * (1 - a)};
        const float v[4] = {float(p.low[pos] - min + 50) / range, float(p.high[pos] - min) / range,
                            float(p.high[pos] - p.low[pos]) / range, float(p.runs[pos])};
        sumA += w[0];
        sumB += w[1];
        sumM += w[2];
        blackA += w[0] * float(b);
        blackB += w[1] * float(b);
        blackM += w[2] * float(b);
        for (int q = 0; q < 4; ++q)
            for (int z = 0; z < 3; ++z) x[q][z] += w[z] * v[q];
    }
    const float blackAB = blackA + blackB;
    out[0] = featureByte(double(blackA / blackAB) * 100);
    out[5] = featureByte(double(blackM / blackAB) * 100);
    const float sums[3] = {sumA, sumB, sumM};
    for (int q = 0; q < 4; ++q) {
        float avg[3];
        for (int z = 0; z < 3; ++z) avg[z] = x[q][z] / sums[z];
        out[1 + q] = featureByte(double(avg[0] / (avg[0] + avg[1])) * 100);
        out[6 + q] = featureByte(double(avg[2] / (avg[0] + avg[1])) * 100);
    }
}

} // namespace

std::uint8_t featureByte(double value) {
    // NaN, infinities and 0 / 0 never reach the integer conversion.
    if (!std::isfinite(value)) return 0;
    const double t = std::trunc(value);
    if (std::fabs(t) >= 9.0e18) return 0;
    return std::uint8_t(std::int64_t(t) & 0xFF);
}

FeatureVector analyzeImage(const QImage& source) {
    FeatureVector f{};
    if (source.isNull()) return f;
    QImage converted;
    const QImage* image = &source;
    if (source.format() != QImage::Format_RGBA8888 && source.format() != QImage::Format_RGBA8888_Premultiplied &&
        source.format() != QImage::Format_RGBX8888) {
        if (source.depth() != 32) kx::log(QStringLiteral("not 8 bits per sample"));
        converted = source.convertToFormat(QImage::Format_RGBA8888);
        image = &converted;
    }
    const int width = image->width(), height = image->height();
    // Tables sized from the picture: positions 0..width-1 and 1..height.
    Profile cols(width), rows(height + 1);
    int xmin = width, xmax = -1, ymin = height + 1, ymax = -1;
    long long total = 0;
    std::vector<char> inkAbove(width, 0);
    for (int r = 0; r < height; ++r) {
        const uchar* line = image->constScanLine(r);
        const int y = height - r;
        bool inkLeft = false;
        for (int x = 0; x < width; ++x) {
            const bool ink = line[4 * x] < 128;
            if (ink) {
                xmin = std::min(xmin, x);
                xmax = std::max(xmax, x);
                ymin = std::min(ymin, y);
                ymax = std::max(ymax, y);
                if (cols.count[x] == 0) cols.high[x] = y;
                cols.low[x] = y;
                ++cols.count[x];
                if (!inkAbove[x]) ++cols.runs[x];
                if (rows.count[y] == 0) rows.low[y] = x;
                rows.high[y] = x;
                ++rows.count[y];
                if (!inkLeft) ++rows.runs[y];
                ++total;
            }
            inkAbove[x] = ink;
            inkLeft = ink;
        }
    }
    if (total == 0) return f;
    const int W = xmax - xmin + 1, H = ymax - ymin + 1;
    f[0] = featureByte(std::sqrt(double(W) * double(H)) * 0.25);
    f[1] = featureByte(std::min(H * 50 / W, 255));

    long long rowSpan = 0, colSpan = 0, rowRuns = 0, colRuns = 0, inkRows = 0, inkCols = 0;
    for (int y = ymin; y <= ymax; ++y)
        if (rows.count[y] > 0) {
            rowSpan += rows.high[y] - rows.low[y] + 1;
            rowRuns += rows.runs[y];
            ++inkRows;
        }
    for (int x = xmin; x <= xmax; ++x)
        if (cols.count[x] > 0) {
            colSpan += cols.high[x] - cols.low[x] + 1;
            colRuns += cols.runs[x];
            ++inkCols;
        }
    f[2] = featureByte(rowSpan ? double(total * 100 / rowSpan) : 0);
    f[3] = featureByte(colSpan ? double(total * 100 / colSpan) : 0);
    f[4] = featureByte(double(rowRuns * 20 / inkRows));
    f[5] = featureByte(double(colRuns * 20 / inkCols));
    f[6] = featureByte(std::min(double(W + H) / double(rowRuns + colRuns), 2.5) * 100);

    // Zones: weights 1 at the left (bottom) edge of the ink, 0 at the right (top).
    if (xmax > xmin && ymax > ymin) {
        std::vector<float> c(width, 0), rw(height + 1, 0);
        for (int x = xmin; x <= xmax; ++x)
            c[x] = float((std::cos(std::numbers::pi * (x - xmin) / (xmax - xmin)) + 1) / 2);
        for (int y = ymin; y <= ymax; ++y)
            rw[y] = float((std::cos(std::numbers::pi * (y - ymin) / (ymax - ymin)) + 1) / 2);
        float tl = 0, tr = 0, br = 0, bl = 0, centre = 0;
        for (int y = ymin; y <= ymax; ++y) {
            if (rows.count[y] == 0) continue;
            const uchar* line = image->constScanLine(height - y);
            const float r = rw[y];
            for (int x = rows.low[y]; x <= rows.high[y]; ++x) {
                if (line[4 * x] >= 128) continue;
                const float cx = c[x];
                tl += cx * (1 - r);
                tr += (1 - cx) * (1 - r);
                br += (1 - cx) * r;
                bl += cx * r;
                centre += 16 * cx * (1 - cx) * r * (1 - r);
            }
        }
        const float s = tl + tr + br + bl + centre;
        f[7] = featureByte(double(tl / s) * 250);
        f[8] = featureByte(double(tr / s) * 250);
        f[9] = featureByte(double(br / s) * 250);
        f[10] = featureByte(double(bl / s) * 250);
        f[11] = featureByte(double(centre / s) * 250);
    }
    summarize(cols, xmin, xmax, ymin, ymax, &f[12]);
    // Rows: "low" is the leftmost ink, "high" the rightmost.
    summarize(rows, ymin, ymax, xmin, xmax, &f[22]);
    return f;
}

} // namespace shapes
