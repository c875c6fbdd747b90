#include "platform/fonts/FontconfigShortcuts.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <initializer_list>

namespace {

using MatchFunction = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);

MatchFunction fontconfigMatch() {
    static const auto match = reinterpret_cast<MatchFunction>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return match;
}

// The installed or activated face that the pattern names by file and index; null when the
// pattern names none, or no face of the configuration is that one.
FcPattern* namedFace(FcConfig* config, const FcPattern* pattern) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || !file ||
        FcPatternGetInteger(pattern, FC_INDEX, 0, &index) != FcResultMatch)
        return nullptr;
    // Installed faces first, as fontconfig's match prefers them at an equal score.
    for (FcSetName which : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(config, which);
        if (!set) continue;
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* f = nullptr;
            int n = 0;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &f) == FcResultMatch && f &&
                std::strcmp(reinterpret_cast<const char*>(f), reinterpret_cast<const char*>(file)) == 0 &&
                FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &n) == FcResultMatch && n == index)
                return set->fonts[i];
        }
    }
    return nullptr;
}

} // namespace

// Defined by the program, so that the libraries' calls (Qt's) come here as well.
extern "C" FcPattern* FcFontMatch(FcConfig* config, FcPattern* pattern, FcResult* result) {
    if (FcPattern* face = pattern ? namedFace(config, pattern) : nullptr) {
        // What fontconfig does with the face it picks: the pattern's wishes and the face's
        // entry through the configuration's rules for fonts.
        if (FcPattern* prepared = FcFontRenderPrepare(config, pattern, face)) {
            if (result) *result = FcResultMatch;
            return prepared;
        }
    }
    const MatchFunction match = fontconfigMatch();
    if (!match) {
        if (result) *result = FcResultNoMatch;
        return nullptr;
    }
    return match(config, pattern, result);
}

namespace rbx {

bool prepareFontconfigShortcuts() { return fontconfigMatch() != nullptr; }

} // namespace rbx
