#include "app/FontDrop.h"

#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "model/FontExtensions.h"
#include "model/RbxActivationSet.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

bool FontDrop::enter(const QMimeData* data) {
    paths_.clear();
    if (!data || !settings_.boolForKey(rbx::key::dropFont) || !data->hasUrls()) return false;
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        files << url.toLocalFile();
        checkFontFile(url.toLocalFile(), MaxNesting, paths_);
    }
    if (paths_.isEmpty() && !files.isEmpty())
        kx::log(QStringLiteral("drop refused: no font files in %1").arg(files.join(QStringLiteral(", "))));
    return accepted();
}

std::shared_ptr<RbxActivationSet> FontDrop::perform() {
    const QStringList paths = std::exchange(paths_, {});
    if (paths.isEmpty() || !settings_.boolForKey(rbx::key::dropFont)) return nullptr;
    auto set = RbxActivationSet::activationSetWithFontPaths(paths);
    if (!set) kx::log(QStringLiteral("no font could be activated from the dropped files %1").arg(paths.join(QStringLiteral(", "))));
    return set;
}

void FontDrop::checkFontFile(const QString& path, int maxNesting, QStringList& into) {
    if (into.size() >= MaxPaths) return;
    const QFileInfo info(path);
    if (!info.exists()) return;
    if (info.isDir() && maxNesting >= 1) {
        const QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        for (const QString& entry : entries) {
            if (entry.startsWith(QLatin1Char('.'))) continue;
            kx::log(QStringLiteral("element: %1").arg(entry));
            checkFontFile(QDir(path).filePath(entry), maxNesting - 1, into);
        }
        return;
    }
    if (info.isFile() && rbx::font::isFontFileAtPath(path)) into << path;
}
