// Custom name files: text files in the folders "Character Names" (support folder, then
// bundle) that add names, keywords and names of emoji sequences, or name the
// private-use characters of font families. Merged into the name list by priority class
// (group / 100).

#include "model/RbxCharacterName.h"

#include "core/Bundle.h"
#include "core/KXAppSupport.h"
#include "model/CharacterNameState.h"
#include "model/RbxCharacterList.h"
#include "model/RbxEmoji.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace {

constexpr std::size_t MaxCollected = 100;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The text after a directive's keyword: "" for "[KEY]", the rest after one blank for
// "[KEY rest]"; nothing for any other continuation.
std::optional<QString> directiveArgument(const QString& name, QLatin1String keyword) {
    const QString inner = name.mid(1, name.size() - 2);
    if (!inner.startsWith(keyword)) return std::nullopt;
    const QString rest = inner.mid(keyword.size());
    if (rest.isEmpty()) return QString(QLatin1String(""));
    if (rest.at(0) != u' ') return std::nullopt;
    return rest.mid(1);
}

} // namespace

std::optional<RbxCharacterName> RbxCharacterName::newNameFromUTF8StringAt(const char*& p, const char* end) {
    while (p < end && static_cast<unsigned char>(*p) <= 0x20) ++p;
    if (p >= end) return std::nullopt;
    const char* lineEnd = p;
    while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r') ++lineEnd;
    const char* q = p;
    p = lineEnd;  // whatever happens, the next entry starts after this line

    std::uint64_t code = 0;
    if (isDigit(*q)) {
        while (q < lineEnd && isDigit(*q)) {
            if (code <= 0x10FFFF) code = code * 10 + static_cast<unsigned>(*q - '0');
            ++q;
        }
    } else if (*q == '[') {
        const char* close = std::find(q + 1, lineEnd, ']');
        if (close == lineEnd) return std::nullopt;
        const QString items = QString::fromUtf8(q + 1, close - q - 1);
        code = RbxEmoji::virtualEmojiCharacterForString(rbx::stringFromCharacterList(items));
        if (code == 0) return std::nullopt;
        q = close + 1;
    } else {
        while (q < lineEnd && hexValue(*q) < 0) ++q;
        if (q == lineEnd) return std::nullopt;
        while (q < lineEnd && hexValue(*q) >= 0) {
            if (code <= 0x10FFFF) code = code * 16 + static_cast<unsigned>(hexValue(*q));
            ++q;
        }
    }
    if (code > 0x10FFFF) return std::nullopt;
    while (q < lineEnd && (*q == ' ' || *q == '\t')) ++q;
    const char* nameEnd = q;
    while (nameEnd < lineEnd && static_cast<unsigned char>(*nameEnd) >= 0x20) ++nameEnd;
    if (nameEnd == q) return std::nullopt;
    return RbxCharacterName(static_cast<char32_t>(code), QString::fromUtf8(q, nameEnd - q));
}

int RbxCharacterName::readCustomNamesFromData(const QByteArray& utf8, List& names) {
    PuaLists pua;
    const int added = readCustomNamesFromData(utf8, names, pua);
    for (auto it = pua.constBegin(); it != pua.constEnd(); ++it) rbx::names::state().puaLists.insert(it.key(), it.value());
    return added;
}

int RbxCharacterName::readCustomNamesFromData(const QByteArray& utf8, List& names, PuaLists& puaLists) {
    int added = 0;
    std::uint16_t group = 0;
    QString prefix, suffix;
    std::shared_ptr<List> pua;
    QStringList families;

    const char* p = utf8.constData();
    const char* end = p + utf8.size();
    while (p < end) {
        const char* before = p;
        std::optional<RbxCharacterName> entry = newNameFromUTF8StringAt(p, end);
        if (!entry) {
            if (p == before) break;
            continue;
        }
        const QString& name = entry->name_;
        if (name.size() >= 2 && name.startsWith(u'[') && name.endsWith(u']')) {
            if (name.startsWith(QLatin1String("[GROUP"))) {
                group = static_cast<std::uint16_t>(entry->ch_ & 0xFFFF);
            } else if (const auto text = directiveArgument(name, QLatin1String("PREFIX"))) {
                prefix = *text;
            } else if (const auto text = directiveArgument(name, QLatin1String("SUFFIX"))) {
                suffix = *text;
            } else if (const auto family = directiveArgument(name, QLatin1String("FONT"))) {
                if (!family->isEmpty()) {
                    if (!pua) pua = std::make_shared<List>();
                    if (!families.contains(*family)) families.append(*family);
                }
            }
            continue;
        }
        RbxCharacterName record(entry->ch_, 0, group, prefix + name + suffix);
        if (pua) {
            pua->append(record);
        } else {
            names.append(record);
            ++added;
        }
    }
    if (pua) {
        pua->sort();
        const std::shared_ptr<const List> shared = pua;
        for (const QString& family : families) puaLists.insert(family, shared);
    }
    return added;
}

