#pragma once
// Shared between the layout registry and the upkeep of the user's layout files.

#include <QString>
#include <QStringList>
#include <optional>

namespace rbx::layouts {

// The layout files of a folder: names ending in ".txt" that do not begin with "." or
// "-", sorted ignoring case with numbers compared by value.
QStringList layoutFileNames(const QString& folder);
// The file's text; nothing (and the reason in `error`) when it cannot be read or is not
// valid UTF-8.
std::optional<QString> readUtf8File(const QString& path, QString* error = nullptr);

} // namespace rbx::layouts
