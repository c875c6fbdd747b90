#include "shapes/ShapeFile.h"

#include "core/AtomicFile.h"

#include <QFile>
#include <algorithm>

namespace shapes::shapefile {
namespace {

void putWord(QByteArray& out, quint32 w) {
    out.append(char((w >> 8) & 0xFF));
    out.append(char(w & 0xFF));
}

quint16 coordinate(double v) {
    // Truncated to whole units; the pad never has negative coordinates, a damaged
    // drawing is kept inside the word's range.
    return quint16(std::clamp(v, 0.0, 65535.0));
}

class WordReader {
public:
    explicit WordReader(const QByteArray& bytes) : bytes_(bytes) {}
    bool atEnd() const { return pos_ + 2 > bytes_.size(); }
    qsizetype wordsLeft() const { return (bytes_.size() - pos_) / 2; }
    qsizetype wordIndex() const { return pos_ / 2; }
    quint16 next() {
        const auto* d = reinterpret_cast<const uchar*>(bytes_.constData()) + pos_;
        pos_ += 2;
        return quint16((d[0] << 8) | d[1]);
    }

private:
    const QByteArray& bytes_;
    qsizetype pos_ = 0;
};

} // namespace

QByteArray write(const ShapeDrawing& drawing) {
    QByteArray out;
    for (const Stroke& stroke : drawing.strokes) {
        // A stroke longer than one record continues in the next from its last point.
        qsizetype start = 0;
        while (start < stroke.size()) {
            const qsizetype n = std::min<qsizetype>(MaxPointsPerRecord, stroke.size() - start);
            putWord(out, quint32(n));
            for (qsizetype i = start; i < start + n; ++i) {
                putWord(out, coordinate(stroke[i].x()));
                putWord(out, coordinate(stroke[i].y()));
            }
            start += n;
            if (start < stroke.size()) --start;
        }
    }
    if (drawing.bestMatch) {
        putWord(out, BestMatchTag);
        putWord(out, drawing.bestMatch);
    }
    if (drawing.mismatches) {
        const QString text = drawing.mismatches->left(0xFFFF);
        putWord(out, MismatchesTag);
        putWord(out, quint32(text.size()));
        for (QChar c : text) putWord(out, c.unicode());
    }
    if (drawing.background >= 33) {
        putWord(out, BackgroundTag);
        putWord(out, drawing.background >> 16);
        putWord(out, drawing.background & 0xFFFF);
    }
    putWord(out, EndWord);
    return out;
}

ShapeReadResult read(const QByteArray& bytes) {
    auto refuse = [](const QString& why) { return ShapeReadResult{std::nullopt, why}; };
    if (bytes.size() > MaxFileBytes) return refuse(QStringLiteral("too large for a shape file (%1 bytes)").arg(bytes.size()));
    if (bytes.size() % 2) return refuse(QStringLiteral("odd length (%1 bytes): not a sequence of 16-bit words").arg(bytes.size()));
    WordReader r(bytes);
    ShapeDrawing d;
    for (;;) {
        if (r.atEnd()) return refuse(QStringLiteral("truncated: no end mark after word %1").arg(r.wordIndex()));
        const qsizetype at = r.wordIndex();
        const quint16 word = r.next();
        if (word == EndWord) break;
        switch (word) {
        case BestMatchTag:
            if (r.wordsLeft() < 1) return refuse(QStringLiteral("truncated best match at word %1").arg(at));
            d.bestMatch = r.next();
            break;
        case MismatchesTag: {
            if (r.wordsLeft() < 1) return refuse(QStringLiteral("truncated mismatches at word %1").arg(at));
            const quint16 n = r.next();
            if (r.wordsLeft() < n)
                return refuse(QStringLiteral("mismatches at word %1 claim %2 units, %3 words left").arg(at).arg(n).arg(r.wordsLeft()));
            QString text;
            text.reserve(n);
            for (int i = 0; i < n; ++i) text.append(QChar(r.next()));
            d.mismatches = text;
            break;
        }
        case BackgroundTag: {
            if (r.wordsLeft() < 2) return refuse(QStringLiteral("truncated background character at word %1").arg(at));
            const quint32 hi = r.next();
            const char32_t c = char32_t((hi << 16) | r.next());
            if (c > 0x10FFFF) return refuse(QStringLiteral("background character %1 beyond Unicode").arg(quint32(c), 0, 16));
            d.background = c;
            break;
        }
        default: {
            if (word > MaxPointsPerRecord)
                return refuse(QStringLiteral("unknown record %1 at word %2").arg(word).arg(at));
            if (r.wordsLeft() < qsizetype(word) * 2)
                return refuse(QStringLiteral("stroke at word %1 claims %2 points, %3 words left").arg(at).arg(word).arg(r.wordsLeft()));
            Stroke s;
            s.reserve(word);
            for (int i = 0; i < word; ++i) {
                const quint16 x = r.next();
                const quint16 y = r.next();
                s.append(QPointF(x, y));
            }
            d.strokes.append(s);
        }
        }
    }
    return ShapeReadResult{d, QString()};
}

ShapeReadResult readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {std::nullopt, QStringLiteral("cannot open %1: %2").arg(path, f.errorString())};
    if (f.size() > MaxFileBytes) return {std::nullopt, QStringLiteral("%1: too large for a shape file").arg(path)};
    ShapeReadResult r = read(f.readAll());
    if (!r) r.error = QStringLiteral("%1: %2").arg(path, r.error);
    return r;
}

bool writeFile(const QString& path, const ShapeDrawing& drawing, QString* error) {
    return kx::writeFileAtomically(path, write(drawing), error);
}

} // namespace shapes::shapefile
