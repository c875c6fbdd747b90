// Features of pictures whose values can be worked out by hand, and pictures that would
// divide by zero or overflow fixed tables.
#include "shapes/ShapeFeatures.h"

#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using shapes::analyzeImage;
using shapes::FeatureVector;

namespace {

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGBA8888);
    img.fill(Qt::white);
    return img;
}

void fill(QImage& img, QRect r, QColor c = Qt::black) {
    QPainter p(&img);
    p.fillRect(r, c);
}

} // namespace

TEST(ShapeFeatures, AnEmptyPictureHasNoFeatures) {
    EXPECT_EQ(analyzeImage(blank(300, 250)), FeatureVector{});
    // Light grey is no ink; red below 128 is, whatever the other samples say.
    QImage img = blank(100, 100);
    fill(img, QRect(10, 10, 20, 20), QColor(200, 0, 0));
    EXPECT_EQ(analyzeImage(img), FeatureVector{});
    fill(img, QRect(10, 10, 20, 20), QColor(127, 255, 255));
    EXPECT_NE(analyzeImage(img)[0], 0);
    EXPECT_EQ(analyzeImage(QImage()), FeatureVector{});
}

TEST(ShapeFeatures, ASolidRectangle) {
    QImage img = blank(300, 250);
    fill(img, QRect(100, 50, 40, 20));
    const FeatureVector f = analyzeImage(img);
    EXPECT_EQ(f[0], int(std::sqrt(40.0 * 20) * 0.25));  // 7
    EXPECT_EQ(f[1], 20 * 50 / 40);
    EXPECT_EQ(f[2], 100);  // every row and column is full between its ends
    EXPECT_EQ(f[3], 100);
    EXPECT_EQ(f[4], 20);  // one run per row and column
    EXPECT_EQ(f[5], 20);
    EXPECT_EQ(f[6], 100);  // (40 + 20) / (20 + 40 runs)
    // The four corner zones hold equal ink.
    EXPECT_EQ(f[7], f[8]);
    EXPECT_EQ(f[8], f[9]);
    EXPECT_EQ(f[9], f[10]);
    EXPECT_GT(f[11], 0);
    // Profiles of a rectangle are the same at both ends: every A value is half.
    for (int i : {12, 13, 14, 16, 22, 23, 24, 26}) EXPECT_NEAR(f[i], 50, 1) << "feature " << i;
}

TEST(ShapeFeatures, ShapesDifferWhereTheyShould) {
    // An L has its ink at the left and the bottom; a mirrored one at the right.
    QImage l = blank(200, 200), j = blank(200, 200);
    fill(l, QRect(50, 40, 10, 120));
    fill(l, QRect(50, 150, 80, 10));
    fill(j, QRect(120, 40, 10, 120));
    fill(j, QRect(50, 150, 80, 10));
    const FeatureVector fl = analyzeImage(l), fj = analyzeImage(j);
    EXPECT_GT(fl[10], fl[8]);  // bottom left beyond top right
    EXPECT_GT(fl[12], 50);     // more ink in the left columns
    EXPECT_LT(fj[12], 50);
    EXPECT_EQ(fl[0], fj[0]);
    // A ring has two runs across its middle rows and columns.
    QImage ring = blank(200, 200);
    {
        QPainter p(&ring);
        p.setPen(QPen(Qt::black, 15));
        p.drawEllipse(QRect(50, 50, 100, 100));
    }
    const FeatureVector fr = analyzeImage(ring);
    EXPECT_GT(fr[4], 30);
    EXPECT_GT(fr[5], 30);
    EXPECT_LT(fr[2], 100);
}

TEST(ShapeFeatures, DegenerateAndWidePicturesGiveValuesNotUndefinedBehaviour) {
    // A single column or row of ink: the zone and profile weights would divide by zero.
    QImage line = blank(100, 100);
    fill(line, QRect(50, 10, 1, 80));
    const FeatureVector f = analyzeImage(line);
    EXPECT_EQ(f[0], int(std::sqrt(80.0) * 0.25));
    EXPECT_EQ(f[1], 255);  // 80 × 50 / 1, at most 255
    for (int i = 7; i <= 21; ++i) EXPECT_EQ(f[i], 0) << "feature " << i;
    QImage dot = blank(10, 10);
    fill(dot, QRect(3, 3, 1, 1));
    EXPECT_EQ(analyzeImage(dot)[1], 50);

    // Pictures wider and higher than 512 pixels.
    QImage wide = blank(900, 600);
    fill(wide, QRect(600, 500, 280, 80));
    const FeatureVector w = analyzeImage(wide);
    EXPECT_EQ(w[0], shapes::featureByte(std::sqrt(280.0 * 80) * 0.25));
    EXPECT_EQ(w[1], 80 * 50 / 280);

    // Other picture formats are read as well.
    QImage rgb = wide.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(analyzeImage(rgb), w);

    // Stored values: the integer part's low 8 bits; no value that is not a number.
    EXPECT_EQ(shapes::featureByte(300.7), 300 & 0xFF);
    EXPECT_EQ(shapes::featureByte(255.99), 255);
    EXPECT_EQ(shapes::featureByte(-1.5), 0xFF);
    EXPECT_EQ(shapes::featureByte(std::nan("")), 0);
    EXPECT_EQ(shapes::featureByte(INFINITY), 0);
    EXPECT_EQ(shapes::featureByte(1e300), 0);
}
