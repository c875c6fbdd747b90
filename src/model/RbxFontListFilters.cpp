// Name filters and type-select over the font families.

#include "model/RbxFontList.h"

#include "model/FontExtensions.h"
#include "kxlib/RbxDefaults.h"
#include "core/FoundationValues.h"
#include "model/RbxFontInfo.h"
#include "model/RbxTextMatching.h"

namespace {

const QString LigaWord = QStringLiteral("LIGA");

// The filter's words; "LIGA" taken out (and reported).
QStringList wordsOfFilter(const QString& filter, bool* liga) {
    QStringList words = rbx::filterWords(filter);
    const qsizetype removed = words.removeAll(LigaWord);
    if (liga) *liga = removed > 0;
    return words;
}

bool hasLigatures(RbxFontFamily& family) {
    const QList<rbx::Font>& members = family.members();
    if (members.isEmpty()) return false;
    const std::shared_ptr<RbxFontInfo> info = RbxFontInfo::fontInfoWithFont(members.first());
    return info && info->numberOfLigatures() > 0;
}

} // namespace

void RbxFontList::filterFamiliesMatchingName(const QString& filter, const std::optional<QSet<QString>>& inSet) {
    bool liga = false;
    const QStringList words = wordsOfFilter(filter, &liga);
    if (!inSet && words.isEmpty() && !liga) {
        fontFamilies_ = allFontFamilies_;
        return;
    }
    QList<FamilyPtr> families;
    for (const FamilyPtr& f : allFontFamilies_) {
        if (inSet && !inSet->contains(f->name())) continue;
        if (!rbx::nameMatchesSearchStrings(f->name(), words)) continue;
        if (liga && !hasLigatures(*f)) continue;
        families.append(f);
    }
    fontFamilies_ = families;
}

void RbxFontList::filterRecentFamiliesMatchingName(const QString& filter) {
    if (recentFonts_.isEmpty()) {
        // The older setting held font names: take their families.
        QStringList oldNames;
        for (const QVariant& v : kx::ns::arrayOrEmpty(settings().objectForKey(rbx::key::recentFonts)))
            if (kx::ns::isString(v)) oldNames.append(v.toString());
        if (!oldNames.isEmpty()) {
            QStringList families;
            for (const QString& name : oldNames) {
                const rbx::Font font = rbx::font::tryFindingFontWithName(name, rbx::Font::DefaultSize);
                if (!font) continue;
                const QString family = familyNameOfFont(font);
                if (!family.isEmpty() && !families.contains(family)) families.append(family);
            }
            recentFonts_ = families;
            storeRecentFonts();
        }
    }
    const QStringList words = wordsOfFilter(filter, nullptr);
    QList<FamilyPtr> families;
    for (const QString& name : recentFonts_) {
        const FamilyPtr f = familyNamed(name);
        if (f && rbx::nameMatchesSearchStrings(f->name(), words)) families.append(f);
    }
    fontFamilies_ = families;
}

void RbxFontList::filterFontsMatchingName(const QString& filter, char32_t markedCharacter) {
    const QStringList words = wordsOfFilter(filter, nullptr);
    QList<FamilyPtr> families;
    for (const FamilyPtr& f : allFontFamilies_)
        if (f->anyMemberContainsCharacter(markedCharacter) && rbx::nameMatchesSearchStrings(f->name(), words))
            families.append(f);
    fontFamilies_ = families;
}

int RbxFontList::typeSelectMatchFromRow(int from, int to, const QString& text) const {
    const int n = count();
    if (n == 0 || from < 0 || from >= n) return -1;
    const QString prefix = text.toLower();
    for (int row = from; row != to;) {
        if (fontFamilies_.at(row)->name().toLower().startsWith(prefix)) return row;
        row = (row + 1) % n;
        if (row == from) break;
    }
    return -1;
}
