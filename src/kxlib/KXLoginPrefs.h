#pragma once
// Starting the application at login: XDG autostart entries, one ".desktop" file per
// login item in $XDG_CONFIG_HOME/autostart/. A login item's path is the program its
// Exec line starts; its file name is that program's file name. The entries this class
// writes start the program with the marker variable set (see
// KXUtilities::wasLaunchedAsLoginItem).

#include "kxlib/RbxDefaultsServices.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class KXLoginPrefs {
public:
    // $XDG_CONFIG_HOME/autostart (~/.config/autostart by default).
    static QString autostartFolder();

    // Writes a login item for the program at path; false (and a log line) on failure.
    static bool addAppAsLoginItem(const QString& path);
    // Removes every login item whose resolved path equals the path's; false when one
    // of them could not be removed.
    static bool deleteAppFromLoginItem(const QString& path);
    // The path of the first login item (by entry file name) whose program's file name
    // begins with namePart, ignoring case; "" when there is none.
    static QString findAppInLoginItems(const QString& namePart);

    // Keeps this program's login item in line with `wanted`: the first login item
    // named like namePart stays when it is this program and wanted, and is removed when
    // not wanted; login items of other copies found on the way are removed. When none
    // was found and wanted, one for this program is added. `hidden` has no effect.
    static void updateMyselfInLoginItems(bool wanted, bool hidden, const QString& namePart);
    // The same for the program at myPath.
    static void updateLoginItems(bool wanted, const QString& namePart, const QString& myPath);

    // The environment variable the written entries set to "1".
    static QByteArray launchMarkerVariable() { return QByteArrayLiteral("RUNEBOX_LAUNCHED_AS_LOGIN_ITEM"); }

    // The arguments of a desktop entry's Exec value (string escapes, quoting and field
    // codes resolved; field codes other than %% are dropped).
    static QStringList execArguments(const QString& execValue);
    // The Exec value that starts the program at path with the marker set.
    static QString execValueFor(const QString& path);
};

// The settings store's login item as an XDG autostart entry of this program.
class KXAutostartLoginItem : public RbxLoginItem {
public:
    void updateLoginItem(bool enabled, bool hidden, const QString& namePart) override {
        KXLoginPrefs::updateMyselfInLoginItems(enabled, hidden, namePart);
    }
};
