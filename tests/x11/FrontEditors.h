#pragma once
// The applications a user types in, of three toolkits, each holding the keyboard focus
// once started: the Qt probe, xterm (its per-application settings ask for typed text, so
// characters reach it by the typing road) and a GTK 3 text view (which takes pasted
// text). The tests read back what each received.
#include "Desktop.h"
#include "ProbeClient.h"
#include "common/TestEnvironment.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <memory>

namespace x11test {

class FrontEditor {
public:
    virtual ~FrontEditor() = default;
    // Started, with its window holding the keyboard.
    virtual bool started() = 0;
    // Everything it received as text so far.
    virtual QString text() = 0;
    virtual int pid() const = 0;
    virtual QString name() const = 0;

    bool waitForText(const QString& expected, int timeoutMs = 10000) {
        return rbxtest::waitFor([&] { return text() == expected; }, timeoutMs);
    }
    bool hasKeyboardFocus() const { return processHasKeyboardFocus(pid()); }
    bool waitForKeyboardFocus(int timeoutMs = 10000) const {
        return rbxtest::waitFor([this] { return hasKeyboardFocus(); }, timeoutMs);
    }
};

// The Qt probe, without its stand-in for a clipboard utility.
class ProbeEditor : public FrontEditor {
public:
    bool started() override { return probe_.started() && waitForKeyboardFocus(); }
    QString text() override { return probe_.text(); }
    int pid() const override { return int(probe_.pid()); }
    QString name() const override { return QStringLiteral("probe"); }

private:
    ProbeClient probe_{{QStringLiteral("--no-clipboard-utility")}};
};

// A program that writes what it receives to a file.
class FileEditor : public FrontEditor {
public:
    FileEditor(const QString& name, const QString& program, const QStringList& argsBeforeFile,
               const QStringList& argsAfterFile = {})
        : name_(name), file_(dir_.filePath(QStringLiteral("received.txt"))) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, argsBeforeFile + QStringList{file_} + argsAfterFile);
    }
    ~FileEditor() override {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
        process_.waitForFinished(3000);
    }
    bool started() override { return process_.waitForStarted() && waitForKeyboardFocus(15000); }
    QString text() override {
        QFile f(file_);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int pid() const override { return int(process_.processId()); }
    QString name() const override { return name_; }

private:
    QString name_;
    QTemporaryDir dir_;
    QString file_;
    QProcess process_;
};

// xterm running `cat` without line editing: every character typed lands in the file at
// once.
inline std::unique_ptr<FrontEditor> startXterm() {
    return std::make_unique<FileEditor>(
        QStringLiteral("xterm"), QStringLiteral("xterm"),
        QStringList{QStringLiteral("-u8"), QStringLiteral("-e"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("stty -icanon; exec cat > \"$0\"")});
}

// Mousepad editing a file of its own, which it saves when asked: its text is the file's,
// saved first (Ctrl+S through the keyboard) while it has the keyboard and its title says
// the text changed. Whether it received anything at all is read off its title, without
// touching the keyboard.
class MousepadEditor : public FrontEditor {
public:
    MousepadEditor() : file_(dir_.filePath(QStringLiteral("document.txt"))) {
        QFile f(file_);
        if (f.open(QIODevice::WriteOnly)) f.close();
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral("mousepad"), {QStringLiteral("--disable-server"), file_});
    }
    ~MousepadEditor() override {
        process_.kill();
        process_.waitForFinished(3000);
    }
    bool started() override { return process_.waitForStarted() && waitForKeyboardFocus(15000); }
    QString text() override {
        if (changed() && hasKeyboardFocus()) {
            x11test::key(QStringLiteral("ctrl+s"));
            rbxtest::waitFor([this] { return !changed(); }, 5000);
        }
        QFile f(file_);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    // Its title marks text not saved yet.
    bool changed() const {
        X11Session& x = X11Session::shared();
        for (X11Session::Window w : ewmh::windowsOfPid(x, pid()))
            if (ewmh::windowTitle(x, w).startsWith(QLatin1Char('*'))) return true;
        return false;
    }
    int pid() const override { return int(process_.processId()); }
    QString name() const override { return QStringLiteral("mousepad"); }

private:
    QTemporaryDir dir_;
    QString file_;
    QProcess process_;
};

// The GTK 3 text view (tests/x11/probe/gtk-editor.py) on the system's Python.
inline std::unique_ptr<FrontEditor> startGtkEditor() {
    return std::make_unique<FileEditor>(QStringLiteral("gtk"), QStringLiteral("/usr/bin/python3"),
                                        QStringList{QStringLiteral(RUNEBOX_GTK_EDITOR)});
}

} // namespace x11test
