#pragma once
// A text in one font at one size, in the rich forms the clipboard offers for formatted
// insertion: an HTML fragment and an RTF document (UTF-16 units as \u escapes, so that
// every character survives).

#include <QByteArray>
#include <QString>

namespace rbx::formatted {

QString htmlFragment(const QString& text, const QString& family, double pointSize);
QByteArray rtfDocument(const QString& text, const QString& family, double pointSize);

} // namespace rbx::formatted
