#pragma once
// The desktop's opener (xdg-open) replaced for a test by a script that notes each
// argument it is given, one per line, in a file of its own.
#include "common/TestEnvironment.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QUrl>

namespace x11test {

class FakeOpener {
public:
    FakeOpener() {
        QFile script(bin_.filePath(QStringLiteral("xdg-open")));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$RBX_OPENED\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // The environment of a program that finds this opener first.
    QProcessEnvironment environment() const {
        QProcessEnvironment env;
        env.insert(QStringLiteral("PATH"), bin_.path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        env.insert(QStringLiteral("RBX_OPENED"), log());
        return env;
    }
    // What was opened so far, once at least `count` things were (what there is after 10 s).
    QStringList opened(int count) const {
        QStringList lines;
        rbxtest::waitFor([&] {
            QFile f(log());
            lines = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts) : QStringList();
            return lines.size() >= count;
        }, 10000);
        return lines;
    }
    // The text of the page opened as the n-th, once it was opened.
    QString page(int n) const {
        QFile page(QUrl(opened(n + 1).value(n)).toLocalFile());
        return page.open(QIODevice::ReadOnly) ? QString::fromUtf8(page.readAll()) : QString();
    }

private:
    QString log() const { return bin_.filePath(QStringLiteral("opened.txt")); }
    QTemporaryDir bin_;
};

} // namespace x11test
