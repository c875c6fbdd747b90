// Finding a process's desktop entry: ids from folders, precedence, Exec lines, classes.
#include "kxlib/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using kx::DesktopEntries;

namespace {

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST(DesktopEntries, ProgramOfExec) {
    EXPECT_EQ(DesktopEntries::programOfExec(QStringLiteral("/usr/bin/gedit %U")), QStringLiteral("gedit"));
    EXPECT_EQ(DesktopEntries::programOfExec(QStringLiteral("env GDK_BACKEND=x11 LANG=C /opt/app/bin/app --new")),
              QStringLiteral("app"));
    EXPECT_EQ(DesktopEntries::programOfExec(QStringLiteral("\"/opt/My App/run me\" %f")), QStringLiteral("run me"));
    EXPECT_EQ(DesktopEntries::programOfExec(QStringLiteral("")), QString());
    EXPECT_EQ(DesktopEntries::programOfExec(QStringLiteral("env")), QString());
}

TEST(DesktopEntries, IndexAndLookups) {
    QTemporaryDir tmp;
    const QString user = tmp.path() + QStringLiteral("/user"), sys = tmp.path() + QStringLiteral("/sys");
    write(sys + QStringLiteral("/org.example.Editor.desktop"),
          "[Desktop Entry]\nType=Application\nName=Example Editor\nExec=example-editor %F\nIcon=editor\n"
          "[Desktop Action new]\nName=Wrong\nExec=wrong\n");
    write(sys + QStringLiteral("/office/writer.desktop"),
          "[Desktop Entry]\nType=Application\nName=Writer\nExec=office --writer\nStartupWMClass=office-writer\n");
    write(sys + QStringLiteral("/hidden.desktop"), "[Desktop Entry]\nType=Application\nName=Hidden\nExec=hid\n");
    write(user + QStringLiteral("/hidden.desktop"), "[Desktop Entry]\nType=Application\nHidden=true\n");
    write(sys + QStringLiteral("/link.desktop"), "[Desktop Entry]\nType=Link\nName=L\nURL=x\n");
    write(user + QStringLiteral("/org.example.Editor.desktop"),
          "[Desktop Entry]\nType=Application\nName=My Editor\nExec=example-editor\n");

    DesktopEntries e({user, sys});
    EXPECT_EQ(e.size(), 2);  // editor (user copy), writer
    auto ed = e.byId(QStringLiteral("org.example.Editor"));
    ASSERT_TRUE(ed);
    EXPECT_EQ(ed->name, QStringLiteral("My Editor"));  // the user's folder wins
    EXPECT_FALSE(e.byId(QStringLiteral("hidden")));     // hidden by the user, also for the system copy
    EXPECT_FALSE(e.byId(QStringLiteral("link")));
    auto w = e.byId(QStringLiteral("office-writer"));
    ASSERT_TRUE(w);
    EXPECT_EQ(w->program, QStringLiteral("office"));
    EXPECT_EQ(e.byWindowClass(QStringLiteral("Office-Writer"))->id, QStringLiteral("office-writer"));
    EXPECT_EQ(e.byWindowClass(QStringLiteral("org.example.editor"))->id, QStringLiteral("org.example.Editor"));
    EXPECT_EQ(e.byWindowClass(QStringLiteral("Editor"))->id, QStringLiteral("org.example.Editor"));
    EXPECT_FALSE(e.byWindowClass(QString()));
    EXPECT_EQ(e.byProgram(QStringLiteral("example-editor"))->id, QStringLiteral("org.example.Editor"));
    EXPECT_FALSE(e.byProgram(QStringLiteral("wrong")));  // only the main group counts
}

} // namespace
