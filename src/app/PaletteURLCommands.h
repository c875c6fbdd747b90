#pragma once
// The URL commands of the palette, read into plain requests:
//   runebox://open?sheet=about|pref[&tab=act|view|insert|upd]|contact|shape|import|export|<other>
//   runebox://set?insert=plain|form...|htm...&search=<text>

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <optional>

namespace paletteurl {

struct OpenRequest {
    // "about", "preferences", "contact", "shapeFinder", "importFavorites",
    // "exportFavorites", or "" for the window alone.
    QString sheet;
    // For the preferences: {"tab": 0, 1 or 2} when "tab" names one; for the shape
    // finder: {"file": path} when "file" names a shape file.
    QVariantMap options;
    // Why the link is not carried out ("" when it is): a "file" that is not the path of
    // a shape file (an existing file whose name, also where a link leads, ends in
    // ".rbxshape").
    QString refusal;
};
// Nothing without the parameter "sheet". Its value is matched lower-cased by prefix;
// "tab" is matched by prefix as it is.
std::optional<OpenRequest> parseOpen(const QUrl& url);

struct SetRequest {
    bool hasInsert = false;
    std::optional<int> segment;  // the insert-mode segment the value names, if any
    std::optional<QString> search;
    // Why the link is not carried out ("" when it is): an insert mode that names none.
    QString refusal;
};
SetRequest parseSet(const QUrl& url);

} // namespace paletteurl
