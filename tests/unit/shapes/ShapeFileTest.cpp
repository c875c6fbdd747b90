// Shape files: what is written reads back the same, long strokes survive, and damaged
// files of every kind are refused with a message instead of being misread.
#include "shapes/ShapeFile.h"

#include "common/SmallFileSystem.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

using shapes::ShapeDrawing;
using shapes::Stroke;
namespace shapefile = shapes::shapefile;

namespace {

ShapeDrawing sample() {
    ShapeDrawing d;
    d.strokes = {Stroke{{30, 40}, {30, 40}}, Stroke{{50, 60}, {120, 200}, {200, 61}}};
    d.bestMatch = u'A';
    d.mismatches = QStringLiteral("lI|");
    d.background = 0x1F600;
    return d;
}

QByteArray words(std::initializer_list<quint16> ws) {
    QByteArray b;
    for (quint16 w : ws) {
        b.append(char(w >> 8));
        b.append(char(w & 0xFF));
    }
    return b;
}

} // namespace

TEST(ShapeFile, WhatIsWrittenReadsBackTheSame) {
    const ShapeDrawing d = sample();
    const QByteArray bytes = shapefile::write(d);
    // Strokes first, then the tags in order, then the end word.
    EXPECT_EQ(bytes.left(10), words({2, 30, 40, 30, 40}));
    EXPECT_EQ(bytes.right(8), words({5002, 1, 0xF600, 0}));
    const shapes::ShapeReadResult r = shapefile::read(bytes);
    ASSERT_TRUE(r) << r.error.toStdString();
    EXPECT_EQ(*r.drawing, d);

    // Nothing optional: only strokes and the end word; no best match, no mismatches.
    ShapeDrawing plain;
    plain.strokes = {Stroke{{1, 2}}};
    plain.background = 32;  // a space is no background character
    EXPECT_EQ(shapefile::write(plain), words({1, 1, 2, 0}));
    const shapes::ShapeReadResult p = shapefile::read(shapefile::write(plain));
    ASSERT_TRUE(p);
    EXPECT_FALSE(p.drawing->mismatches.has_value());
    EXPECT_EQ(p.drawing->background, 0u);
    EXPECT_EQ(p.drawing->bestMatch, 0);

    // An empty mismatch record reads as an empty text, not as none.
    const shapes::ShapeReadResult e = shapefile::read(words({5001, 0, 0}));
    ASSERT_TRUE(e);
    ASSERT_TRUE(e.drawing->mismatches.has_value());
    EXPECT_TRUE(e.drawing->mismatches->isEmpty());

    // Coordinates are truncated to whole units; what reads past the end word is ignored.
    ShapeDrawing fractional;
    fractional.strokes = {Stroke{{10.9, 20.2}}};
    EXPECT_EQ(shapefile::read(shapefile::write(fractional) + "junk").drawing->strokes.first().first(), QPointF(10, 20));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.rbxshape"));
    ASSERT_TRUE(shapefile::writeFile(path, d));
    EXPECT_EQ(*shapefile::readFile(path).drawing, d);
    EXPECT_FALSE(shapefile::readFile(dir.filePath(QStringLiteral("missing.rbxshape"))));
    EXPECT_FALSE(shapefile::writeFile(dir.filePath(QStringLiteral("no/such/folder.rbxshape")), d));
}

