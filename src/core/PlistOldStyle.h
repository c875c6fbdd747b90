#pragma once
// The old-style property-list text shared by the OpenStep writer and the descriptions
// of values.

#include <QString>
#include <QVariant>

namespace kx::plist::detail {

enum class OldStyle {
    // Foundation's description: a string on its own is not quoted, non-ASCII
    // characters in quoted strings are written as \Unnnn.
    Description,
    // A property-list file: every string that needs it is quoted, text stays UTF-16.
    File,
};

// Letters, digits and _$/:.- may stand unquoted.
bool isUnquotedCharacter(QChar c);

QString oldStyleText(const QVariant& value, OldStyle style);

} // namespace kx::plist::detail
