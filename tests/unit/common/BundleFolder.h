#pragma once
// A copy of the program laid out as a downloaded archive unpacks it: "bin/runebox" (an
// executable file with the given text) and "share/runebox/Info.plist" naming the
// program and its version.
#include <QDir>
#include <QFile>
#include <QString>

namespace rbxtest {

inline bool writeBundle(const QString& path, const QByteArray& program, const QByteArray& executableName,
                        const QByteArray& version) {
    QDir().mkpath(path + QStringLiteral("/bin"));
    QDir().mkpath(path + QStringLiteral("/share/runebox"));
    QFile exe(path + QStringLiteral("/bin/runebox"));
    if (!exe.open(QIODevice::WriteOnly) || exe.write(program) != program.size()) return false;
    exe.close();
    exe.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile info(path + QStringLiteral("/share/runebox/Info.plist"));
    if (!info.open(QIODevice::WriteOnly)) return false;
    return info.write("<plist><dict><key>CFBundleExecutable</key><string>" + executableName +
                      "</string><key>CFBundleVersion</key><string>" + version + "</string></dict></plist>") > 0;
}

} // namespace rbxtest
