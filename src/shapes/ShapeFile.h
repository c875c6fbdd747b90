#pragma once
// Shape files ("*.rbxshape"): a drawing of the shape finder's pad as big-endian 16-bit
// words. Records follow one another up to a single 0 word:
//   stroke         N (1..4999 points), then N pairs x, y (unsigned, whole pad coordinates)
//   best match     5000, then the character's low 16 bits
//   mismatches     5001, then the number n of UTF-16 units, then the n units
//   background     5002, then the character as 32 bits (high word first)
// The reader checks every length against the bytes at hand and refuses a damaged file
// with a message that says what is wrong; the writer splits a stroke too long for one
// record into several.

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>
#include <optional>

namespace shapes {

// Points of one stroke in pad coordinates (y grows upwards), the first where it began.
using Stroke = QList<QPointF>;

struct ShapeDrawing {
    QList<Stroke> strokes;
    char16_t bestMatch = 0;              // 0: none
    std::optional<QString> mismatches;   // absent, or the characters (maybe none)
    char32_t background = 0;             // below 33: none
    bool operator==(const ShapeDrawing&) const = default;
};

struct ShapeReadResult {
    std::optional<ShapeDrawing> drawing;
    QString error;  // why the file was refused; empty when it was read
    explicit operator bool() const { return drawing.has_value(); }
};

namespace shapefile {

inline constexpr quint16 EndWord = 0;
inline constexpr quint16 BestMatchTag = 5000;
inline constexpr quint16 MismatchesTag = 5001;
inline constexpr quint16 BackgroundTag = 5002;
inline constexpr int MaxPointsPerRecord = BestMatchTag - 1;
// Files beyond this size are no drawings.
inline constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

QByteArray write(const ShapeDrawing& drawing);
ShapeReadResult read(const QByteArray& bytes);

ShapeReadResult readFile(const QString& path);
// Writes atomically; false (and `error`) when the file could not be written.
bool writeFile(const QString& path, const ShapeDrawing& drawing, QString* error = nullptr);

} // namespace shapefile
} // namespace shapes
