// KXAppSettings: the rules — merging the files, the system suffix, the lookup of an
// application's entry, flags, and the text of a settings file.

#include "kxlib/KXAppSettings.h"

#include "kxlib/KXUtilities.h"
#include "core/DictionaryExtensions.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString OrNewer = QStringLiteral("_or_newer");

// Reads a settings file as a dictionary; nothing when it is unreadable or no dictionary.
std::optional<QVariantMap> readDictionary(const QString& path) {
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok() || !kx::ns::isDictionary(r.value)) return std::nullopt;
    return r.value.toMap();
}

// The settings files of the folder and its subfolders, in name order; subfolders whose
// name begins with "-" are skipped with everything in them.
void collectFiles(const QString& folder, QStringList* out) {
    QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsLast);
    for (const QFileInfo& e : entries) {
        if (e.isDir()) {
            if (e.fileName().startsWith(QLatin1Char('-'))) {
                kx::log(QStringLiteral("skip settings subfolder %1").arg(e.fileName()));
                continue;
            }
            if (!e.isSymLink()) collectFiles(e.filePath(), out);
            continue;
        }
        if (e.suffix() == QLatin1String("plist") && !e.fileName().startsWith(QLatin1String("autoupdate")))
            out->append(e.filePath());
    }
}

} // namespace

QVariantMap KXAppSettings::mergeSettings(const QVariantMap& bundle, const QString& folder, const QString& appVersion) {
    QVariantMap merged = bundle;
    const QVariant pv = merged.value(QStringLiteral("pluginVersion"));
    const int P = kx::ns::hasNumberValue(pv) ? kx::ns::intValue(pv) : 0;
    if (folder.isEmpty()) return merged;

    // The installed remote update for this version of the application.
    QString V = appVersion;
    if (V.endsWith(QLatin1Char('s'))) V.chop(1);
    const QString autoupdate = folder + QStringLiteral("/autoupdate") + V + QStringLiteral(".plist");
    if (QFileInfo(autoupdate).isFile()) {
        if (const auto update = readDictionary(autoupdate)) {
            kx::ns::addEntriesFromDictionary(merged, *update, true);
            merged.insert(QStringLiteral("dynamicUpdateVersion"), V);
        }
    }

    QStringList files;
    collectFiles(folder, &files);
    bool any = false;
    for (const QString& path : std::as_const(files)) {
        auto dict = readDictionary(path);
        if (!dict) {
            kx::log(QStringLiteral("cannot load application settings %1").arg(path));
            continue;
        }
        const int number = P >= 1 ? kx::ns::intValue(dict->value(QStringLiteral("pluginVersion")))
                                  : (kx::ns::boolValue(dict->value(QStringLiteral("override"))) ? 1 : 0);
        const bool overrides = number >= P;
        kx::log(QStringLiteral("app settings \"%1\" (over:%2 = %3>=%4): %5")
                    .arg(QFileInfo(path).fileName())
                    .arg(overrides ? 1 : 0)
                    .arg(number)
                    .arg(P)
                    .arg(kx::ns::description(*dict)));
        dict->remove(QStringLiteral("override"));
        dict->remove(QStringLiteral("pluginVersion"));
        kx::ns::addEntriesFromDictionary(merged, *dict, overrides);
        any = true;
    }
    if (any) merged.remove(QStringLiteral("override"));
    return merged;
}

QString KXAppSettings::systemSuffix(const QVariantMap& merged, const QString& systemVersion) {
    const QVariant list = merged.value(QStringLiteral("OS_Versions"));
    if (!kx::ns::isArray(list)) return {};
    int n = 0;
    for (const QVariant& v : list.toList())
        if (kx::ns::isString(v) && KXUtilities::compareVersion(v.toString(), systemVersion) <= 0) ++n;
    if (n < 1) return {};
    return QStringLiteral("_%1").arg(n) + OrNewer;
}

void KXAppSettings::applySystemSuffix(QVariantMap& settings, const QString& suffix) {
    // "_<n>_or_newer": the numbers compare as numbers, so that _10_or_newer is newer
    // than _9_or_newer.
    static const QRegularExpression form(QStringLiteral("^(.*)_(\\d{1,6})_or_newer$"));
    const auto system = form.match(suffix);
    if (!system.hasMatch() || !system.captured(1).isEmpty()) return;
    const int n = system.captured(2).toInt();
    struct Versioned {
        int number;
        QString key;
        QVariant value;
    };
    QList<Versioned> found;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        const auto m = form.match(it.key());
        if (!m.hasMatch()) continue;
        const int k = m.captured(2).toInt();
        if (k <= n) found.append({k, m.captured(1), it.value()});
    }
    // Higher numbers come later and win; the suffixed keys themselves stay.
    std::stable_sort(found.begin(), found.end(), [](const Versioned& a, const Versioned& b) { return a.number < b.number; });
    for (const Versioned& v : std::as_const(found)) settings.insert(v.key, v.value);
}