int RbxCharacterName::readCustomNamesFromFolder(const QString& folder, List& names, PuaLists& pua) {
    if (folder.isEmpty()) return 0;
    const QDir dir(folder);
    int added = 0;
    const QStringList files = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& fileName : files) {
        if (!fileName.endsWith(QLatin1String(".txt")) || fileName.startsWith(u'.')) continue;
        QFile file(dir.filePath(fileName));
        if (!file.open(QIODevice::ReadOnly)) continue;
        added += readCustomNamesFromData(file.readAll(), names, pua);
    }
    return added;
}

QStringList RbxCharacterName::customNameFolders() {
    QStringList folders;
    const QString own = KXAppSupport::makeSupportSubfolder(QStringLiteral("Character Names"));
    if (!own.isEmpty()) folders.append(own);
    const QString bundleFolder = kx::Bundle::mainBundle().pathForResource(QStringLiteral("Character Names"));
    if (!bundleFolder.isEmpty()) folders.append(bundleFolder);
    return folders;
}

int RbxCharacterName::readCustomNames(const QStringList& folders, List& names, PuaLists& pua) {
    int added = 0;
    for (const QString& folder : folders) added += readCustomNamesFromFolder(folder, names, pua);
    return added;
}

void RbxCharacterName::mergeNames(List& names) {
    names.sort();  // (a view becomes a list of its own here)
    // New entries over the same text; joined names are appended to the text (views are
    // made afresh from offsets, as appending may move it).
    const List::Entries entries = std::move(names.entries_);
    names.entries_.clear();
    names.entries_.reserve(entries.size());
    std::size_t i = 0;
    while (i < entries.size()) {
        const char32_t ch = entries[i].ch;
        int collectedClass = -1;
        std::size_t first = i, count = 0;  // the collected records: count records from first
        for (; i < entries.size() && entries[i].ch == ch; ++i) {
            const int cls = entries[i].group / 100;
            if (cls > collectedClass) {
                collectedClass = cls;
                first = i;
                count = 0;
            }
            if (cls == collectedClass && count < MaxCollected) ++count;
        }
        if (count == 1) {
            names.entries_.push_back(entries[first]);
            continue;
        }
        QString joined;
        std::uint16_t letter = 0;
        for (std::size_t k = first; k < first + count; ++k) {
            if (k > first) joined += QLatin1String("; ");
            joined += names.nameOf(entries[k]);
            if (!letter) letter = entries[k].letter;
        }
        names.append(ch, letter, static_cast<std::uint16_t>(collectedClass * 100), joined);
    }
}

namespace {
// The private-use lists are read when the first loading of the name list starts.
void ensureCustomNamesRead() {
    if (!rbx::names::state().customNamesRead) RbxCharacterName::loadNamesInBackground();
}
} // namespace

std::shared_ptr<const RbxCharacterName::List> RbxCharacterName::puaNamesOfFamily(const QString& family) {
    ensureCustomNamesRead();
    return rbx::names::state().puaLists.value(family);
}

std::shared_ptr<const RbxCharacterName::List> RbxCharacterName::puaNamesOfCurrentFont() {
    const QString family = rbx::names::currentFamilyName();
    return family.isEmpty() ? nullptr : puaNamesOfFamily(family);
}

QStringList RbxCharacterName::familiesWithPuaNames() {
    ensureCustomNamesRead();
    QStringList families = rbx::names::state().puaLists.keys();
    families.sort(Qt::CaseInsensitive);
    return families;
}
