#include "app/SupportInfo.h"

#include "core/Bundle.h"
#include "core/LocalizedStrings.h"
#include "insertion/KXKeyboard.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontList.h"

#include <QSysInfo>
#include <QVersionNumber>
#include <QtGlobal>

namespace support {

QChar updateIntervalLetter(int interval) {
    switch (interval) {
    case 0: return u'n';
    case 1: return u'd';
    case 2: return u'w';
    case 3: return u'm';
    default: return u'x';
    }
}

double toolkitVersionNumber(int major, int minor, int patch) { return major + minor / 100.0 + patch / 10000.0; }

QString techInfoLine(const TechInfo& i) {
    QString keyboard = QString::number(i.keyboardType);
    if (i.knownKeyboardType != i.keyboardType) keyboard += QStringLiteral("=%1").arg(i.knownKeyboardType);
    return QStringLiteral("V%1(%2)-%3%4(%5) A%6 S%7%8-%9")
               .arg(i.version)
               .arg(i.buildNr)
               .arg(updateIntervalLetter(i.updateInterval))
               .arg(i.betaVersions ? QStringLiteral("B") : QStringLiteral("b"))
               .arg(i.language)
               .arg(QString::number(i.toolkitVersion, 'g', 6))
               .arg(i.systemVersion)
               .arg(i.dark ? QStringLiteral("d") : QString())
               .arg(i.processorLetter) +
           QStringLiteral(" L%1 U%2 F%3/%4 f%5 KT%6")
               .arg(i.launchCount)
               .arg(i.useCount)
               .arg(i.fonts)
               .arg(i.families)
               .arg(i.favorites)
               .arg(keyboard);
}

TechInfo currentTechInfo(RbxDefaults& settings, RbxFontList& fonts) {
    TechInfo i;
    i.version = kx::Bundle::mainBundle().shortVersionString();
    i.buildNr = settings.integerForKey(rbx::key::buildNr);
    i.updateInterval = settings.integerForKey(rbx::key::updateInterval);
    i.betaVersions = settings.boolForKey(rbx::key::checkForBetaVersions);
    i.language = kx::loc(QStringLiteral("EN"));
    const QVersionNumber qt = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    i.toolkitVersion = toolkitVersionNumber(qt.majorVersion(), qt.minorVersion(), qt.microVersion());
    i.systemVersion = QSysInfo::productVersion();
    i.dark = KXAppearance::currentIsDark();
    i.processorLetter = KXUtilities::processorTypeLetter();
    i.launchCount = settings.launchCount();
    i.useCount = settings.integerForKey(rbx::key::useCount);
    i.fonts = fonts.totalFontCount();
    i.families = fonts.totalFamilyCount();
    i.favorites = int(RbxFavGroupDescription::sharedFavorites()->characterSetForFont(nullptr).numberOfCharacters());
    if (const kx::KXKeyboard* keyboard = kx::KXKeyboard::currentKeyboard()) {
        i.keyboardType = keyboard->keyboardType();
        i.knownKeyboardType = kx::KXKeyboard::knownKeyboardType(i.keyboardType);
    }
    return i;
}

int referenceNumber(std::uint64_t ticks) { return int(90000 + (ticks + 6666) % 10000); }

QString mailBody(const QString& techLine) {
    return QStringLiteral("\r") + techLine + QStringLiteral("\r\r") + kx::loc(QStringLiteral("Question:")) +
           QStringLiteral("\r\r");
}

QUrl mailURL(const QString& address, const QString& subject, const QString& body) {
    const auto part = [](const QString& s, const QByteArray& kept = {}) {
        return QString::fromLatin1(QUrl::toPercentEncoding(s, kept));
    };
    return QUrl(QStringLiteral("mailto:%1?subject=%2&body=%3").arg(part(address, "@"), part(subject), part(body)),
                QUrl::StrictMode);
}

} // namespace support
