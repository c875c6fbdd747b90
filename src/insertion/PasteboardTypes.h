#pragma once
// The clipboard types (X selection targets) the system publishes its text under.

#include <QString>
#include <QStringList>

namespace kx::pbtype {

// Plain text: every name readers ask for UTF-8 text by, most specific first.
inline QStringList plainText() {
    return {QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain;charset=utf-8"), QStringLiteral("text/plain")};
}
inline QString html() { return QStringLiteral("text/html"); }
inline QString rtf() { return QStringLiteral("text/rtf"); }

} // namespace kx::pbtype
