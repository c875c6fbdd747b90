#include "core/Bundle.h"

#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/PathInFolder.h"
#include "core/Plist.h"
#include "core/ProcessWide.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kx {

namespace {

QString executableFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

Bundle& Bundle::mainBundle() { return ProcessWide<Bundle>::get(); }

std::unique_ptr<Bundle> Bundle::makeDefault() { return std::make_unique<Bundle>(findResourcePath()); }

QString Bundle::findResourcePath() {
    const QString fromEnvironment = qEnvironmentVariable("RUNEBOX_RESOURCES");
    if (!fromEnvironment.isEmpty() && QFileInfo(fromEnvironment).isDir())
        return QDir(fromEnvironment).absolutePath();
    const QString installed = executableFolder() + QStringLiteral("/../share/runebox");
    if (QFileInfo(installed).isDir()) return QDir(installed).absolutePath();
    return QDir(QStringLiteral(RUNEBOX_SOURCE_RESOURCES)).absolutePath();
}

Bundle::Bundle(const QString& resourcePath) : resources_(resourcePath) {}

QString Bundle::pathForResource(const QString& name, const QString& type) const {
    if (name.isEmpty()) return QString();
    QString file = name;
    if (!type.isEmpty()) file += (type.startsWith(u'.') ? QString() : QStringLiteral(".")) + type;
    // Names come from settings and links too (a script of the per-application settings).
    const PathInFolder inside = pathInFolder(resources_, file);
    if (!inside) {
        log(QStringLiteral("*** resource refused: %1").arg(inside.refusal));
        return QString();
    }
    return QFileInfo::exists(inside.path) ? inside.path : QString();
}

QVariantMap Bundle::infoDictionary() const {
    QMutexLocker lock(&mutex_);
    if (!info_) {
        info_ = QVariantMap();
        const plist::Result r = plist::readFile(resources_ + QStringLiteral("/Info.plist"));
        if (!r.ok()) log(QStringLiteral("could not read Info.plist: %1").arg(r.error));
        else if (r.value.typeId() != QMetaType::QVariantMap) log(QStringLiteral("Info.plist is not a dictionary"));
        else info_ = r.value.toMap();
    }
    return *info_;
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) const { return infoDictionary().value(key); }

QString Bundle::infoString(const QString& key, const QString& fallback) const {
    const QVariant v = objectForInfoDictionaryKey(key);
    if (v.typeId() == QMetaType::QString && !v.toString().isEmpty()) return v.toString();
    return fallback;
}

QString Bundle::executableName() const {
    return infoString(QStringLiteral("CFBundleExecutable"), QStringLiteral("runebox"));
}
QString Bundle::bundleIdentifier() const {
    return infoString(QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.runebox.Runebox"));
}
QString Bundle::bundleName() const { return infoString(QStringLiteral("CFBundleName"), QStringLiteral("Runebox")); }
QString Bundle::shortVersionString() const {
    return infoString(QStringLiteral("CFBundleShortVersionString"), QString());
}
QString Bundle::bundleVersion() const { return infoString(QStringLiteral("CFBundleVersion"), QString()); }

int Bundle::buildNumber() const { return buildNumberInFile(resources_ + QStringLiteral("/build.nr")); }

int Bundle::buildNumberInFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return ns::intValue(QString::fromUtf8(file.read(64)));
}

} // namespace kx
