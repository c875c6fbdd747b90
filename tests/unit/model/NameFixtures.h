#pragma once
// A scratch bundle folder and clean name state for the character-name tests.

#include "common/TestEnvironment.h"
#include "kxlib/core/Bundle.h"
#include "kxlib/core/KXAppSupport.h"
#include "model/RbxCharacterName.h"
#include "model/RbxHTML.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <zlib.h>

namespace namefix {

// A names file: the stated size (the real one unless given) and the zlib stream.
inline QByteArray namesFile(const QByteArray& expanded, qint64 statedSize = -1) {
    uLongf len = compressBound(static_cast<uLong>(expanded.size()));
    QByteArray z(static_cast<qsizetype>(len), '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(expanded.constData()),
             static_cast<uLong>(expanded.size()));
    z.resize(static_cast<qsizetype>(len));
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(statedSize < 0 ? expanded.size() : statedSize), out.data());
    return out + z;
}

// One expanded record.
inline QByteArray record(int code, char letter, const QByteArray& name) {
    return QByteArray::number(code) + letter + name + '\0';
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

inline void clearSupportFolder() {
    QDir(KXAppSupport::supportFolderPath()).removeRecursively();
}

// While alive: the bundle is a scratch folder, the support folder is empty and the
// name state is fresh.
class ScratchBundle {
public:
    ScratchBundle() : old_(qgetenv("RUNEBOX_RESOURCES")) {
        QFile::copy(QString::fromUtf8(old_) + QStringLiteral("/Info.plist"), path(QStringLiteral("Info.plist")));
        qputenv("RUNEBOX_RESOURCES", dir_.path().toUtf8());
        reset();
    }
    ~ScratchBundle() {
        qputenv("RUNEBOX_RESOURCES", old_);
        reset();
    }
    QString path(const QString& name) const { return dir_.path() + u'/' + name; }
    void write(const QString& name, const QByteArray& bytes) const { writeFile(path(name), bytes); }
    void writeNames(const QByteArray& expanded) const { write(QStringLiteral("UnicodeNames.data"), namesFile(expanded)); }

private:
    static void reset() {
        kx::Bundle::resetForTesting();
        RbxCharacterName::resetForTesting();
        RbxHTML::resetForTesting();
        clearSupportFolder();
    }
    QTemporaryDir dir_;
    QByteArray old_;
};

inline QString supportFile(const QString& relative) {
    return KXAppSupport::supportFolderPath() + u'/' + relative;
}

} // namespace namefix
