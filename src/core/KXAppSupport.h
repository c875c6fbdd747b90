#pragma once
// The per-user support folder ($XDG_DATA_HOME/Runebox/) with its subfolders, and the
// small property-list "preferences files" kept in it. A file of the same name in
// Runebox/ below one of $XDG_CONFIG_DIRS serves as the system-wide fallback.

#include <QString>
#include <QStringList>
#include <QVariant>

class KXAppSupport {
public:
    // The support folder, created when missing. The path is worked out once per
    // process; the folder is made again should it disappear.
    static QString supportFolderPath();
    // The per-user cache folder, $XDG_CACHE_HOME/runebox (~/.cache/runebox), created when
    // missing; a null string when it cannot be made. Making it removes the "Cache" folder
    // that earlier versions kept in the support folder.
    static QString cacheFolderPath();
    // Each component of the relative path in turn is made inside the support folder
    // when missing; answers the final folder. "." and ".." components are skipped so
    // that the result stays inside the support folder.
    static QString makeSupportSubfolder(const QString& relativePath);
    // Makes sure a folder stands at the path: an existing folder (or a link to one) is
    // answered as it is; any other file there is renamed aside to "<name>.moved-aside-N"
    // (never deleted, and logged); then the folder is made with its parents. Answers
    // the path, or a null string when the folder could not be made. A process that may
    // not change the user's files (KXUserFileAccess) answers only existing folders.
    static QString createDirectoryIfMissing(const QString& path);
    // This desktop has no alias files: the path itself.
    static QString resolvedAlias(const QString& path);

    // The value of a key in the dictionary of a property-list file; nil when the file
    // is missing, a folder, unreadable or not a dictionary.
    static QVariant objectForKeyInSupportPreferencesFile(const QString& key, const QString& path);
    // The same for a file name: the user's support folder first, then the system
    // folders.
    static QVariant objectForKeyInPreferences(const QString& key, const QString& fileName);
    // Reads the user's file (or starts empty), sets the key (nil removes it) and
    // writes the file atomically. Answers false when it could not be written.
    static bool setObjectForKeyInPreferences(const QVariant& value, const QString& key,
                                             const QString& fileName);
    // Removes the named file of the support folder when it is a file.
    static void deletePreferencesFile(const QString& fileName);

    // Runebox/ below every folder of $XDG_CONFIG_DIRS (default /etc/xdg), in order.
    static QStringList systemSupportFolders();
};
