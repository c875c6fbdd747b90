#pragma once
// Small helpers on URLs: the query as a dictionary, and the tags of a file.

#include <QStringList>
#include <QUrl>
#include <QVariantMap>

namespace kx::url {

// The query split at "&"; a part with "=" after its first character is split at the
// first "=", name and value percent-decoded, a later pair replacing an earlier one.
// Parts without "=", starting with "=", or that do not decode (a bad "%" sequence or
// bytes that are not UTF-8) are ignored. No query gives an empty dictionary. "+" stays
// "+".
QVariantMap parameterDictionary(const QUrl& url);
QVariantMap parameterDictionaryOfQuery(const QString& encodedQuery);

// Strict percent-decoding into UTF-8 text; nothing for a malformed input.
std::optional<QString> percentDecoded(const QString& text);

// The tags of a file URL: the desktop's file tags (extended attribute
// "user.xdg.tags", comma-separated); empty for other URLs.
QStringList fileTagNames(const QUrl& url);
bool hasFileTag(const QUrl& url, const QString& tag);

} // namespace kx::url
