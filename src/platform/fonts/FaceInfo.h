#pragma once
// What the installed fonts' index (fontconfig's cache) says about a face without opening
// it: its names, where it lives, its weight and slant, whether it is fixed-pitch or a
// colour font, and the characters and languages it covers.

#include "core/CharSet.h"

#include <QString>
#include <QStringList>
#include <memory>

struct _FcCharSet;
struct _FcLangSet;
struct _FcPattern;

namespace rbx {

// A face's characters and languages as fontconfig recorded them. Immutable; may be used
// from any thread.
class FaceCoverage {
public:
    // The characters and languages of fontconfig's entry for the face, read where the entry
    // keeps them (fontconfig's cache): the entry is kept alive, nothing is copied.
    explicit FaceCoverage(const _FcPattern* entry);
    ~FaceCoverage();
    FaceCoverage(const FaceCoverage&) = delete;
    FaceCoverage& operator=(const FaceCoverage&) = delete;

    bool contains(char32_t c) const;
    // Whether the face has any of the 256 characters that share `c`'s page (all of its bits
    // but the last eight): a face without one need not be asked about the page's characters.
    bool hasPageOf(char32_t c) const;
    // Adds the characters to the set (with no set of the face's own kept).
    void addTo(kx::CharSet& set) const;
    kx::CharSet characters() const;
    std::size_t count() const;
    // Whether fontconfig counts the language ("en", "pt-br" ...) as covered.
    bool supportsLanguage(const QString& language) const;
    // The languages fontconfig counts as covered ("en", "pt-br" ...).
    QStringList languages() const;

private:
    _FcPattern* entry_ = nullptr;
    _FcCharSet* characters_ = nullptr;     // both inside the entry (either may be null)
    const _FcLangSet* languages_ = nullptr;
};

struct FaceInfo {
    QString postScriptName;
    QString family;
    QString style;
    QString file;   // empty for a face held in memory
    int index = 0;  // face index inside the file
    int weight = 400;  // OpenType weight class
    bool italic = false;
    bool fixedPitch = false;
    bool color = false;
    // Null when nothing but the face itself knows.
    std::shared_ptr<const FaceCoverage> coverage;

    // The full name: the family when none was recorded. Most faces' full name is the family
    // alone or the family and the style joined by a space; such a name is not kept as a
    // text of its own but made when asked (set it after the family and the style).
    QString fullName() const;
    void setFullName(const QString& name);
    // Whether the full name is the family and the style joined by a space.
    bool fullNameJoinsStyle() const { return fullNameIs_ == FullName::FamilyAndStyle; }

    // The same face: names, file and index.
    bool operator==(const FaceInfo& o) const {
        return postScriptName == o.postScriptName && family == o.family && style == o.style &&
               fullName() == o.fullName() && file == o.file && index == o.index;
    }

private:
    enum class FullName : unsigned char { Family, FamilyAndStyle, Own };
    FullName fullNameIs_ = FullName::Family;
    QString ownFullName_;
};

} // namespace rbx
