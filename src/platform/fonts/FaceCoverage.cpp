#include "platform/fonts/FaceInfo.h"

#include "core/Types.h"
#include "platform/fonts/FcCharacters.h"

namespace rbx {

void fc::addCharacters(const FcCharSet* characters, kx::CharSet& set) {
    if (!characters) return;
    FcChar32 map[FC_CHARSET_MAP_SIZE];
    FcChar32 next = 0;
    for (FcChar32 base = FcCharSetFirstPage(characters, map, &next); base != FC_CHARSET_DONE;
         base = FcCharSetNextPage(characters, map, &next)) {
        if (base > kx::LastCodePoint) break;
        for (int word = 0; word < FC_CHARSET_MAP_SIZE; ++word) {
            FcChar32 bits = map[word];
            while (bits) {
                const int bit = __builtin_ctz(bits);
                bits &= bits - 1;
                set.addCharacter(base + static_cast<char32_t>(word * 32 + bit));
            }
        }
    }
}

FaceCoverage::FaceCoverage(const _FcPattern* entry) : entry_(const_cast<FcPattern*>(entry)) {
    if (!entry_) return;
    // A reference to an entry of fontconfig's cache keeps the cache mapped.
    FcPatternReference(entry_);
    if (FcPatternGetCharSet(entry_, FC_CHARSET, 0, &characters_) != FcResultMatch) characters_ = nullptr;
    FcLangSet* languages = nullptr;
    if (FcPatternGetLangSet(entry_, FC_LANG, 0, &languages) == FcResultMatch) languages_ = languages;
}

FaceCoverage::~FaceCoverage() {
    if (entry_) FcPatternDestroy(entry_);
}

bool FaceCoverage::contains(char32_t c) const { return characters_ && FcCharSetHasChar(characters_, c); }

bool FaceCoverage::hasPageOf(char32_t c) const {
    if (!characters_) return false;
    // The page as a set of its own, made once for the page asked about last on this thread.
    struct Page {
        char32_t base = ~char32_t(0);
        FcCharSet* set = nullptr;
        ~Page() {
            if (set) FcCharSetDestroy(set);
        }
    };
    static thread_local Page page;
    const char32_t base = c & ~char32_t(0xFF);
    if (!page.set || page.base != base) {
        if (page.set) FcCharSetDestroy(page.set);
        page.set = FcCharSetCreate();
        page.base = base;
        for (char32_t k = 0; k < 0x100; ++k) FcCharSetAddChar(page.set, base + k);
    }
    return FcCharSetIntersectCount(characters_, page.set) > 0;
}

void FaceCoverage::addTo(kx::CharSet& set) const { fc::addCharacters(characters_, set); }

kx::CharSet FaceCoverage::characters() const {
    kx::CharSet set;
    addTo(set);
    return set;
}

std::size_t FaceCoverage::count() const { return characters_ ? FcCharSetCount(characters_) : 0; }

bool FaceCoverage::supportsLanguage(const QString& language) const {
    if (!languages_ || language.isEmpty()) return false;
    const QByteArray code = language.toLower().replace(u'_', u'-').toUtf8();
    return FcLangSetHasLang(languages_, reinterpret_cast<const FcChar8*>(code.constData())) != FcLangDifferentLang;
}

QStringList FaceCoverage::languages() const {
    QStringList list;
    if (!languages_) return list;
    FcStrSet* set = FcLangSetGetLangs(languages_);
    if (!set) return list;
    if (FcStrList* it = FcStrListCreate(set)) {
        while (const FcChar8* lang = FcStrListNext(it)) list << QString::fromUtf8(reinterpret_cast<const char*>(lang));
        FcStrListDone(it);
    }
    FcStrSetDestroy(set);
    return list;
}

} // namespace rbx