TEST(ShapeFile, ADrawingSavedToAFullDiskLeavesTheSavedOneWhole) {
    rbxtest::SmallFileSystem fs;
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    const QString path = fs.path() + QStringLiteral("/a.rbxshape");
    ASSERT_TRUE(shapefile::writeFile(path, sample()));
    ASSERT_TRUE(fs.fill());
    ShapeDrawing other = sample();
    other.strokes.append(Stroke{{1, 1}, {2, 2}});
    QString error;
    EXPECT_FALSE(shapefile::writeFile(path, other, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << error.toStdString();
    EXPECT_EQ(*shapefile::readFile(path).drawing, sample());
}

TEST(ShapeFile, AStrokeTooLongForOneRecordIsSplitAndKeepsEveryPoint) {
    ShapeDrawing d;
    Stroke s;
    for (int i = 0; i < 12000; ++i) s.append(QPointF(i % 300, i / 100));
    d.strokes = {s};
    const QByteArray bytes = shapefile::write(d);
    const shapes::ShapeReadResult r = shapefile::read(bytes);
    ASSERT_TRUE(r) << r.error.toStdString();
    ASSERT_EQ(r.drawing->strokes.size(), 3);
    Stroke joined = r.drawing->strokes[0];
    for (int i = 1; i < 3; ++i) {
        const Stroke& part = r.drawing->strokes[i];
        EXPECT_LE(part.size(), shapefile::MaxPointsPerRecord);
        // Each part goes on from where the last one ended.
        EXPECT_EQ(part.first(), joined.last());
        joined += part.mid(1);
    }
    EXPECT_EQ(joined, s);
}

TEST(ShapeFile, DamagedFilesAreRefusedWithAReason) {
    const QByteArray good = shapefile::write(sample());
    // Every truncation of a good file.
    for (qsizetype n = 0; n < good.size(); ++n) {
        const shapes::ShapeReadResult r = shapefile::read(good.left(n));
        EXPECT_FALSE(r) << "prefix of " << n << " bytes";
        EXPECT_FALSE(r.error.isEmpty());
    }
    const struct {
        QByteArray bytes;
        const char* says;
    } damaged[] = {
        {words({3, 1, 2, 3, 4, 0}), "claims 3 points"},
        {words({5003, 0}), "unknown record"},
        {words({0xFFFF, 1}), "unknown record"},
        {words({5002, 0x11, 0, 0}), "beyond Unicode"},
        {words({5001, 9, 65, 0}), "claim 9 units"},
        {words({5000}), "truncated best match"},
        {words({1, 5, 5, 0}) + "x", "odd length"},
        {QByteArray(), "no end mark"},
        {QByteArray(shapefile::MaxFileBytes + 2, 0), "too large"},
    };
    for (const auto& d : damaged) {
        const shapes::ShapeReadResult r = shapefile::read(d.bytes);
        EXPECT_FALSE(r) << d.says;
        EXPECT_TRUE(r.error.contains(QLatin1String(d.says))) << r.error.toStdString();
    }
}

TEST(ShapeFile, RandomlyDamagedFilesNeverCrashAndWhatReadsIsSound) {
    std::mt19937 rng(25);
    const QByteArray good = shapefile::write(sample());
    int read = 0, refused = 0;
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes = good;
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 4) {
            case 0: if (!bytes.isEmpty()) bytes[int(rng() % bytes.size())] = char(rng()); break;
            case 1: bytes.truncate(int(rng() % (bytes.size() + 1))); break;
            case 2: bytes.insert(int(rng() % (bytes.size() + 1)), char(rng())); break;
            default: {
                // A plausible word: a tag, a small count or the end mark.
                const quint16 picks[] = {0, 1, 2, 4999, 5000, 5001, 5002, 5003, 0xFFFF};
                const QByteArray w = words({picks[rng() % 9]});
                bytes.insert(int(rng() % (bytes.size() + 1)) & ~1, w);
            }
            }
        }
        const shapes::ShapeReadResult r = shapefile::read(bytes);
        if (!r) {
            ++refused;
            EXPECT_FALSE(r.error.isEmpty());
            continue;
        }
        ++read;
        for (const Stroke& s : r.drawing->strokes) {
            EXPECT_GE(s.size(), 1);
            EXPECT_LE(s.size(), shapefile::MaxPointsPerRecord);
        }
        EXPECT_LE(r.drawing->background, 0x10FFFFu);
        // What was read writes and reads back the same.
        const shapes::ShapeReadResult again = shapefile::read(shapefile::write(*r.drawing));
        ASSERT_TRUE(again);
        ShapeDrawing expected = *r.drawing;
        if (expected.background < 33) expected.background = 0;
        EXPECT_EQ(*again.drawing, expected);
    }
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}
