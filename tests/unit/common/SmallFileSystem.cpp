#include "common/SmallFileSystem.h"

#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace rbxtest {

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// A private mount namespace for this thread (and the programs it starts), made once.
QString enterPrivateMountNamespace() {
    static QString failure = [] {
        if (::unshare(CLONE_NEWNS) != 0) return systemError("cannot make a mount namespace (unshare)");
        // Mounts made here must not spread back to the machine's namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return systemError("cannot make the mounts private");
        return QString();
    }();
    return failure;
}

QString fillerPath(const QString& folder) { return folder + QStringLiteral("/.filler"); }

} // namespace

SmallFileSystem::SmallFileSystem(const QString& at, qint64 bytes) {
    const QString base = privateHome().isEmpty() ? QDir::tempPath() : privateHome();
    path_ = !at.isEmpty() ? at : base + QStringLiteral("/small-fs-") + QUuid::createUuid().toString(QUuid::Id128).left(8);
    made_ = !QFileInfo::exists(path_);
    QDir().mkpath(path_);
    reason_ = enterPrivateMountNamespace();
    if (!reason_.isEmpty()) {
        reason_ = QStringLiteral("this machine cannot mount a small file system for the test (%1)").arg(reason_);
        return;
    }
    const QByteArray options = QByteArrayLiteral("size=") + QByteArray::number(bytes) + QByteArrayLiteral(",mode=0755");
    if (::mount("runebox-test", QFile::encodeName(path_).constData(), "tmpfs", 0, options.constData()) != 0) {
        reason_ = QStringLiteral("this machine cannot mount a small file system for the test (%1)")
                      .arg(systemError("mount tmpfs"));
        return;
    }
    mounted_ = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (mounted_) ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    if (made_) QDir().rmdir(path_);
}

bool SmallFileSystem::fill() {
    if (!mounted_) return false;
    const int fd = ::open(QFile::encodeName(fillerPath(path_)).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return !hasRoom();
    static const QByteArray block(4096, 'x');
    for (int size = block.size(); size > 0;) {
        const ssize_t n = ::write(fd, block.constData(), std::size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) size /= 2;  // the last pages, then the last bytes
    }
    ::close(fd);
    return !hasRoom();
}

void SmallFileSystem::free() { QFile::remove(fillerPath(path_)); }

bool SmallFileSystem::hasRoom() const {
    const QByteArray probe = QFile::encodeName(path_ + QStringLiteral("/.probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const bool wrote = ::write(fd, "x", 1) == 1;
    ::close(fd);
    ::unlink(probe.constData());
    return wrote;
}

} // namespace rbxtest
