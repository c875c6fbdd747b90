#pragma once
// The desktop's application entries (.desktop files in the XDG "applications" folders),
// indexed to tell which installed application a running process is: by entry id, by
// window class, by program name.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace kx {

struct DesktopEntry {
    QString id;              // "org.gnome.gedit" (file name without ".desktop", folders joined by "-")
    QString path;
    QString name;            // Name=
    QString icon;            // Icon=
    QString program;         // file name of the first word of Exec=
    QString startupWMClass;  // StartupWMClass=
};

class DesktopEntries {
public:
    // The entries of the process (kx::ProcessWide<DesktopEntries>): installed by the
    // composition root, else those of the standard folders, read on first use.
    static const DesktopEntries& shared();
    static std::unique_ptr<DesktopEntries> makeDefault();

    // Reads the given "applications" folders; an id found in an earlier folder wins.
    explicit DesktopEntries(const QStringList& folders);
    // $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS.
    static QStringList standardFolders();

    std::optional<DesktopEntry> byId(const QString& id) const;
    // StartupWMClass equal to the class, else an id equal to it ignoring case, else an
    // id whose last dotted part is equal to it ignoring case.
    std::optional<DesktopEntry> byWindowClass(const QString& windowClass) const;
    std::optional<DesktopEntry> byProgram(const QString& program) const;
    qsizetype size() const { return m_entries.size(); }

    // One file; nothing when it is no visible application entry.
    static std::optional<DesktopEntry> parse(const QString& path, const QString& id);
    // The program file name of an Exec= line: "env A=1 /usr/bin/foo %U" gives "foo".
    static QString programOfExec(const QString& exec);

private:
    QList<DesktopEntry> m_entries;
    QHash<QString, qsizetype> m_byId;
    QHash<QString, qsizetype> m_byWMClass;  // lower case
    QHash<QString, qsizetype> m_byIdLower;
    QHash<QString, qsizetype> m_byLastPart; // lower case
    QHash<QString, qsizetype> m_byProgram;
};

} // namespace kx
