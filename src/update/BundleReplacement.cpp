#include "update/BundleReplacement.h"

#include "core/Log.h"
#include "core/Plist.h"
#include "kxlib/KXUtilities.h"
#include "update/UnpackedBundle.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace update {

namespace {

QByteArray encoded(const QString& path) { return QFile::encodeName(path); }

QString systemError(const QString& what, const QString& path) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

// Copies one regular file with its permission bits and writes it to the disk.
QString copyFile(const QString& from, const QString& to, mode_t mode) {
    const int in = ::open(encoded(from).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return systemError(QStringLiteral("cannot read"), from);
    const int out = ::open(encoded(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode & 07777);
    if (out < 0) {
        const QString e = systemError(QStringLiteral("cannot write"), to);
        ::close(in);
        return e;
    }
    QString error;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = systemError(QStringLiteral("cannot read"), from);
            break;
        }
        for (ssize_t done = 0; done < n && error.isEmpty();) {
            const ssize_t w = ::write(out, buffer + done, size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) error = systemError(QStringLiteral("cannot write"), to);
            else done += w;
        }
        if (!error.isEmpty()) break;
    }
    if (error.isEmpty() && (::fchmod(out, mode & 07777) != 0 || ::fsync(out) != 0))
        error = systemError(QStringLiteral("cannot write"), to);
    ::close(in);
    if (::close(out) != 0 && error.isEmpty()) error = systemError(QStringLiteral("cannot write"), to);
    return error;
}

// Copies the tree under `from` into the existing folder `to`.
QString copyTree(const QString& from, const QString& to) {
    QDir dir(from);
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString source = from + u'/' + name;
        const QString target = to + u'/' + name;
        struct stat st{};
        if (::lstat(encoded(source).constData(), &st) != 0) return systemError(QStringLiteral("cannot read"), source);
        QString error;
        if (S_ISDIR(st.st_mode)) {
            if (::mkdir(encoded(target).constData(), 0700) != 0) return systemError(QStringLiteral("cannot make"), target);
            error = copyTree(source, target);
            if (error.isEmpty() && ::chmod(encoded(target).constData(), st.st_mode & 07777) != 0)
                error = systemError(QStringLiteral("cannot make"), target);
        } else if (S_ISREG(st.st_mode)) {
            error = copyFile(source, target, st.st_mode);
        } else {
            error = QStringLiteral("not a file or folder: %1").arg(source);
        }
        if (!error.isEmpty()) return error;
    }
    return {};
}

// A fresh folder "<parent>/.<name>-<what>-XXXXXX".
QString siblingFolder(const QString& target, const char* what) {
    const QFileInfo info(target);
    QByteArray pattern = encoded(info.path() + QStringLiteral("/.") + info.fileName() + u'-' +
                                 QLatin1String(what) + QStringLiteral("-XXXXXX"));
    if (!::mkdtemp(pattern.data())) return {};
    return QFile::decodeName(pattern);
}

bool exchange(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, encoded(a).constData(), AT_FDCWD, encoded(b).constData(), RENAME_EXCHANGE) == 0;
}

// Puts `fresh` in the place of `target`; afterwards `fresh` names the old copy.
QString swapIn(const QString& fresh, const QString& target) {
    if (exchange(fresh, target)) return {};
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return systemError(QStringLiteral("cannot replace"), target);
    // Two steps: the old copy into an empty folder of its own, the new one in its place.
    const QString old = siblingFolder(target, "old");
    if (old.isEmpty()) return systemError(QStringLiteral("cannot make a folder beside"), target);
    if (::rename(encoded(target).constData(), encoded(old).constData()) != 0) {
        const QString e = systemError(QStringLiteral("cannot replace"), target);
        ::rmdir(encoded(old).constData());
        return e;
    }
    if (::rename(encoded(fresh).constData(), encoded(target).constData()) != 0) {
        const QString e = systemError(QStringLiteral("cannot replace"), target);
        ::rename(encoded(old).constData(), encoded(target).constData());
        return e;
    }
    ::rename(encoded(old).constData(), encoded(fresh).constData());
    return {};
}

} // namespace

QString checkReplaceableInstallation(const QString& location) {
    const QString clean = QDir::cleanPath(location);
    const QFileInfo info(clean);
    if (!info.fileName().endsWith(QLatin1String(".app")) || info.fileName() == QLatin1String(".app"))
        return QStringLiteral("%1 is not a folder of its own (<Name>.app)").arg(clean);
    struct stat st{};
    if (::lstat(encoded(clean).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return QStringLiteral("no folder %1").arg(clean);
    const QVariantMap plist = kx::plist::readFile(clean + QStringLiteral("/share/runebox/Info.plist")).value.toMap();
    if (plist.value(QStringLiteral("CFBundleExecutable")).toString() != KXUtilities::applicationName())
        return QStringLiteral("%1 is not an installation of %2").arg(clean, KXUtilities::applicationName());
    return {};
}

QString replaceBundle(const QString& source, const QString& target, const QString& expectedVersion) {
    if (QString problem = checkUnpackedBundle(source, expectedVersion); !problem.isEmpty()) return problem;
    if (QString problem = checkReplaceableInstallation(target); !problem.isEmpty()) return problem;
    const QString fresh = siblingFolder(target, "new");
    if (fresh.isEmpty()) return systemError(QStringLiteral("cannot make a folder beside"), target);
    QString error = copyTree(source, fresh);
    if (error.isEmpty()) {
        struct stat st{};
        if (::stat(encoded(source).constData(), &st) != 0 || ::chmod(encoded(fresh).constData(), st.st_mode & 07777) != 0)
            error = systemError(QStringLiteral("cannot make"), fresh);
    }
    if (error.isEmpty()) error = checkUnpackedBundle(fresh, expectedVersion);
    if (error.isEmpty()) error = swapIn(fresh, target);
    // On success `fresh` holds the old copy now, on failure the unfinished new one.
    if (!QDir(fresh).removeRecursively()) kx::log(QStringLiteral("could not remove %1").arg(fresh));
    if (error.isEmpty()) kx::log(QStringLiteral("replaced %1 by %2").arg(target, source));
    return error;
}

} // namespace update
