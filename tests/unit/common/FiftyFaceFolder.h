#pragma once
// The fifty small fixture faces (tests/data/fonts/fifty, families "Rbx Fifty 01" ..
// "Rbx Fifty 50") in the user's font folder for the life of the object. Face n maps
// A, B, C and one Greek capital letter of its own.

#include "common/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace rbxtest {

class FiftyFaceFolder {
public:
    static constexpr int Faces = 50;

    FiftyFaceFolder() : dir_(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/fonts")) {
        QDir().mkpath(dir_);
        const QDir source(testData(QStringLiteral("fonts/fifty")));
        for (const QString& name : source.entryList({QStringLiteral("*.ttf")}, QDir::Files))
            if (QFile::copy(source.filePath(name), dir_ + QLatin1Char('/') + name)) ++copied;
    }
    ~FiftyFaceFolder() { QDir(dir_).removeRecursively(); }
    FiftyFaceFolder(const FiftyFaceFolder&) = delete;
    FiftyFaceFolder& operator=(const FiftyFaceFolder&) = delete;

    // One more fixture face of tests/data/fonts (its file name) in the folder.
    bool add(const QString& fileName) const {
        return QFile::copy(testData(QStringLiteral("fonts/") + fileName), dir_ + QLatin1Char('/') + fileName);
    }

    static QString two(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }
    static QString postScriptName(int n) { return QStringLiteral("RbxFifty") + two(n) + QStringLiteral("-Regular"); }
    static QString family(int n) { return QStringLiteral("Rbx Fifty ") + two(n); }
    static char32_t ownLetter(int n) { return char32_t(0x391 + (n - 1) % 25); }

    int copied = 0;

private:
    QString dir_;
};

} // namespace rbxtest
