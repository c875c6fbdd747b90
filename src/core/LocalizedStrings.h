#pragma once
// The program's English texts by key, from the bundle's "en.lproj/Localizable.strings"
// (a strings file: "key" = "value"; pairs). A key the file lacks (or a missing or damaged
// file) answers the key itself. The file is read once per bundle folder.

#include <QString>

namespace kx {

QString loc(const QString& key);

} // namespace kx
