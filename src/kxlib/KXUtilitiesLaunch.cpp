// How and from where this process was started.

#include "kxlib/KXUtilities.h"

#include "kxlib/KXLoginPrefs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

bool KXUtilities::isInstallationPath(const QString& executablePath, const QString& tempFolder) {
    const QString path = QDir::cleanPath(executablePath);
    if (path.contains(QLatin1String("/var/tmp/"))) return true;
    const QString temp = QDir::cleanPath(tempFolder);
    return !temp.isEmpty() && temp != u'/' && path.startsWith(temp + u'/');
}

bool KXUtilities::installationMode() {
    initialize();
    static const bool mode = [] {
        QString exe = QCoreApplication::applicationFilePath();
        if (exe.isEmpty()) return false;
        const QString canonical = QFileInfo(exe).canonicalFilePath();
        if (!canonical.isEmpty()) exe = canonical;
        const QString temp = QFileInfo(QDir::tempPath()).canonicalFilePath();
        return isInstallationPath(exe, temp.isEmpty() ? QDir::tempPath() : temp);
    }();
    return mode;
}

bool KXUtilities::wasLaunchedAsLoginItem() {
    initialize();
    static const bool launched = [] {
        const QByteArray name = KXLoginPrefs::launchMarkerVariable();
        const bool set = qgetenv(name.constData()) == "1";
        qunsetenv(name.constData());
        return set;
    }();
    return launched;
}
