// The unpacker on any bytes as an archive, each unpacked into a fresh folder within a
// small budget. Whatever the archive, nothing appears beside that folder and the files
// in it stay within the budget; the folder is removed afterwards.
#include "update/archive/ArchiveUnpacker.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString root;

qint64 bytesBelow(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) total += QFileInfo(it.next()).size();
    return total;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    root = QDir::tempPath() + QStringLiteral("/fuzz-archive-unpacker-%1").arg(::getpid());
    if (!QDir().mkpath(root + QStringLiteral("/a/b"))) std::abort();
    std::atexit([] { QDir(root).removeRecursively(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString into = root + QStringLiteral("/a/b/into");
    if (!QDir().mkpath(into)) std::abort();
    const update::UnpackBudget budget{qint64(1) << 20, 64, 8};
    update::unpackArchiveData(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), into, budget);
    const QStringList beside = QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) +
                               QDir(root + QStringLiteral("/a")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) +
                               QDir(root + QStringLiteral("/a/b")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    if (beside != QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("into")}) std::abort();
    if (bytesBelow(into) > budget.maxBytes) std::abort();
    if (!QDir(into).removeRecursively()) std::abort();
    return 0;
}
