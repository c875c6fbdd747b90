#include "platform/fonts/FontconfigShortcuts.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <cstring>
#include <initializer_list>

namespace {

using MatchFunction = FcPattern* (*)(FcConfig*, FcPattern*, FcResult*);
using ListFunction = FcFontSet* (*)(FcConfig*, FcPattern*, FcObjectSet*);

MatchFunction fontconfigMatch() {
    static const auto match = reinterpret_cast<MatchFunction>(dlsym(RTLD_NEXT, "FcFontMatch"));
    return match;
}

ListFunction fontconfigList() {
    static const auto list = reinterpret_cast<ListFunction>(dlsym(RTLD_NEXT, "FcFontList"));
    return list;
}

bool names(const FcObjectSet* objects, const char* object) {
    for (int i = 0; i < objects->nobject; ++i)
        if (std::strcmp(objects->objects[i], object) == 0) return true;
    return false;
}

// Every face's entry, installed faces first; null when the set cannot be made. An entry is
// handed out itself (referenced, not copied) unless it holds an object that is not asked
// for and that a reader may look for without asking (anti-aliasing); then it is cut down to
// the objects asked for.
FcFontSet* everyFace(FcConfig* config, const FcObjectSet* objects) {
    FcFontSet* out = FcFontSetCreate();
    if (!out) return nullptr;
    const bool antialiasAsked = names(objects, FC_ANTIALIAS);
    for (FcSetName which : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(config, which);
        for (int i = 0; set && i < set->nfont; ++i) {
            FcPattern* entry = set->fonts[i];
            FcValue v;
            if (!antialiasAsked && FcPatternGet(entry, FC_ANTIALIAS, 0, &v) == FcResultMatch) {
                entry = FcPatternFilter(entry, objects);
            } else {
                FcPatternReference(entry);
            }
            if (!entry || !FcFontSetAdd(out, entry)) {
                if (entry) FcPatternDestroy(entry);
                FcFontSetDestroy(out);
                return nullptr;
            }
        }
    }
    return out;
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

// A list of every face (an empty pattern) that names each face's file and index, as Qt's
// font database asks for, is every face's entry: no entry is matched against the empty
// pattern, copied, hashed and compared with the others (no two faces have the same file and
// index, so there are no duplicates to leave out). The entries hold the objects asked for
// with the same values, and more. Other lists are fontconfig's own.
extern "C" FcFontSet* FcFontList(FcConfig* config, FcPattern* pattern, FcObjectSet* objects) {
    if (pattern && objects && FcPatternObjectCount(pattern) == 0 && names(objects, FC_FILE) &&
        names(objects, FC_INDEX))
        // Brought up to date first, as fontconfig does when no configuration is named.
        if (config || FcInitBringUptoDate())
            if (FcFontSet* set = everyFace(config, objects)) return set;
    const ListFunction list = fontconfigList();
    return list ? list(config, pattern, objects) : nullptr;
}

namespace rbx {

bool prepareFontconfigShortcuts() { return fontconfigMatch() != nullptr && fontconfigList() != nullptr; }

} // namespace rbx
