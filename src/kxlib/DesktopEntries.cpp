#include "kxlib/DesktopEntries.h"

#include "core/ProcessWide.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <memory>

namespace kx {

namespace {

// Splits an Exec= value into words: double quotes group, backslash escapes inside them.
QStringList execWords(const QString& exec) {
    QStringList words;
    QString cur;
    bool inQuotes = false, any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (inQuotes) {
            if (c == u'\\' && i + 1 < exec.size()) cur += exec.at(++i);
            else if (c == u'"') inQuotes = false;
            else cur += c;
        } else if (c == u'"') {
            inQuotes = any = true;
        } else if (c == u' ' || c == u'\t') {
            if (any || !cur.isEmpty()) words << cur;
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any || !cur.isEmpty()) words << cur;
    return words;
}
} // namespace

const DesktopEntries& DesktopEntries::shared() { return ProcessWide<DesktopEntries>::get(); }

std::unique_ptr<DesktopEntries> DesktopEntries::makeDefault() {
    return std::make_unique<DesktopEntries>(standardFolders());
}

QStringList DesktopEntries::standardFolders() {
    QStringList out;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty()) home = QDir::homePath() + QStringLiteral("/.local/share");
    out << home + QStringLiteral("/applications");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) out << d + QStringLiteral("/applications");
    return out;
}

DesktopEntries::DesktopEntries(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QDir base(folder);
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QString id = base.relativeFilePath(path);
            id.chop(8);  // ".desktop"
            id.replace(QLatin1Char('/'), QLatin1Char('-'));
            if (m_byId.contains(id)) continue;
            const auto e = parse(path, id);
            if (!e) {
                m_byId.insert(id, -1);  // hides the same id in later folders
                continue;
            }
            const qsizetype i = m_entries.size();
            m_entries.append(*e);
            m_byId.insert(id, i);
            if (!e->startupWMClass.isEmpty()) m_byWMClass.insert(e->startupWMClass.toLower(), i);
            m_byIdLower.insert(id.toLower(), i);
            m_byLastPart.insert(id.section(QLatin1Char('.'), -1).toLower(), i);
            if (!e->program.isEmpty() && !m_byProgram.contains(e->program)) m_byProgram.insert(e->program, i);
        }
    }
}

std::optional<DesktopEntry> DesktopEntries::byId(const QString& id) const {
    const qsizetype i = m_byId.value(id, -1);
    if (i < 0) return std::nullopt;
    return m_entries.at(i);
}

std::optional<DesktopEntry> DesktopEntries::byWindowClass(const QString& windowClass) const {
    if (windowClass.isEmpty()) return std::nullopt;
    const QString key = windowClass.toLower();
    for (const auto* table : {&m_byWMClass, &m_byIdLower, &m_byLastPart}) {
        const qsizetype i = table->value(key, -1);
        if (i >= 0) return m_entries.at(i);
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntries::byProgram(const QString& program) const {
    const qsizetype i = m_byProgram.value(program, -1);
    if (i < 0) return std::nullopt;
    return m_entries.at(i);
}

std::optional<DesktopEntry> DesktopEntries::parse(const QString& path, const QString& id) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text) || f.size() > (1 << 20)) return std::nullopt;
    DesktopEntry e;
    e.id = id;
    e.path = path;
    bool inMain = false, application = false, hidden = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMain = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inMain || line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("Type")) application = value == QLatin1String("Application");
        else if (key == QLatin1String("Name")) e.name = value;
        else if (key == QLatin1String("Icon")) e.icon = value;
        else if (key == QLatin1String("Exec")) e.program = programOfExec(value);
        else if (key == QLatin1String("StartupWMClass")) e.startupWMClass = value;
        else if (key == QLatin1String("Hidden")) hidden = value == QLatin1String("true");
    }
    if (!application || hidden) return std::nullopt;
    return e;
}

QString DesktopEntries::programOfExec(const QString& exec) {
    QStringList words = execWords(exec);
    // "env VAR=value ... program"
    if (!words.isEmpty() && QFileInfo(words.first()).fileName() == QLatin1String("env")) {
        words.removeFirst();
        while (!words.isEmpty() && (words.first().contains(QLatin1Char('=')) || words.first().startsWith(QLatin1Char('-'))))
            words.removeFirst();
    }
    if (words.isEmpty()) return {};
    return QFileInfo(words.first()).fileName();
}

} // namespace kx
