#include "core/Bundle.h"

#include "core/Log.h"
#include "core/Plist.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace kx {

namespace {

struct BundleState {
    QMutex mutex;
    bool haveResources = false;
    QString resources;
    bool haveInfo = false;
    QVariantMap info;
};

BundleState& state() {
    static BundleState s;
    return s;
}

QString executableFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

QString findResources() {
    const QString fromEnvironment = qEnvironmentVariable("RUNEBOX_RESOURCES");
    if (!fromEnvironment.isEmpty() && QFileInfo(fromEnvironment).isDir())
        return QDir(fromEnvironment).absolutePath();
    const QString installed = executableFolder() + QStringLiteral("/../share/runebox");
    if (QFileInfo(installed).isDir()) return QDir(installed).absolutePath();
    return QDir(QStringLiteral(RUNEBOX_SOURCE_RESOURCES)).absolutePath();
}

QString infoString(const QString& key, const QString& fallback) {
    const QVariant v = Bundle::objectForInfoDictionaryKey(key);
    if (v.typeId() == QMetaType::QString && !v.toString().isEmpty()) return v.toString();
    return fallback;
}

} // namespace

QString Bundle::resourcePath() {
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.haveResources) {
        s.resources = findResources();
        s.haveResources = true;
    }
    return s.resources;
}

QString Bundle::pathForResource(const QString& name, const QString& type) {
    if (name.isEmpty()) return QString();
    QString file = name;
    if (!type.isEmpty()) file += (type.startsWith(u'.') ? QString() : QStringLiteral(".")) + type;
    const QString path = resourcePath() + u'/' + file;
    return QFileInfo::exists(path) ? path : QString();
}

QVariantMap Bundle::infoDictionary() {
    const QString root = resourcePath();
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    if (!s.haveInfo) {
        s.haveInfo = true;
        const plist::Result r = plist::readFile(root + QStringLiteral("/Info.plist"));
        if (!r.ok()) log(QStringLiteral("could not read Info.plist: %1").arg(r.error));
        else if (r.value.typeId() != QMetaType::QVariantMap) log(QStringLiteral("Info.plist is not a dictionary"));
        else s.info = r.value.toMap();
    }
    return s.info;
}

QVariant Bundle::objectForInfoDictionaryKey(const QString& key) { return infoDictionary().value(key); }

QString Bundle::executableName() { return infoString(QStringLiteral("CFBundleExecutable"), QStringLiteral("runebox")); }
QString Bundle::bundleIdentifier() {
    return infoString(QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.runebox.Runebox"));
}
QString Bundle::bundleName() { return infoString(QStringLiteral("CFBundleName"), QStringLiteral("Runebox")); }
QString Bundle::shortVersionString() { return infoString(QStringLiteral("CFBundleShortVersionString"), QString()); }
QString Bundle::bundleVersion() { return infoString(QStringLiteral("CFBundleVersion"), QString()); }

void Bundle::resetForTesting() {
    BundleState& s = state();
    QMutexLocker lock(&s.mutex);
    s.haveResources = false;
    s.haveInfo = false;
    s.info.clear();
    s.resources.clear();
}

} // namespace kx