QStringList KXAppSettings::lookupCandidates(const ProcessFacts& f) {
    QStringList out;
    // a. the identifier (Java applications by their main class's package)
    QString id = f.identifier;
    const qsizetype java = id.indexOf(QLatin1String(".java"), 0, Qt::CaseInsensitive);
    if (java >= 0) {
        const qsizetype dot = id.indexOf(QLatin1Char('.'), java + 5);
        if (dot >= 0) id = QStringLiteral("Java.") + id.mid(dot + 1);
    }
    if (f.signature == QLatin1String("????") && id.isEmpty()) id = f.name;
    if (!id.isEmpty()) {
        out << id;
        // b. patterns: com.a.b gives com.a.*, then com.*
        QStringList parts = id.split(QLatin1Char('.'));
        while (parts.size() > 1) {
            parts.removeLast();
            out << parts.join(QLatin1Char('.')) + QStringLiteral(".*");
        }
    }
    // c. the creator code
    if (!f.signature.isEmpty()) out << f.signature;
    if (!f.name.isEmpty()) {
        // d. the program name
        out << QLatin1Char('/') + f.name;
        // e. name prefixes, cut after each earlier run of letters and digits
        out << QLatin1Char('/') + f.name + QLatin1Char('*');
        static const QRegularExpression run(QStringLiteral("[\\p{L}\\p{N}]+"));
        QList<qsizetype> ends;
        auto it = run.globalMatch(f.name);
        while (it.hasNext()) ends << it.next().capturedEnd();
        for (qsizetype i = ends.size() - 1; i >= 0; --i) {
            if (ends.at(i) >= f.name.size()) continue;
            out << QLatin1Char('/') + f.name.left(ends.at(i)) + QLatin1Char('*');
        }
    }
    out.removeDuplicates();
    return out;
}

QVariantMap KXAppSettings::computeSettings(const QVariantMap& merged, const ProcessFacts& f, const QString& suffix) {
    // 1. the platform's base
    QVariant base = merged.value(f.platform);
    if (!kx::ns::isDictionary(base) && f.platform == QLatin1String("Java")) base = merged.value(QStringLiteral("Carbon"));
    if (!kx::ns::isDictionary(base)) base = merged.value(QStringLiteral("default"));
    QVariantMap settings = kx::ns::dictionaryOrEmpty(base);
    applySystemSuffix(settings, suffix);

    // 2. + 3. the application's entry
    for (const QString& key : lookupCandidates(f)) {
        const auto it = merged.constFind(key);
        if (it == merged.constEnd()) continue;
        if (kx::ns::isDictionary(*it)) {
            kx::ns::addEntriesFromDictionary(settings, it->toMap(), true);
        } else if (kx::ns::isArray(*it)) {
            for (const QVariant& element : it->toList()) {
                if (!kx::ns::isDictionary(element)) continue;
                const QVariantMap e = element.toMap();
                if (kx::ns::intValue(e.value(QStringLiteral("version"))) <= f.majorVersion) {
                    kx::ns::addEntriesFromDictionary(settings, e, true);
                    break;
                }
            }
        }
        break;
    }

    // 4.
    applySystemSuffix(settings, suffix);
    settings.removeIf([](const QVariantMap::iterator& e) {
        return kx::ns::isString(e.value()) &&
               (e.value().toString().isEmpty() || e.value().toString() == QLatin1String("none"));
    });
    return settings;
}

bool KXAppSettings::parseFlag(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return false;
    if (kx::ns::isString(v)) {
        const QString s = v.toString();
        if (s == QLatin1String("no") || s == QLatin1String("false")) return false;
        if (s == QLatin1String("yes") || s == QLatin1String("true")) return true;
    }
    return kx::ns::hasNumberValue(v) && kx::ns::intValue(v) != 0;
}

QString KXAppSettings::settingsFileText(const QVariant& pluginVersion, const QString& signature, const QString& name,
                                        const QVariantMap& settings) {
    auto quoted = [](const QString& s) { return kx::plist::writeOpenStep(QVariant(s)).trimmed(); };
    QString text = QStringLiteral("{\r\tpluginVersion = %1;\r\t%2 = { // %3\r")
                       .arg(kx::ns::intValue(pluginVersion))
                       .arg(quoted(signature), name);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        text += QStringLiteral("\t\t\t%1 = %2;\r").arg(quoted(it.key()), quoted(kx::ns::stringOrEmpty(it.value())));
    text += QStringLiteral("\t\t};\r}\r");
    return text;
}

bool KXAppSettings::acceptsUpdate(const QVariantMap& merged, const QVariant& update) {
    if (!kx::ns::isDictionary(update)) return false;
    const QVariant fresh = update.toMap().value(QStringLiteral("dynamicUpdate"));
    if (!fresh.isValid()) return false;
    const QVariant installed = merged.value(QStringLiteral("dynamicUpdate"));
    if (!installed.isValid()) {
        kx::log(QStringLiteral("first dynamic update %1").arg(kx::ns::description(fresh)));
        return true;
    }
    if (kx::ns::description(installed).compare(kx::ns::description(fresh)) < 0) {
        kx::log(QStringLiteral("installing newer update %1").arg(kx::ns::description(fresh)));
        return true;
    }
    return false;
}
