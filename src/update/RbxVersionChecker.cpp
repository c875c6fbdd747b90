#include "update/RbxVersionChecker.h"

#include "core/LocalizedStrings.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXDefaults.h"
#include "kxlib/KXUtilities.h"

RbxVersionChecker::RbxVersionChecker(KXDefaults& settings, std::shared_ptr<UpdateActivity> activity, QObject* parent)
    : KXVersionChecker(settings, std::move(activity), parent) {}

QString RbxVersionChecker::serverAddress() const {
    QString base = userDefaults().stringForKey(rbx::key::updateServer);
    if (base.isEmpty()) base = DefaultServer;
    if (!base.endsWith(u'/')) base += u'/';
    return base;
}

QString RbxVersionChecker::address(const QString& relative) const {
    return KXUtilities::safeHTTPS(serverAddress() + relative);
}

QString RbxVersionChecker::padURL() const {
    const bool test = userDefaults().boolForKey(rbx::key::vcktest);
    if (userDefaults().boolForKey(rbx::key::checkForBetaVersions))
        return address(test ? QStringLiteral("downloads/beta/runeboxx/runeboxx-test.xml")
                            : QStringLiteral("downloads/beta/runeboxx/runeboxv.xml"));
    return address(test ? QStringLiteral("vcktest/runeboxx.xml") : QStringLiteral("vck/runeboxx.xml"));
}

QString RbxVersionChecker::whatsNewURL() const {
    return address(userDefaults().boolForKey(rbx::key::checkForBetaVersions)
                       ? QStringLiteral("downloads/beta/runeboxx/whatsnew/")
                       : QStringLiteral("whatsnew/runeboxx/"));
}

QString RbxVersionChecker::downloadFinalURL() const {
    return address(QStringLiteral("downloads/products/runeboxx/Runebox.app.zip"));
}
QString RbxVersionChecker::downloadBetaURL() const {
    return address(QStringLiteral("downloads/beta/runeboxx/Runebox.app.zip"));
}
QString RbxVersionChecker::counterURL() const { return address(QStringLiteral("downloads/products/runeboxx/once/")); }
QString RbxVersionChecker::monceURL() const { return address(QStringLiteral("downloads/products/runeboxx/monce/")); }

QString RbxVersionChecker::extraExplanation() const {
    return kx::loc(QStringLiteral(
        "To disable further checks for new versions, see the Updates pane in Runebox's settings window."));
}

void RbxVersionChecker::willCheck(bool user) {
    if (!user) return;
    QString v = currentVersion();
    if (v.endsWith(u's')) v.chop(1);
    KXAppSettings::updateWithRemoteData(address(QStringLiteral("autoupdate/runeboxx/autoupdate") + v + QStringLiteral(".plist")));
}
