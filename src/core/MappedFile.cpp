#include "core/MappedFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx {

namespace {

MappedFile::Identity identityOfStat(const struct stat& st) {
    MappedFile::Identity id;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool failed(QString* error, const QString& path, int code) {
    if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

} // namespace

std::shared_ptr<const MappedFile> MappedFile::open(const QString& path, QString* error) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        failed(error, path, errno);
        return nullptr;
    }
    struct stat st {};
    const int statError = ::fstat(fd, &st) != 0 ? errno : (S_ISREG(st.st_mode) ? 0 : EINVAL);
    if (statError) {
        failed(error, path, statError);
        ::close(fd);
        return nullptr;
    }
    const Identity id = identityOfStat(st);
    const auto size = static_cast<std::size_t>(st.st_size);
    const void* data = nullptr;
    if (size > 0) {
        void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (p == MAP_FAILED) {
            failed(error, path, errno);
            ::close(fd);
            return nullptr;
        }
        data = p;
    }
    ::close(fd);  // the mapping keeps the file
    return std::shared_ptr<const MappedFile>(new MappedFile(data, size, id));
}

bool MappedFile::identityOf(const QString& path, Identity* identity) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (identity) *identity = identityOfStat(st);
    return true;
}

void MappedFile::releasePages() const {
    // The mapping is read-only: dropping its pages loses nothing.
    if (data_) ::madvise(const_cast<void*>(data_), size_, MADV_DONTNEED);
}

MappedFile::~MappedFile() {
    guard_.release();
    if (data_) ::munmap(const_cast<void*>(data_), size_);
}

} // namespace kx
