#include "kxlib/KXLoginPrefs.h"

#include "core/AtomicFile.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct LoginItem {
    QString entryFile;  // the .desktop file
    QString path;       // the program it starts
};

// The value of a key in the [Desktop Entry] group.
QString desktopEntryValue(const QString& file, const QString& key) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    bool inGroup = false;
    const QByteArray prefix = key.toUtf8() + '=';
    while (!f.atEnd()) {
        const QByteArray line = f.readLine(1 << 16).trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        if (inGroup && line.startsWith(prefix)) return QString::fromUtf8(line.mid(prefix.size()));
        if (inGroup && line.startsWith(key.toUtf8())) {
            // "Key = value" with blanks around the sign.
            const QByteArray rest = line.mid(key.size()).trimmed();
            if (rest.startsWith('=')) return QString::fromUtf8(rest.mid(1).trimmed());
        }
    }
    return QString();
}

// The program an entry's Exec line starts, skipping "env" and its assignments.
QString programOf(const QString& execValue) {
    const QStringList args = KXLoginPrefs::execArguments(execValue);
    qsizetype i = 0;
    if (i < args.size() && (args[i] == QLatin1String("env") || args[i] == QLatin1String("/usr/bin/env"))) {
        ++i;
        while (i < args.size() && (args[i].startsWith(u'-') || args[i].contains(u'='))) ++i;
    }
    return i < args.size() ? args[i] : QString();
}

QList<LoginItem> loginItems() {
    QList<LoginItem> items;
    QDir dir(KXLoginPrefs::autostartFolder());
    const QStringList files = dir.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        const QString file = dir.filePath(name);
        const QString program = programOf(desktopEntryValue(file, QStringLiteral("Exec")));
        if (!program.isEmpty()) items.append({file, program});
    }
    return items;
}

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

QString quoteArgument(const QString& arg) {
    QString q = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') q += u'\\';
        q += c;
    }
    q += u'"';
    return q;
}

// The string-level escapes of a desktop entry value.
QString escapeValue(const QString& v) {
    QString out;
    for (QChar c : v) {
        switch (c.unicode()) {
        case u'\\': out += QStringLiteral("\\\\"); break;
        case u'\n': out += QStringLiteral("\\n"); break;
        case u'\t': out += QStringLiteral("\\t"); break;
        case u'\r': out += QStringLiteral("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

QString unescapeValue(const QString& v) {
    QString out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] != u'\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const QChar n = v[++i];
        switch (n.unicode()) {
        case u's': out += u' '; break;
        case u'n': out += u'\n'; break;
        case u't': out += u'\t'; break;
        case u'r': out += u'\r'; break;
        case u'\\': out += u'\\'; break;
        default: out += u'\\'; out += n;
        }
    }
    return out;
}

} // namespace

QString KXLoginPrefs::autostartFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart");
}

QStringList KXLoginPrefs::execArguments(const QString& execValue) {
    const QString v = unescapeValue(execValue);
    QStringList args;
    QString current;
    bool inArg = false;  // the token has text or quotes (a lone field code has neither)
    bool quoted = false;
    for (qsizetype i = 0; i < v.size(); ++i) {
        const QChar c = v[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < v.size()) current += v[++i];
            else if (c == u'%' && i + 1 < v.size() && v[i + 1] == u'%') current += v[++i];
            else if (c == u'"') quoted = false;
            else current += c;
            continue;
        }
        if (c == u' ' || c == u'\t') {
            if (inArg) args << current;
            current.clear();
            inArg = false;
        } else if (c == u'"') {
            quoted = inArg = true;
        } else if (c == u'%' && i + 1 < v.size()) {
            if (v[++i] == u'%') {
                current += u'%';
                inArg = true;
            }
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) args << current;
    return args;
}

QString KXLoginPrefs::execValueFor(const QString& path) {
    QString quoted = quoteArgument(path);
    quoted.replace(u'%', QStringLiteral("%%"));
    return escapeValue(QStringLiteral("env %1=1 %2").arg(QString::fromLatin1(launchMarkerVariable()), quoted));
}

bool KXLoginPrefs::addAppAsLoginItem(const QString& path) {
    const QString folder = autostartFolder();
    if (!QDir().mkpath(folder)) {
        kx::log(QStringLiteral("could not make the autostart folder %1").arg(folder));
        return false;
    }
    QString base = QFileInfo(path).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("runebox");
    base.replace(u'/', u'_');
    QString file = folder + u'/' + base + QStringLiteral(".desktop");
    for (int n = 2; QFileInfo::exists(file); ++n) file = folder + u'/' + base + QStringLiteral("-%1.desktop").arg(n);

    const QString text = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nTerminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(escapeValue(QFileInfo(path).fileName()), execValueFor(path));
    QString error;
    if (!kx::writeFileAtomically(file, text.toUtf8(), &error)) {
        kx::log(QStringLiteral("could not write the login item: %1").arg(error));
        return false;
    }
    return true;
}

bool KXLoginPrefs::deleteAppFromLoginItem(const QString& path) {
    const QString target = resolved(path);
    bool ok = true;
    for (const LoginItem& item : loginItems()) {
        if (resolved(item.path) != target) continue;
        if (!QFile::remove(item.entryFile)) {
            kx::log(QStringLiteral("could not remove the login item %1").arg(item.entryFile));
            ok = false;
        }
    }
    return ok;
}

QString KXLoginPrefs::findAppInLoginItems(const QString& namePart) {
    for (const LoginItem& item : loginItems())
        if (QFileInfo(item.path).fileName().startsWith(namePart, Qt::CaseInsensitive)) return item.path;
    return QString();
}

void KXLoginPrefs::updateMyselfInLoginItems(bool wanted, bool /*hidden*/, const QString& namePart) {
    updateLoginItems(wanted, namePart, QCoreApplication::applicationFilePath());
}

void KXLoginPrefs::updateLoginItems(bool wanted, const QString& namePart, const QString& myPath) {
    const QString me = resolved(myPath);
    bool found = false;
    // Each round removes at least one entry file, so the loop ends; a removal that
    // fails ends it at once.
    while (true) {
        const QString path = findAppInLoginItems(namePart);
        if (path.isEmpty()) break;
        if (resolved(path) == me) {
            found = true;
            if (!wanted) deleteAppFromLoginItem(path);
            break;
        }
        if (!deleteAppFromLoginItem(path)) break;
    }
    if (!found && wanted) addAppAsLoginItem(myPath);
}
