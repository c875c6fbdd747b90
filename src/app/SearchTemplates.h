#pragma once
// The search templates offered by the search field's menu, from the bundle's
// "SearchTemplates.plist": an array whose entries are a text (title and value at once)
// or an array of two texts (title, value). The title "-" stands for a separator; the
// titles after the first separator are looked up in the localised strings. The value
// "shapeFinder" is reserved and gives no item.

#include <QList>
#include <QString>
#include <QVariant>

class QMenu;
class QObject;

struct SearchTemplate {
    QString title;  // empty for a separator
    QString value;  // the search text
    bool separator = false;
    bool operator==(const SearchTemplate&) const = default;
};

namespace searchtemplates {

// The entries of the plist's value, in order; entries of another shape are skipped.
// `localise` looks a title up in the localised strings.
QList<SearchTemplate> entries(const QVariant& plist, QString (*localise)(const QString&));
// The bundle's file read and turned into entries; empty when it is missing or damaged.
QList<SearchTemplate> bundleEntries();

// Empties the menu and fills it with the entries: each item carries its value as data.
void fillMenu(QMenu& menu, const QList<SearchTemplate>& entries);

} // namespace searchtemplates
