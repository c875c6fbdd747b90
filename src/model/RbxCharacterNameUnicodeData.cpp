// The maintainers' option: names read from a UnicodeData.txt in the folder that the
// setting "unicodeFolder" names, in place of the bundle's names file.

#include "model/RbxCharacterName.h"

#include "core/Log.h"
#include "model/CharacterNameState.h"
#include "kxlib/RbxDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString RbxCharacterName::unicodeFolderPath() {
    rbx::names::State& s = rbx::names::state();
    if (!s.unicodeFolder) {
        QString path = RbxDefaults::userDefaults().stringForKey(rbx::key::unicodeFolder);
        if (path.isEmpty()) {
            s.unicodeFolder = QString();
        } else {
            if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
                path = QDir::homePath() + path.mid(1);
            if (QFileInfo(path).isDir()) {
                kx::log(QStringLiteral("Loading Unicode data from %1").arg(path));
                s.unicodeFolder = path;
            } else {
                kx::log(QStringLiteral("Unicode folder not found at %1").arg(path));
                s.unicodeFolder = QString();
            }
        }
    }
    return *s.unicodeFolder;
}

RbxCharacterName::List RbxCharacterName::namesFromUnicodeData(const QByteArray& bytes, kx::CharSet* defined,
                                                              int* lineCount) {
    List names;
    const QString text = QString::fromUtf8(bytes);
    const QStringList lines = text.split(u'\n');
    qsizetype norm = -1;
    int count = 0;
    char32_t rangeStart = 0;
    bool inRange = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty()) continue;
        ++count;
        const QStringList fields = line.split(u';');
        if (norm < 0) norm = fields.size();
        if (fields.size() != norm || fields.size() < 11) {
            kx::log(QStringLiteral("mismatch in line %1: %2 parts").arg(i + 1).arg(fields.size()));
            continue;
        }
        bool ok = false;
        const uint code = fields.at(0).toUInt(&ok, 16);
        if (!ok || code > 0x10FFFF) continue;
        const QString& field1 = fields.at(1);
        const bool control = field1 == QLatin1String("<control>");

        if (defined && code >= 32 && !control && !field1.contains(QLatin1String("Private Use"), Qt::CaseInsensitive) &&
            !field1.contains(QLatin1String("Surrogate"), Qt::CaseInsensitive)) {
            if (field1.contains(QLatin1String("First>"))) {
                rangeStart = code;
                inRange = true;
            } else if (inRange && field1.contains(QLatin1String("Last>"))) {
                defined->addCharactersFrom(rangeStart, code);
                inRange = false;
            } else {
                defined->addCharacter(code);
            }
        }

        QString name = control ? fields.at(10) : field1;
        bool lower = false;
        for (QChar q : name)
            if (q.unicode() >= 'a' && q.unicode() <= 'z') { lower = true; break; }
        if (lower || name.isEmpty()) continue;
        if (!fields.at(8).isEmpty()) name = QStringLiteral("%1 (NUMBER %2)").arg(name, fields.at(8));
        RbxCharacterName record(code, 0, 0, name);
        record.checkForLetter();
        names.append(record);
    }
    if (lineCount) *lineCount = count;
    return names;
}

std::optional<RbxCharacterName::List> RbxCharacterName::readFromUnicodeDataFile(const QString& folder, kx::CharSet* defined) {
    if (folder.isEmpty()) return std::nullopt;
    QFile file(folder + QStringLiteral("/UnicodeData.txt"));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        kx::log(QStringLiteral("UnicodeData.txt not found in %1").arg(folder));
        return std::nullopt;
    }
    int lines = 0;
    List names = namesFromUnicodeData(file.readAll(), defined, &lines);
    kx::log(QStringLiteral("custom UnicodeData.txt:"));
    kx::log(QStringLiteral("  %1 lines").arg(lines));
    kx::log(QStringLiteral("  %1 Unicode characters").arg(defined->numberOfCharacters()));
    return names;
}
