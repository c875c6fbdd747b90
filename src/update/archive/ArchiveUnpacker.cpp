#include "update/archive/ArchiveUnpacker.h"

#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace update {

namespace {

struct ReaderFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
using Reader = std::unique_ptr<archive, ReaderFree>;
using Opener = std::function<int(archive*)>;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

Unpacked damaged(archive* a) {
    return {Unpacked::Damaged, QStringLiteral("damaged archive: %1").arg(QString::fromLocal8Bit(archive_error_string(a)))};
}
Unpacked refused(const QString& reason) { return {Unpacked::Refused, reason}; }
Unpacked systemError(const QString& what, const QByteArray& name) {
    return {Unpacked::Damaged, QStringLiteral("%1 %2: %3").arg(what, QString::fromUtf8(name), QString::fromLocal8Bit(std::strerror(errno)))};
}

Reader openReader(const Opener& open) {
    Reader reader(archive_read_new());
    if (!reader) return reader;
    archive_read_support_format_zip(reader.get());
    if (open(reader.get()) != ARCHIVE_OK) return Reader();
    return reader;
}

// The entry's name in UTF-8 (libarchive converts it from the archive's encoding).
QByteArray entryName(archive_entry* entry) {
    const char* name = archive_entry_pathname_utf8(entry);
    return QByteArray(name ? name : "");
}

// The parts of an entry's name; none when the name would leave the folder, exceeds the
// depth, or is not text (not UTF-8, control characters: such a file could not be named
// again to remove it) (`why` says which).
std::vector<QByteArray> nameParts(const QByteArray& raw, int maxDepth, QString* why) {
    std::vector<QByteArray> parts;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(raw);
    if (utf8.hasError() || std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; })) {
        *why = QStringLiteral("entry name that is not text: %1").arg(QString::fromLatin1(raw.toPercentEncoding("/")));
        return {};
    }
    if (raw.isEmpty() || raw.startsWith('/')) {
        *why = QStringLiteral("entry outside the folder: \"%1\"").arg(text);
        return {};
    }
    for (const QByteArray& part : raw.split('/')) {
        if (part.isEmpty() || part == ".") continue;
        if (part == "..") {
            *why = QStringLiteral("entry outside the folder: %1").arg(text);
            return {};
        }
        parts.push_back(part);
    }
    if (parts.empty()) *why = QStringLiteral("entry without a name: \"%1\"").arg(text);
    else if (int(parts.size()) > maxDepth) *why = QStringLiteral("entry too deep: %1").arg(text);
    else return parts;
    return {};
}

// The first pass: every header, nothing written.
Unpacked checkEntries(archive* a, const UnpackBudget& budget) {
    archive_entry* entry = nullptr;
    int entries = 0;
    qint64 declared = 0;
    for (;;) {
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return damaged(a);
        if (++entries > budget.maxEntries) return refused(QStringLiteral("more than %1 entries").arg(budget.maxEntries));
        QString why;
        if (nameParts(entryName(entry), budget.maxDepth, &why).empty()) return refused(why);
        const auto type = archive_entry_filetype(entry);
        if (archive_entry_hardlink(entry) || (type != AE_IFREG && type != AE_IFDIR))
            return refused(QStringLiteral("neither a file nor a folder: %1").arg(QString::fromUtf8(entryName(entry))));
        if (archive_entry_size_is_set(entry)) {
            const qint64 size = archive_entry_size(entry);
            if (size < 0 || size > budget.maxBytes - declared)
                return refused(QStringLiteral("more than %1 bytes unpacked").arg(budget.maxBytes));
            declared += size;
        }
        if (archive_read_data_skip(a) != ARCHIVE_OK) return damaged(a);
    }
    if (entries == 0) return {Unpacked::Damaged, QStringLiteral("empty archive")};
    return {};
}

