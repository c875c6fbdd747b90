#include "insertion/RbxFormattedText.h"

#include <cmath>

namespace rbx::formatted {

namespace {

QString htmlEscaped(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (QChar ch : s) {
        switch (ch.unicode()) {
        case u'&': out += QStringLiteral("&amp;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        case u'"': out += QStringLiteral("&quot;"); break;
        case u'\'': out += QStringLiteral("&#39;"); break;
        case u'\n': out += QStringLiteral("<br>"); break;
        default: out += ch;
        }
    }
    return out;
}

// RTF text: the syntax characters escaped, line breaks and tabs as control words, and
// every unit beyond ASCII (surrogates included) as a \u escape with "?" for readers
// that cannot take it.
QByteArray rtfEscaped(const QString& s) {
    QByteArray out;
    for (QChar ch : s) {
        const char16_t u = ch.unicode();
        if (u == u'\\' || u == u'{' || u == u'}') {
            out += '\\';
            out += char(u);
        } else if (u == u'\n') {
            out += "\\par ";
        } else if (u == u'\t') {
            out += "\\tab ";
        } else if (u < 0x20) {
            // Other controls have no place in the text.
        } else if (u < 0x80) {
            out += char(u);
        } else {
            out += "\\u" + QByteArray::number(int(std::int16_t(u))) + '?';
        }
    }
    return out;
}

QString cssFamily(const QString& family) {
    QString f = family;
    f.remove(QLatin1Char('\'')).remove(QLatin1Char('"')).remove(QLatin1Char(';')).remove(QLatin1Char('<'))
        .remove(QLatin1Char('>')).remove(QLatin1Char('&'));
    return f;
}

QString sizeText(double pointSize) {
    const double p = pointSize > 0 && std::isfinite(pointSize) ? pointSize : 12;
    return QString::number(p, 'g', 6);
}

} // namespace

QString htmlFragment(const QString& text, const QString& family, double pointSize) {
    QString style = QStringLiteral("font-size: %1pt").arg(sizeText(pointSize));
    if (!family.isEmpty()) style = QStringLiteral("font-family: '%1'; ").arg(cssFamily(family)) + style;
    return QStringLiteral("<meta charset=\"utf-8\"><span style=\"%1\">%2</span>").arg(style, htmlEscaped(text));
}

QByteArray rtfDocument(const QString& text, const QString& family, double pointSize) {
    const double p = pointSize > 0 && std::isfinite(pointSize) ? pointSize : 12;
    QByteArray doc = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil ";
    doc += rtfEscaped(family.isEmpty() ? QStringLiteral("Helvetica") : family);
    doc += ";}}\\f0\\fs" + QByteArray::number(qRound(p * 2)) + ' ';
    doc += rtfEscaped(text);
    doc += '}';
    return doc;
}

} // namespace rbx::formatted
