#include "core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

QString reason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Syncs a folder so that a rename in it lasts; failures (a file system that cannot
// sync folders) do not undo the rename and are not reported.
void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

namespace {
// A link is followed: the file it names is replaced, the link stays.
QString resolvedPath(const QString& path) {
    QFileInfo info(path);
    for (int depth = 0; depth < 16 && info.isSymLink(); ++depth) info = QFileInfo(info.symLinkTarget());
    return info.absoluteFilePath();
}
} // namespace

AtomicFile::AtomicFile(const QString& path) : path_(resolvedPath(path)) {}

AtomicFile::~AtomicFile() { cancel(); }

bool AtomicFile::fail(const QString& step, int error) {
    error_ = QStringLiteral("cannot write %1: %2 (%3)").arg(path_, reason(error), step);
    failed_ = true;
    cancel();
    return false;
}

bool AtomicFile::open() {
    cancel();
    failed_ = false;
    error_.clear();
    const QFileInfo info(path_);
    if (info.isDir()) return fail(QStringLiteral("it is a folder"), EISDIR);
    const QString folder = info.absolutePath();
    // Hidden, beside the file (the same file system, so the rename is atomic), and never
    // an existing name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate = QStringLiteral("%1/.%2.%3.tmp")
                                      .arg(folder, info.fileName())
                                      .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QByteArray name = QFile::encodeName(candidate);
        fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            temporary_ = candidate;
            break;
        }
        if (errno != EEXIST) return fail(QStringLiteral("making a temporary file"), errno);
    }
    if (fd_ < 0) return fail(QStringLiteral("making a temporary file"), EEXIST);
    // The file being replaced keeps its permissions.
    struct stat old {};
    if (::stat(QFile::encodeName(path_).constData(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd_, old.st_mode & 07777);
    return true;
}

int AtomicFile::removeLeftTemporaryFiles(const QString& path) {
    const QFileInfo info(path);
    const QDir folder(info.absolutePath());
    int removed = 0;
    // The names open() makes: "." + the file's name + "." + 8 hex digits + ".tmp".
    for (const QString& name : folder.entryList({QStringLiteral(".%1.????????.tmp").arg(info.fileName())},
                                                QDir::Files | QDir::Hidden | QDir::System))
        if (QFile::remove(folder.filePath(name))) ++removed;
    return removed;
}

bool AtomicFile::write(const char* data, qsizetype size) {
    if (fd_ < 0) return failed_ ? false : fail(QStringLiteral("not open"), EBADF);
    const char* p = data;
    qsizetype left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd_, p, std::size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(QStringLiteral("writing"), errno);
        }
        if (n == 0) return fail(QStringLiteral("writing"), ENOSPC);
        p += n;
        left -= n;
    }
    return true;
}

bool AtomicFile::commit() {
    if (fd_ < 0) return failed_ ? false : fail(QStringLiteral("not open"), EBADF);
    // Data the file system has only promised (delayed allocation, network and
    // compressed file systems) is checked here, before anything is replaced.
    if (::fsync(fd_) != 0) return fail(QStringLiteral("syncing"), errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(QFile::encodeName(temporary_).constData());
        temporary_.clear();
        return fail(QStringLiteral("closing"), e);
    }
    const QByteArray from = QFile::encodeName(temporary_), to = QFile::encodeName(path_);
    if (::rename(from.constData(), to.constData()) != 0) {
        const int e = errno;
        ::unlink(from.constData());
        temporary_.clear();
        return fail(QStringLiteral("replacing the file"), e);
    }
    temporary_.clear();
    syncFolder(QFile::encodeName(QFileInfo(path_).absolutePath()));
    return true;
}

void AtomicFile::cancel() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(QFile::encodeName(temporary_).constData());
        temporary_.clear();
    }
}

bool copyFileAtomically(const QString& from, const QString& to, QString* error) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("cannot read %1: %2").arg(from, source.errorString());
        return false;
    }
    AtomicFile file(to);
    bool ok = file.open();
    while (ok && !source.atEnd()) {
        const QByteArray chunk = source.read(256 * 1024);
        if (chunk.isEmpty() && source.error() != QFileDevice::NoError) {
            if (error) *error = QStringLiteral("cannot read %1: %2").arg(from, source.errorString());
            return false;
        }
        ok = file.write(chunk);
    }
    ok = ok && file.commit();
    if (!ok && error) *error = file.errorString();
    return ok;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    AtomicFile file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error) *error = file.errorString();
    return ok;
}

} // namespace kx
