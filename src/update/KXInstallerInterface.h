#pragma once
// The hand-over to the installer program "runebox-installer", which replaces the
// installed copy by a downloaded one and starts it again (see Installer.h).
//
// The installer's arguments are pairs "-key value", collected with addArgument. It is
// the program named by "-installerPath" when the arguments hold that key, else the one
// beside this program. An installer counts as running when a process of the user's runs
// an executable of that file name (read from /proc/<pid>/exe); it owns the creator code
// 'SinS' on the session bus and takes the event 'SinS'/'Done', which a copy of this
// program sends it once it is up ("Runebox <version>").

#include <QString>
#include <QStringList>
#include <QtGlobal>

class KXInstallerInterface {
public:
    static inline const QString InstallerProgram = QStringLiteral("runebox-installer");
    static constexpr quint32 Signature = 0x53696e53;   // 'SinS'
    static constexpr quint32 DoneEvent = 0x446f6e65;   // 'Done'

    // Appends "-key" and the value; an empty key or value is logged "cannot add argument
    // <key>: <value>" and skipped.
    void addArgument(const QString& value, const QString& key);
    QStringList arguments() const { return arguments_; }

    // Starts the installer unless one for this installation runs already (logged "installer
    // for <folder> is already running; will not launch again"); false when none was started.
    bool launch() const;

    // An installer runs whose executable's path contains `pathPart` ("" : any).
    static bool installerIsRunning(const QString& pathPart);
    // Sends 'SinS'/'Done' with the parameter to every running installer; answers to how many.
    static int tellInstallerDone(const QString& parameter);
    // Sends 'SinS'/<eventID> to the owner of 'SinS' without waiting for an answer.
    static bool sendAppleEvent(quint32 eventID);
    // Removes the temporary folders of earlier installations that hold `itemName`; while an
    // installer whose path contains the name runs, tries again 300 seconds later.
    static void removeInstallationRelics(const QString& itemName);

private:
    QStringList arguments_;
};
