// The machine, dates, file systems and the parent process.

#include "kxlib/KXUtilities.h"

#include "kxlib/KXProcess.h"
#include "core/Log.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QStorageInfo>

#include <cerrno>
#include <sys/statfs.h>
#include <unistd.h>

namespace {

QByteArray readSmallFile(const char* path) {
    QFile f(QString::fromLatin1(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(256);
}

// Printable text of a firmware string: up to the first NUL, trimmed.
QString cleaned(const QByteArray& bytes) {
    const qsizetype nul = bytes.indexOf('\0');
    return QString::fromUtf8(nul >= 0 ? bytes.left(nul) : bytes).trimmed();
}

} // namespace

QString KXUtilities::computerModelFrom(const QByteArray& dmiProductName, const QByteArray& deviceTreeModel) {
    const QString product = cleaned(dmiProductName);
    if (!product.isEmpty()) return product;
    return cleaned(deviceTreeModel);
}

QString KXUtilities::computerModel() {
    initialize();
    static const QString model = computerModelFrom(readSmallFile("/sys/devices/virtual/dmi/id/product_name"),
                                                   readSmallFile("/proc/device-tree/model"));
    return model;
}

QString KXUtilities::localizedDateString(const QString& isoDate) {
    // Exactly "YYYY-MM-DD"; the calendar date itself is shown, so that no time zone
    // moves it to the day before.
    if (isoDate.size() != 10) return {};
    const QDate date = QDate::fromString(isoDate, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid()) return {};
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString KXUtilities::fileSystemTypeFor(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct statfs info {};
    if (path.isEmpty() || ::statfs(native.constData(), &info) != 0) {
        const int err = path.isEmpty() ? ENOENT : errno;
        kx::log(QStringLiteral("FS Info %1").arg(path));
        kx::log(QStringLiteral("statfs err = %1").arg(err));
        return {};
    }
    const QStorageInfo storage(path);
    return storage.isValid() ? QString::fromUtf8(storage.fileSystemType()) : QString();
}

bool KXUtilities::wasLaunchedByProcess(quint32 signature) {
    const KXProcess::Ptr parent = KXProcess::processWithPID(int(::getppid()));
    return parent && parent->signature() == signature;
}
