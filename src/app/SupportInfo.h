#pragma once
// The one-line technical description of the installation that support mail and the
// diagnostics report carry, and the support mail itself (a mailto address opened with
// the desktop's opener).

#include <QString>
#include <QUrl>
#include <cstdint>

class RbxDefaults;
class RbxFontList;

namespace support {

struct TechInfo {
    QString version;
    int buildNr = 0;
    int updateInterval = 0;
    bool betaVersions = false;
    QString language;          // the user interface's, "EN"
    double toolkitVersion = 0; // Qt's, as major + minor/100 + patch/10000
    QString systemVersion;
    bool dark = false;
    QString processorLetter;
    int launchCount = 0;
    int useCount = 0;
    int fonts = 0;
    int families = 0;
    int favorites = 0;
    int keyboardType = 0;
    int knownKeyboardType = 0;
};

// "V%@(%d)-%c%@(%@) A%1.6g S%@%@-%@ L%d U%d F%d/%d f%d KT%@"; the keyboard type is
// followed by "=known" when the known type differs.
QString techInfoLine(const TechInfo& info);
// The update interval's letter: 0 "n", 1 "d", 2 "w", 3 "m", else "x".
QChar updateIntervalLetter(int interval);
// 6.4.2 -> 6.0402.
double toolkitVersionNumber(int major, int minor, int patch);
// What the running program knows now.
TechInfo currentTechInfo(RbxDefaults& settings, RbxFontList& fonts);

// "REF#9xxxx": 90000 + (ticks + 6666) mod 10000.
int referenceNumber(std::uint64_t ticks);
// mailto:<address>?subject=<subject>&body=<body>, each part escaped on its own, so that
// "&", "#", "?" and line breaks inside them stay text.
QUrl mailURL(const QString& address, const QString& subject, const QString& body);
// The body of a support mail: CR, the technical line, two CRs, "Question:", two CRs.
QString mailBody(const QString& techLine);

} // namespace support
