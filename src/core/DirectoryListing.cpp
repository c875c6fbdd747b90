#include "core/DirectoryListing.h"

#include "core/FoundationValues.h"

#include <QDir>
#include <QFileInfo>

namespace kx::ns {

namespace {

void list(const QString& root, const QString& relative, bool recurse, int depth, QString& out) {
    if (depth > 64) return;
    const QDir dir(relative.isEmpty() ? root : root + u'/' + relative);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries) {
        const QString rel = relative.isEmpty() ? info.fileName() : relative + u'/' + info.fileName();
        const bool folder = info.isDir() && !info.isSymLink();
        if (folder && !recurse) continue;
        out += QStringLiteral("%1 / %2 / %3\n")
                   .arg(rel, QString::number(info.size()), dateDescription(info.lastModified()));
        if (folder) list(root, rel, recurse, depth + 1, out);
    }
}

} // namespace

QString descriptionOfDirectoryContentsAtPath(const QString& path, bool withSubDirectories) {
    QString out;
    if (QFileInfo(path).isDir()) list(path, QString(), withSubDirectories, 0, out);
    return out;
}

} // namespace kx::ns
