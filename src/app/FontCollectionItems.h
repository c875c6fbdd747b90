#pragma once
// The items of the font list's collection pop-up, made from the font list's collection
// names, the activated font sets and whether a character is marked; and the language
// name that titles the collection of the user's language.
//
// In order: the first name (all fonts), "Recently inserted", "Marked Fonts" (disabled
// while no character is marked), a separator and one item per activated font set when
// there are any, a separator and the second name, then the other names, of which only
// the first whose name does not begin with "com.apple." has a separator before it.

#include <QList>
#include <QString>
#include <QStringList>

struct FontCollectionItem {
    enum class Kind { Collection, Recent, Marked, ActivationSet, Separator };
    Kind kind = Kind::Separator;
    QString title;
    // The collection's name; "RECENT_FONTS", "MARKED_FONTS"; for a set, the description
    // of its family names.
    QString object;
    int activationSet = -1;  // the set's position among the activated sets
    bool enabled = true;
    bool operator==(const FontCollectionItem&) const = default;
};

namespace fontcollections {

inline QString recentFonts() { return QStringLiteral("RECENT_FONTS"); }
inline QString markedFonts() { return QStringLiteral("MARKED_FONTS"); }

// The items; `setNames` are the activated sets' display names and `setObjects` their
// descriptions, parallel.
QList<FontCollectionItem> items(const QStringList& collectionNames, const QStringList& setNames,
                                const QStringList& setObjects, bool characterMarked, const QString& languageTitle);

// The enabled item whose object is `object`; else the first item.
int indexOfObject(const QList<FontCollectionItem>& items, const QString& object);

// The description a set of family names is stored under ("selectedCollection").
QString descriptionOfFamilies(const QStringList& families);

// The user's first language (an entry of the locale's UI languages, "de-CH"), named in
// itself and capitalised ("Deutsch"); "en" is "English". Without a name: the code.
QString preferredLanguage(const QStringList& uiLanguages);

} // namespace fontcollections
