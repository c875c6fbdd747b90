// The characters of all fonts and the defined Unicode characters.

#include "model/RbxFontList.h"

#include "kxlib/SafeCall.h"
#include "kxlib/core/Bundle.h"
#include "kxlib/core/FoundationValues.h"
#include "kxlib/core/Log.h"
#include "kxlib/core/Plist.h"

const kx::CharSet& RbxFontList::availableCharactersInAllFonts() {
    if (!availableCharactersInAllFonts_) {
        kx::CharSet all;
        for (const rbx::Font& font : allFonts()) {
            if (!font || font.postScriptName().startsWith(u'.')) continue;
            const auto r = kx::safeCall(QStringLiteral("coveredCharacters"), [&] { all.formUnion(font->coveredCharacters()); });
            if (r.safeExecutionFailed())
                kx::log(QStringLiteral("*** error while collecting characters of font %1").arg(font.postScriptName()));
        }
        availableCharactersInAllFonts_ = std::move(all);
    }
    return *availableCharactersInAllFonts_;
}

kx::CharSet RbxFontList::definedCharactersFromList(const QVariantList& numbers) {
    if (numbers.isEmpty() || numbers.size() % 2 != 0)
        kx::log(QStringLiteral("*** %1 numbers in UnicodeCharacters").arg(numbers.size()));
    kx::CharSet set;
    for (qsizetype i = 0; i + 1 < numbers.size(); i += 2) {
        const qint64 from = kx::ns::integerValue(numbers.at(i));
        const qint64 to = kx::ns::integerValue(numbers.at(i + 1));
        if (from < 0 || to < from || from > 0x10FFFF) continue;
        set.addCharactersFrom(static_cast<char32_t>(from), static_cast<char32_t>(std::min<qint64>(to, 0x10FFFF)));
    }
    return set;
}

const kx::CharSet& RbxFontList::definedUnicodeCharacters() {
    if (!definedUnicodeCharacters_) {
        const QString path = kx::Bundle::pathForResource(QStringLiteral("UnicodeCharacters"), QStringLiteral("txt"));
        const kx::plist::Result r = path.isEmpty() ? kx::plist::Result{QVariant(), QStringLiteral("missing")}
                                                   : kx::plist::readFile(path);
        definedUnicodeCharacters_ = definedCharactersFromList(r.ok() ? kx::ns::arrayOrEmpty(r.value) : QVariantList());
    }
    return *definedUnicodeCharacters_;
}

void RbxFontList::setDefinedUnicodeCharacters(const kx::CharSet& set) { definedUnicodeCharacters_ = set; }
