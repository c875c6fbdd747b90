#pragma once
// Fixture fonts (tests/data/fonts, written by tools/fonts/make-fixtures.py), a fake font
// backend holding them, and the fontTools oracle.

#include "common/TestEnvironment.h"
#include "core/ByteReader.h"
#include "common/FakeFontBackend.h"
#include "common/ScopedInstance.h"
#include "platform/fonts/Font.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

namespace fixtures {

inline QString path(const QString& name) { return rbxtest::testData(QStringLiteral("fonts/") + name); }

inline QByteArray bytes(const QString& name) {
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A fixture face made from its bytes, at 12 points.
inline rbx::Font font(const QString& name) {
    return rbx::Font(rbx::FontFace::fromData(bytes(name)), 12);
}

inline const QStringList& all() {
    static const QStringList names{
        QStringLiteral("RbxCmapTest-Regular.ttf"), QStringLiteral("RbxCmapLang-Regular.ttf"),
        QStringLiteral("RbxLigaFi-Regular.ttf"),   QStringLiteral("RbxLigaEdge-Regular.ttf"),
        QStringLiteral("RbxAlpha-Regular.ttf"),    QStringLiteral("RbxBeta-Regular.ttf"),
        QStringLiteral("RbxColor-Regular.ttf")};
    return names;
}

// Installs a fake backend with the given fixtures for the life of the object; the
// process's own backend (fontconfig) comes back afterwards.
class FakeFonts {
public:
    explicit FakeFonts(const QStringList& names = all()) : backend(new rbx::FakeFontBackend), installed_(std::shared_ptr<rbx::FontBackend>(backend)) {
        for (const QString& n : names) backend->addFontFile(path(n));
    }
    rbx::FakeFontBackend* backend;

private:
    rbxtest::ScopedInstance<rbx::FontBackend> installed_;
};

// fontTools under Debian's python, or an empty optional when it is missing.
inline bool fontToolsAvailable() {
    static const int ok = QProcess::execute(QStringLiteral("/usr/bin/python3"),
                                            {QStringLiteral("-c"), QStringLiteral("import fontTools")}) == 0;
    return ok;
}

inline QStringList oracle(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(RUNEBOX_SOURCE_DIR "/tools/fonts/fonttools-oracle.py")} + args);
    p.waitForFinished(120000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Big-endian byte building for hand-made tables.
struct Bytes {
    QByteArray data;
    Bytes& u8(unsigned v) { data.append(char(v & 0xFF)); return *this; }
    Bytes& u16(unsigned v) { kx::appendBig16(data, std::uint16_t(v)); return *this; }
    Bytes& u32(std::uint32_t v) { kx::appendBig32(data, v); return *this; }
    Bytes& raw(const QByteArray& b) { data.append(b); return *this; }
    int size() const { return int(data.size()); }
    void put16(int at, unsigned v) { data[at] = char((v >> 8) & 0xFF); data[at + 1] = char(v & 0xFF); }
    void put32(int at, std::uint32_t v) { put16(at, v >> 16); put16(at + 2, v & 0xFFFF); }
};

} // namespace fixtures
