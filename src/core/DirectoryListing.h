#pragma once
// A text listing of a folder for diagnostics.

#include <QString>

namespace kx::ns {

// One line "<relative path> / <size> / <modification date>\n" per item, sorted by
// name, folders listed before their contents; without subDirectories only the files
// directly inside are listed. Links are listed but not followed. Dates as in
// dateDescription. A missing folder gives "".
QString descriptionOfDirectoryContentsAtPath(const QString& path, bool withSubDirectories);

} // namespace kx::ns
