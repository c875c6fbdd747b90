// The characters of all fonts and the defined Unicode characters.

#include "model/RbxFontList.h"

#include "kxlib/SafeCall.h"
#include "core/Bundle.h"
#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/Plist.h"

const kx::CharSet& RbxFontList::availableCharactersInAllFonts() {
    if (!availableCharactersInAllFonts_) {
        kx::CharSet all;
        for (const rbx::Font& font : allFonts()) {
            if (!font || font.postScriptName().startsWith(u'.')) continue;
            const auto r = kx::safeCall(QStringLiteral("coveredCharacters"), [&] { font->addCoveredCharactersTo(all); });
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

const kx::CharSet& RbxFontList::bundleDefinedUnicodeCharacters() {
    static const kx::CharSet defined = [] {
        const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("UnicodeCharacters"), QStringLiteral("txt"));
        const kx::plist::Result r = path.isEmpty() ? kx::plist::Result{QVariant(), QStringLiteral("missing")}
                                                   : kx::plist::readFile(path);
        return definedCharactersFromList(r.ok() ? kx::ns::arrayOrEmpty(r.value) : QVariantList());
    }();
    return defined;
}

const kx::CharSet& RbxFontList::definedUnicodeCharacters() {
    return definedUnicodeCharacters_ ? *definedUnicodeCharacters_ : bundleDefinedUnicodeCharacters();
}

std::optional<kx::CharSet> RbxFontList::assignedCodePoints(const kx::CharSet& defined) {
    if (defined.isEmpty()) return std::nullopt;
    kx::CharSet assigned = defined;
    // The defined list leaves out what no table shows as a character of its own.
    assigned.addCharactersFrom(0x0000, 0x001F);
    assigned.addCharactersFrom(0x007F, 0x009F);
    assigned.addCharactersFrom(0xE000, 0xF8FF);
    assigned.addCharactersFrom(0xF0000, 0xFFFFD);
    assigned.addCharactersFrom(0x100000, 0x10FFFD);
    return assigned;
}

void RbxFontList::setDefinedUnicodeCharacters(const kx::CharSet& set) { definedUnicodeCharacters_ = set; }
