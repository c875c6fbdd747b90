// The per-application record of the front application: "applications" maps a process
// name to {"insert mode", "latestInsert", "automatic", "font", "view"}; an entry equal to its
// default is removed, and a record that becomes empty disappears.

#include "kxlib/RbxDefaults.h"

#include "core/FoundationValues.h"

#include <QCoreApplication>

namespace ns = kx::ns;
namespace key = rbx::key;

namespace {
const QString InsertModeKey = QStringLiteral("insert mode");
const QString LatestInsert = QStringLiteral("latestInsert");
const QString Automatic = QStringLiteral("automatic");
const QString Font = QStringLiteral("font");
const QString View = QStringLiteral("view");
} // namespace

void RbxDefaults::setFrontApplication(const QString& processName) {
    frontName_ = processName;
    record_ = ns::dictionaryOrEmpty(ns::dictionaryOrEmpty(objectForKey(key::applications)).value(processName));
}

void RbxDefaults::updateApplicationSettings() {
    QVariantMap apps = ns::dictionaryOrEmpty(objectForKey(key::applications));
    if (!frontName_.isEmpty()) apps.insert(frontName_, record_);
    for (auto it = apps.begin(); it != apps.end();) {
        const QVariant& v = it.value();
        const bool keep = (ns::isDictionary(v) && !v.toMap().isEmpty()) || (ns::isArray(v) && !v.toList().isEmpty());
        it = keep ? std::next(it) : apps.erase(it);
    }
    setObject(apps, key::applications.qname());
}

InsertMode RbxDefaults::applicationInsertMode() const {
    return insertModeFromNumber(ns::intValue(record_.value(InsertModeKey)));
}

void RbxDefaults::setApplicationInsertMode(InsertMode mode) {
    if (mode == InsertMode::Plain) record_.remove(InsertModeKey);
    else record_.insert(InsertModeKey, qint64(insertModeNumber(mode)));
    updateApplicationSettings();
}

InsertMode RbxDefaults::safeApplicationInsertMode() const {
    return insertModeFromNumber(std::min(insertModeNumber(applicationInsertMode()), insertModeNumber(InsertMode::HTML)));
}

QString RbxDefaults::applicationInsertModeAsString(InsertMode mode) {
    static const char* const names[] = {"Plain", "Formatted", "HTML", "Picture", nullptr,
                                        "Swift", "Decimal",   "Hex",  "Name",    "Description"};
    const int n = insertModeNumber(mode);
    if (n < 0 || n > 9 || !names[n]) return QStringLiteral("");
    return QCoreApplication::translate("InsertMode", names[n]);
}

int RbxDefaults::applicationView() const { return ns::intValue(record_.value(View)); }

void RbxDefaults::setApplicationView(int view) {
    if (view == applicationView()) return;
    if (view <= 0) record_.remove(View);
    else record_.insert(View, qint64(view));
    updateApplicationSettings();
}

InsertMode RbxDefaults::latestSpecialInsertMode() const {
    const QVariant v = record_.value(LatestInsert);
    return v.isValid() ? insertModeFromNumber(ns::intValue(v)) : InsertMode::HTML;
}

void RbxDefaults::setLatestSpecialInsertMode(InsertMode mode) {
    if (mode == InsertMode::HTML) record_.remove(LatestInsert);
    else record_.insert(LatestInsert, qint64(insertModeNumber(mode)));
    updateApplicationSettings();
}

bool RbxDefaults::isFontDetectionEnabled() { return boolForKey(key::enableFontDetection); }

void RbxDefaults::toggleFontDetectionEnabled() {
    setBool(!isFontDetectionEnabled(), key::enableFontDetection.qname());
}

bool RbxDefaults::applicationFontDectection() {
    if (!isFontDetectionEnabled()) return false;
    return ns::boolValue(record_.value(Automatic));
}

void RbxDefaults::setApplicationFontDectection(bool on) {
    if (on) record_.insert(Automatic, true);
    else record_.remove(Automatic);
    updateApplicationSettings();
}

void RbxDefaults::disableFontDetectionForApplication(const QString& processName) {
    if (processName == frontName_) {
        setApplicationFontDectection(false);
        return;
    }
    QVariantMap apps = ns::dictionaryOrEmpty(objectForKey(key::applications));
    QVariantMap rec = ns::dictionaryOrEmpty(apps.value(processName));
    if (!rec.contains(Automatic)) return;
    rec.remove(Automatic);
    if (rec.isEmpty()) apps.remove(processName);
    else apps.insert(processName, rec);
    setObject(apps, key::applications.qname());
}

QString RbxDefaults::applicationFont() {
    const QString name = boolForKey(key::useUniversalFont) ? stringForKey(key::universalFont)
                                                            : ns::stringOrEmpty(record_.value(Font));
    return services_.fonts ? services_.fonts->availableFontName(name) : name;
}

void RbxDefaults::setApplicationFont(const QString& postScriptName) {
    if (postScriptName.isEmpty()) record_.remove(Font);
    else record_.insert(Font, postScriptName);
    updateApplicationSettings();
}