// Opens the folder of the given parts below `root`, making what is missing, following
// no link.
int openFolder(int root, const std::vector<QByteArray>& parts, std::size_t count) {
    Fd fd(::dup(root));
    for (std::size_t i = 0; i < count && fd.get() >= 0; ++i) {
        if (::mkdirat(fd.get(), parts[i].constData(), 0755) != 0 && errno != EEXIST) return -1;
        fd.reset(::openat(fd.get(), parts[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    return fd.release();
}

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= n;
    }
    return true;
}

// The second pass: the entries written, the bytes counted.
Unpacked writeEntries(archive* a, int root, const UnpackBudget& budget, const std::atomic<bool>* cancel) {
    archive_entry* entry = nullptr;
    qint64 written = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        if (cancel && *cancel) return {Unpacked::Cancelled, QStringLiteral("cancelled")};
        const int r = archive_read_next_header(a, &entry);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return damaged(a);
        QString why;
        const QByteArray name = entryName(entry);
        const std::vector<QByteArray> parts = nameParts(name, budget.maxDepth, &why);
        const auto type = archive_entry_filetype(entry);
        // The archive was read once already: one that changed since is refused.
        if (parts.empty() || archive_entry_hardlink(entry) || (type != AE_IFREG && type != AE_IFDIR))
            return refused(why.isEmpty() ? QStringLiteral("the archive changed while it was unpacked") : why);
        const bool folder = type == AE_IFDIR;
        const Fd parent(openFolder(root, parts, folder ? parts.size() : parts.size() - 1));
        if (parent.get() < 0) return systemError(QStringLiteral("cannot make the folder of"), name);
        if (folder) continue;
        const mode_t mode = (archive_entry_perm(entry) & 0755) | 0600;
        const Fd out(::openat(parent.get(), parts.back().constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (out.get() < 0) return systemError(QStringLiteral("cannot write"), name);
        for (;;) {
            if (cancel && *cancel) return {Unpacked::Cancelled, QStringLiteral("cancelled")};
            const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
            if (n == 0) break;
            if (n < 0) return damaged(a);
            if (n > budget.maxBytes - written) return refused(QStringLiteral("more than %1 bytes unpacked").arg(budget.maxBytes));
            written += n;
            if (!writeAll(out.get(), buffer.data(), n)) return systemError(QStringLiteral("cannot write"), name);
        }
        if (::fchmod(out.get(), mode) != 0) return systemError(QStringLiteral("cannot write"), name);
    }
    return {};
}

Unpacked unpack(const Opener& open, const QString& into, const UnpackBudget& budget, const std::atomic<bool>* cancel) {
    {
        const Reader reader = openReader(open);
        if (!reader) return {Unpacked::Damaged, QStringLiteral("not a readable zip archive")};
        if (Unpacked checked = checkEntries(reader.get(), budget); checked.outcome != Unpacked::Done) return checked;
    }
    const Fd root(::open(QFile::encodeName(into).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (root.get() < 0) return systemError(QStringLiteral("cannot open"), QFile::encodeName(into));
    const Reader reader = openReader(open);
    if (!reader) return {Unpacked::Damaged, QStringLiteral("not a readable zip archive")};
    return writeEntries(reader.get(), root.get(), budget, cancel);
}

} // namespace

UnpackBudget unpackBudgetFor(qint64 archiveBytes) {
    const qint64 bytes = archiveBytes > MaxUnpackedBytes / MaxUnpackedSizeFactor ? MaxUnpackedBytes
                                                                                  : std::max<qint64>(archiveBytes, 0) * MaxUnpackedSizeFactor;
    return {bytes, MaxArchiveEntries, MaxEntryDepth};
}

Unpacked unpackArchive(const QString& archive, const QString& into, const UnpackBudget& budget, const std::atomic<bool>* cancel) {
    const QByteArray path = QFile::encodeName(archive);
    return unpack([&](struct archive* a) { return archive_read_open_filename(a, path.constData(), 1 << 16); }, into, budget,
                  cancel);
}

Unpacked unpackArchiveData(QByteArrayView data, const QString& into, const UnpackBudget& budget) {
    return unpack([&](struct archive* a) { return archive_read_open_memory(a, data.data(), std::size_t(data.size())); },
                  into, budget, nullptr);
}

} // namespace update
