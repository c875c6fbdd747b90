#pragma once
// The application bundle: the folder of its data files and its information
// dictionary (Info.plist).
//
// The data folder is, in this order: $RUNEBOX_RESOURCES; <folder of the executable>/
// ../share/runebox (an installed copy); the source tree's resources/ folder (a build
// tree). It is looked up once per process.

#include <QString>
#include <QVariant>

namespace kx {

class Bundle {
public:
    static QString resourcePath();
    // The path of the data file "name.type" (or "name" when type is empty), which may
    // name a subfolder; a null string when there is no such file or folder.
    static QString pathForResource(const QString& name, const QString& type = QString());

    // Info.plist, read once; empty (and logged) when it cannot be read.
    static QVariantMap infoDictionary();
    static QVariant objectForInfoDictionaryKey(const QString& key);
    // CFBundleExecutable ("runebox" when Info.plist lacks it).
    static QString executableName();
    // CFBundleIdentifier ("org.runebox.Runebox" when Info.plist lacks it).
    static QString bundleIdentifier();
    // CFBundleName ("Runebox" when Info.plist lacks it).
    static QString bundleName();
    // CFBundleShortVersionString and CFBundleVersion ("" when absent).
    static QString shortVersionString();
    static QString bundleVersion();

    // Forgets the data folder and Info.plist so that they are looked up again (tests
    // that change $RUNEBOX_RESOURCES).
    static void resetForTesting();
};

} // namespace kx
