#pragma once
// A small writer of binary property lists for damaged, hostile and foreign inputs:
// objects are given as raw bytes, references as one byte.

#include <QByteArray>
#include <initializer_list>
#include <vector>

namespace rbxtest {

inline QByteArray binaryPlist(const std::vector<QByteArray>& objects, quint64 top = 0, quint64 countOverride = 0,
                              quint64 tableOverride = 0) {
    QByteArray out = "bplist00";
    std::vector<quint64> offsets;
    for (const QByteArray& o : objects) {
        offsets.push_back(quint64(out.size()));
        out += o;
    }
    const quint64 table = quint64(out.size());
    for (quint64 off : offsets) out += char(off);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;  // offset size
    trailer[7] = 1;  // reference size
    auto put64 = [&](int at, quint64 v) {
        for (int k = 7; k >= 0; --k) {
            trailer[at + k] = char(v & 0xFF);
            v >>= 8;
        }
    };
    put64(8, countOverride ? countOverride : objects.size());
    put64(16, top);
    put64(24, tableOverride ? tableOverride : table);
    return out + trailer;
}

inline QByteArray bytes(std::initializer_list<int> list) {
    QByteArray b;
    for (int v : list) b += char(v);
    return b;
}

// An ASCII string object (under 15 bytes).
inline QByteArray asciiObject(const QByteArray& text) { return char(0x50 | text.size()) + text; }

} // namespace rbxtest
