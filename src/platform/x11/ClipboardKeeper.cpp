#include "platform/x11/ClipboardKeeper.h"

#include "core/AtomicFile.h"
#include "core/Log.h"
#include "platform/x11/X11Clipboard.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QIODevice>

namespace kx::x11 {

namespace {
constexpr quint32 Magic = 0x52424B31;  // "RBK1"
}

bool writeKeptClipboard(const QString& path, const QList<KeptType>& types, QString* error) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << Magic << quint32(types.size());
    for (const KeptType& t : types) out << t.type << t.data.dataType << qint32(t.data.format) << t.data.bytes;
    return kx::writeFileAtomically(path, bytes, error);
}

std::optional<QList<KeptType>> readKeptClipboard(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QDataStream in(&f);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, count = 0;
    in >> magic >> count;
    if (in.status() != QDataStream::Ok || magic != Magic) return std::nullopt;
    QList<KeptType> types;
    for (quint32 i = 0; i < count; ++i) {
        KeptType t;
        qint32 format = 8;
        in >> t.type >> t.data.dataType >> format >> t.data.bytes;
        if (in.status() != QDataStream::Ok || t.type.isEmpty()) return std::nullopt;
        t.data.format = (format == 16 || format == 32) ? format : 8;
        types << t;
    }
    return types;
}

int keepClipboard(const QString& path) {
    const std::optional<QList<KeptType>> kept = readKeptClipboard(path);
    QFile::remove(path);
    if (!kept || kept->isEmpty()) {
        kx::log(QStringLiteral("clipboard keeper: nothing to keep in %1").arg(path));
        return 1;
    }
    QStringList types;
    for (const KeptType& t : *kept) types << t.type;
    X11Clipboard clipboard;
    if (!clipboard.isAvailable()) return 1;
    const QList<KeptType> data = *kept;
    clipboard.declareTypes(types, [data](const QString& type) -> std::optional<ClipboardData> {
        for (const KeptType& t : data)
            if (t.type == type) return t.data;
        return std::nullopt;
    });
    if (!clipboard.ownsClipboard()) return 1;
    QObject::connect(&clipboard, &X11Clipboard::lostOwnership, QCoreApplication::instance(), &QCoreApplication::quit);
    return QCoreApplication::exec();
}

} // namespace kx::x11
