// Names the user gives single characters: one property list per group in the support
// folder "Custom Names", "(General)" for ordinary characters and the font family's
// name for private-use characters.

#include "model/RbxCharacterName.h"

#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "core/StringExtensions.h"
#include "core/Types.h"
#include "model/CharacterNameState.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

using rbx::names::state;

namespace {

const QString PlistExtension = QStringLiteral(".plist");

// The character a key of a group stands for: its one character, or the virtual
// character of the sequence it spells; 0 for anything else.
char32_t characterForKey(const QString& key) {
    if (kx::str::numberOfUnicodeCharacters(key) == 1) return kx::str::longCharacterAtIndex(key, 0);
    return RbxEmoji::virtualEmojiCharacterForString(key);
}

QStringList searchedGroups() {
    QStringList groups{RbxCharacterName::generalGroupName()};
    const QString family = rbx::names::currentFamilyName();
    if (!family.isEmpty() && family != groups.first()) groups.append(family);
    return groups;
}

bool isOneLetterWord(const QString& w) {
    return w.size() == 1 && ((w.at(0) >= u'A' && w.at(0) <= u'Z') || (w.at(0) >= u'a' && w.at(0) <= u'z'));
}

} // namespace

QString RbxCharacterName::fileNameForGroup(const QString& group) {
    QString out;
    out.reserve(group.size() + 4);
    for (qsizetype i = 0; i < group.size(); ++i) {
        const QChar q = group.at(i);
        if (q == u'%') out += QLatin1String("%25");
        else if (q == u'/') out += QLatin1String("%2F");
        else if (q == u'.' && i == 0) out += QLatin1String("%2E");
        else out += q;
    }
    return out;
}

QString RbxCharacterName::groupForFileName(const QString& baseName) {
    QString out;
    out.reserve(baseName.size());
    for (qsizetype i = 0; i < baseName.size(); ++i) {
        if (baseName.at(i) == u'%' && i + 2 < baseName.size()) {
            const QString code = baseName.mid(i + 1, 2).toUpper();
            const char16_t decoded = code == QLatin1String("25") ? u'%'
                                   : code == QLatin1String("2F") ? u'/'
                                   : code == QLatin1String("2E") ? u'.'
                                                                 : 0;
            if (decoded) {
                out += QChar(decoded);
                i += 2;
                continue;
            }
        }
        out += baseName.at(i);
    }
    return out;
}

QString RbxCharacterName::customNamesFolder() { return KXAppSupport::makeSupportSubfolder(QStringLiteral("Custom Names")); }

QString RbxCharacterName::userDefinedGroupForCharacter(char32_t c) {
    return kx::isPrivateUse(c) ? rbx::names::currentFamilyName() : generalGroupName();
}

void RbxCharacterName::loadUserDefinedNames() {
    rbx::names::State& s = state();
    if (s.userNamesLoaded) return;
    s.userNamesLoaded = true;
    const QString folder = customNamesFolder();
    if (folder.isEmpty()) return;
    const QDir dir(folder);
    for (const QString& fileName : dir.entryList(QDir::Files, QDir::Name)) {
        if (fileName.startsWith(u'.') || !fileName.endsWith(PlistExtension)) continue;
        const kx::plist::Result r = kx::plist::readFile(dir.filePath(fileName));
        if (!r.ok() || r.value.typeId() != QMetaType::QVariantMap) continue;
        const QVariantMap names = r.value.toMap();
        if (names.isEmpty()) continue;
        s.userNames[groupForFileName(fileName.chopped(PlistExtension.size()))] = names;
    }
}

QString RbxCharacterName::userDefinedNameOfCharacter(char32_t c) {
    loadUserDefinedNames();
    const QString group = userDefinedGroupForCharacter(c);
    if (group.isEmpty()) return QString();
    const auto it = state().userNames.find(group);
    if (it == state().userNames.end()) return QString();
    const QVariant v = it->second.value(kx::str::stringWithUTF32Character(c));
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

bool RbxCharacterName::setUserDefinedNameOfCharacter(char32_t c, const QString& name) {
    loadUserDefinedNames();
    const QString group = userDefinedGroupForCharacter(c);
    if (group.isEmpty()) {
        kx::log(QStringLiteral("no font family selected for the name of U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')));
        return false;
    }
    const QString key = kx::str::stringWithUTF32Character(c);
    auto& groups = state().userNames;
    auto it = groups.find(group);
    if (name.isEmpty()) {
        if (it == groups.end()) return true;
        it->second.remove(key);
    } else {
        if (it == groups.end()) it = groups.emplace(group, QVariantMap()).first;
        it->second.insert(key, name);
    }

    const QString folder = customNamesFolder();
    if (folder.isEmpty()) return false;
    const QString path = folder + u'/' + fileNameForGroup(group) + PlistExtension;
    if (it->second.isEmpty()) {
        groups.erase(it);
        if (QFileInfo::exists(path) && !QFile::remove(path)) {
            kx::log(QStringLiteral("could not delete %1").arg(path));
            return false;
        }
        return true;
    }
    QString error;
    if (!kx::plist::writeXmlFile(path, it->second, &error)) {
        kx::log(QStringLiteral("could not write %1: %2").arg(path, error));
        return false;
    }
    return true;
}

kx::CharSet RbxCharacterName::characterSetWithCustomNames() {
    loadUserDefinedNames();
    kx::CharSet set;
    for (const QString& group : searchedGroups()) {
        const auto it = state().userNames.find(group);
        if (it == state().userNames.end()) continue;
        for (auto e = it->second.constBegin(); e != it->second.constEnd(); ++e)
            if (const char32_t c = characterForKey(e.key())) set.addCharacter(c);
    }
    return set;
}

kx::CharSet RbxCharacterName::characterSetWithCustomNamesMatchingFilter(const QString& filter) {
    loadUserDefinedNames();
    kx::CharSet set;
    const bool userOnly = filter.startsWith(QLatin1String("++"));
    QStringList words = (userOnly ? filter.mid(2) : filter).split(u' ', Qt::SkipEmptyParts);
    if (!userOnly) {
        words.removeIf(isOneLetterWord);
        if (words.isEmpty()) return set;
    }
    for (const QString& group : searchedGroups()) {
        const auto it = state().userNames.find(group);
        if (it == state().userNames.end()) continue;
        for (auto e = it->second.constBegin(); e != it->second.constEnd(); ++e) {
            const char32_t c = characterForKey(e.key());
            if (!c) continue;
            const QString userName = e.value().toString();
            const QString databaseName = userOnly ? QString() : nameOfCharacter(c);
            const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
                return userName.contains(w, Qt::CaseInsensitive) ||
                       (!userOnly && databaseName.contains(w, Qt::CaseInsensitive));
            });
            if (all) set.addCharacter(c);
        }
    }
    return set;
}

QString RbxCharacterName::userDefinedNamesSummary() {
    loadUserDefinedNames();
    QStringList groups;
    for (const auto& [group, names] : state().userNames)
        if (!names.isEmpty()) groups.append(group);
    if (groups.isEmpty()) return QStringLiteral("none\n");
    std::sort(groups.begin(), groups.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    QString out;
    for (const QString& g : groups) out += QStringLiteral("%1: %2\n").arg(g).arg(state().userNames[g].size());
    return out;
}
