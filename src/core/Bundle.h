#pragma once
// The application bundle: the folder of its data files and its information
// dictionary (Info.plist).
//
// The bundle of the running program (mainBundle()) is the one its composition root
// installed, else one made on first use over the data folder found in this order:
// $RUNEBOX_RESOURCES; <folder of the executable>/../share/runebox (an installed copy);
// the source tree's resources/ folder (a build tree).

#include <QMutex>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>

namespace kx {

class Bundle {
public:
    static Bundle& mainBundle();
    // A bundle over the data folder found as described above.
    static std::unique_ptr<Bundle> makeDefault();
    static QString findResourcePath();

    explicit Bundle(const QString& resourcePath);

    QString resourcePath() const { return resources_; }
    // The path of the data file "name.type" (or "name" when type is empty), which may
    // name a subfolder; a null string when there is no such file or folder, and when the
    // name leads outside the data folder (logged).
    QString pathForResource(const QString& name, const QString& type = QString()) const;

    // Info.plist, read once; empty (and logged) when it cannot be read.
    QVariantMap infoDictionary() const;
    QVariant objectForInfoDictionaryKey(const QString& key) const;
    // CFBundleExecutable ("runebox" when Info.plist lacks it).
    QString executableName() const;
    // CFBundleIdentifier ("org.runebox.Runebox" when Info.plist lacks it).
    QString bundleIdentifier() const;
    // CFBundleName ("Runebox" when Info.plist lacks it).
    QString bundleName() const;
    // CFBundleShortVersionString and CFBundleVersion ("" when absent).
    QString shortVersionString() const;
    QString bundleVersion() const;
    // The build number: the leading integer of the resource "build.nr" (0 when it cannot
    // be read); of the file at `path` for the one without a bundle.
    int buildNumber() const;
    static int buildNumberInFile(const QString& path);

private:
    QString infoString(const QString& key, const QString& fallback) const;

    const QString resources_;
    mutable QMutex mutex_;
    mutable std::optional<QVariantMap> info_;
};

} // namespace kx
