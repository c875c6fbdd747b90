#pragma once
// The installer program's work: replaces an installed copy by a downloaded one.
//
//   runebox-installer -productName Runebox -productCode RB-3 -productCode RB-X
//       -version 101 -sourcePath <tmp>/runebox-install-XXXXXX/Runebox.app
//       -targetPath <the installed Runebox.app> -completionQuit 3.0 ...
//
// 1. Checks the new copy (as the download did) and that the target is an installation it
//    may replace (BundleReplacement.h); otherwise stops before touching anything.
// 2. Asks the copies running from the target to quit (SIGTERM, which they answer with
//    their normal shut-down) and waits "completionQuit" seconds for each, then
//    force-quits; a copy that is still there stops the installation.
// 3. Replaces the target, all or nothing.
// 4. Removes its temporary folder (the one holding the new copy, when it is one of the
//    installation folders).
// Then the program starts the copy now in the target: the new one, or after a failure
// that had the old one quit, the old one again (once the user has read what failed), so
// the user is never left without the program; after success it waits for the started
// copy's 'SinS'/'Done' (at most DoneWaitMs). Every step is logged.

#include <QString>
#include <QStringList>

struct InstallerArguments {
    QString productName;
    QString version;
    QString sourcePath;
    QString targetPath;
    double completionQuit = 3.0;

    // Pairs "-key value"; unknown keys are ignored, a key without a value is an error.
    // "" when the arguments name a source and a target, else what is missing.
    static QString parse(const QStringList& arguments, InstallerArguments* out);
};

class Installer {
public:
    static constexpr int DoneWaitMs = 60 * 1000;

    explicit Installer(InstallerArguments arguments) : args_(std::move(arguments)) {}

    // Steps 1 to 4; "" on success, else what failed.
    QString install();
    // A copy running from the target was asked to quit.
    bool quitTheRunningCopy() const { return touched_; }
    // Starts the program in the target; false when it could not be started.
    bool relaunch();

private:
    QString quitRunningCopies();
    void removeTemporaryFolder();

    InstallerArguments args_;
    bool touched_ = false;  // the running copies were asked to quit
};
