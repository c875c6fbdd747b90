// Upkeep of the user's layout files: sample layouts and info files installed from the
// bundle, updates of installed layouts, uniform line breaks.

#include "kxlib/RbxDefaults.h"
#include "core/AtomicFile.h"
#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutFileState.h"
#include "model/RbxLayoutRegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <optional>

namespace {

} // namespace

const QVariantMap& RbxLayoutRegistry::bundleLayoutUpdates() {
    auto& updates = layoutUpdates_;
    if (!updates) {
        updates = QVariantMap();
        const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Layout-Updates"), QStringLiteral("plist"));
        if (!path.isEmpty()) {
            const kx::plist::Result r = kx::plist::readFile(path);
            if (r.ok() && r.value.typeId() == QMetaType::QVariantMap)
                updates = r.value.toMap();
            else
                kx::log(QStringLiteral("could not read Layout-Updates.plist (%1)")
                            .arg(r.ok() ? QStringLiteral("not a dictionary") : r.error));
        }
    }
    return *updates;
}

namespace {

bool isOfferedFileName(const QString& name) { return !name.startsWith(u'.') && !name.startsWith(u'-'); }

QStringList plainFiles(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

namespace rbx::layouts {

std::optional<QString> readUtf8File(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(file.readAll());
    if (decoder.hasError()) {
        if (error) *error = QStringLiteral("not UTF-8 text");
        return std::nullopt;
    }
    return text;
}

} // namespace rbx::layouts

void RbxLayout::fillCustomLayoutFolder(const QString& folder) {
    const QString samples = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Layouts-Predefined"));
    if (!samples.isEmpty()) copySampleLayoutsFrom(samples, folder);
    const QString info = KXAppSupport::createDirectoryIfMissing(QDir(folder).filePath(QStringLiteral("Info")));
    const QString infoFiles = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Layouts-Info"));
    if (!info.isEmpty() && !infoFiles.isEmpty()) copyInfoFilesFrom(infoFiles, info);
}

void RbxLayout::copySampleLayoutsFrom(const QString& from, const QString& to) {
    RbxDefaults& settings = RbxLayoutRegistry::shared().settings();
    for (const QString& name : plainFiles(from)) {
        if (!name.endsWith(QLatin1String(".txt")) || !isOfferedFileName(name)) continue;
        const QString layoutName = QFileInfo(name).completeBaseName();
        const QString key = QStringLiteral("layout %1 installed").arg(layoutName);
        if (settings.boolForKey(key)) continue;
        const QString target = QDir(to).filePath(name);
        if (QFileInfo::exists(target)) {
            kx::log(QStringLiteral("sample layout %1 already exists").arg(layoutName));
        } else {
            QString error;
            if (!kx::copyFileAtomically(QDir(from).filePath(name), target, &error)) {
                kx::log(QStringLiteral("*** could not install sample layout %1 (%2)").arg(layoutName, error));
                continue;
            }
            kx::log(QStringLiteral("sample layout %1 installed").arg(layoutName));
        }
        settings.setBool(true, key);
    }
}

void RbxLayout::copyInfoFilesFrom(const QString& from, const QString& to) {
    for (const QString& name : plainFiles(from)) {
        if (!isOfferedFileName(name)) continue;
        const QString target = QDir(to).filePath(name);
        if (QFileInfo::exists(target)) continue;
        QString error;
        if (kx::copyFileAtomically(QDir(from).filePath(name), target, &error))
            kx::log(QStringLiteral("layout info file %1 installed").arg(name));
        else
            kx::log(QStringLiteral("*** could not install layout info file %1 (%2)").arg(name, error));
    }
}

void RbxLayout::updateCustomLayoutFiles() {
    const QString folder = KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts"));
    for (const QString& name : rbx::layouts::layoutFileNames(folder)) {
        const QString path = QDir(folder).filePath(name);
        QString error;
        const auto text = rbx::layouts::readUtf8File(path, &error);
        if (!text) {
            kx::log(QStringLiteral("** could not convert line breaks of layout %1 / %2").arg(name, error));
            continue;
        }
        QString converted = *text;
        converted.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        converted.replace(u'\r', u'\n');
        converted.replace(QLatin1String("\n"), QLatin1String("\r\n"));
        if (converted.size() <= text->size()) continue;
        if (!kx::writeFileAtomically(path, converted.toUtf8(), &error))
            kx::log(QStringLiteral("** could not convert line breaks of layout %1 / %2").arg(name, error));
    }
}

void RbxLayout::applyLayoutUpdates(const QString& path) {
    const QString layoutName = QFileInfo(path).completeBaseName();
    const QVariantList updates = RbxLayoutRegistry::shared().bundleLayoutUpdates().value(layoutName).toList();
    if (updates.isEmpty()) return;
    QString error;
    const auto text = rbx::layouts::readUtf8File(path, &error);
    if (!text) return;
    bool applied = false;
    const QString updated = applyUpdates(updates, *text, &applied);
    if (!applied) return;
    if (kx::writeFileAtomically(path, updated.toUtf8(), &error))
        kx::log(QStringLiteral("Updated layout %1 to new version.").arg(layoutName));
    else
        kx::log(QStringLiteral("** could not update layout %1 / %2").arg(layoutName, error));
}

QString RbxLayout::applyUpdates(const QVariantList& updates, const QString& text, bool* applied) {
    QString result = text;
    bool any = false;
    for (const QVariant& entry : updates) {
        const QStringList parts = entry.toStringList();
        if (parts.isEmpty() || parts.size() % 2 != 0) continue;
        bool all = true;
        for (qsizetype i = 0; i < parts.size() && all; i += 2)
            all = !parts[i].isEmpty() && result.contains(parts[i]);
        if (!all) continue;
        for (qsizetype i = 0; i < parts.size(); i += 2) result.replace(parts[i], parts[i + 1]);
        any = true;
    }
    if (applied) *applied = any;
    return result;
}
