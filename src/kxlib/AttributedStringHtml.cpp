// The HTML fragment of a styled text and its clipboard form.
#include "kxlib/AttributedString.h"

#include <QMimeData>
#include <QStringList>
#include <QUrl>

namespace kx {

namespace {

QString escaped(const QString& s) {
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

// A family name as a CSS string: the characters that could end the string, the
// declaration or the attribute are left out.
QString cssFamily(const QString& family) {
    QString f = family;
    for (QChar c : {u'\'', u'"', u';', u'<', u'>', u'&'}) f.remove(c);
    return f;
}

QString cssColor(unsigned argb) {
    const unsigned a = argb >> 24;
    if (a == 0xFF) return QStringLiteral("#%1").arg(argb & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg((argb >> 16) & 0xFF)
        .arg((argb >> 8) & 0xFF)
        .arg(argb & 0xFF)
        .arg(QString::number(a / 255.0, 'g', 3));
}

QString style(const TextAttributes& a) {
    QStringList parts;
    if (a.font) {
        if (!a.font->family.isEmpty()) parts << QStringLiteral("font-family: '%1'").arg(cssFamily(a.font->family));
        parts << QStringLiteral("font-size: %1pt").arg(QString::number(a.font->pointSize, 'g', 6));
        if (a.font->bold) parts << QStringLiteral("font-weight: bold");
        if (a.font->italic) parts << QStringLiteral("font-style: italic");
    }
    if (a.foreground) parts << QStringLiteral("color: %1").arg(cssColor(*a.foreground));
    if (a.background) parts << QStringLiteral("background-color: %1").arg(cssColor(*a.background));
    return parts.join(QStringLiteral("; "));
}

QString runHtml(const QString& text, const TextAttributes& a) {
    QString body;
    if (a.attachment && !a.attachment->data.isEmpty()) {
        body = QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%3\" alt=\"%4\">")
                   .arg(QString::fromLatin1(a.attachment->data.toBase64()))
                   .arg(qRound(a.attachment->width))
                   .arg(qRound(a.attachment->height))
                   .arg(escaped(a.attachment->fileName));
        body = body.repeated(text.size());
    } else {
        body = escaped(text);
    }
    const QString css = style(a);
    if (!css.isEmpty()) body = QStringLiteral("<span style=\"%1\">%2</span>").arg(css, body);
    if (!a.link.isEmpty()) {
        const QString href = QString::fromUtf8(QUrl(a.link).toEncoded());
        body = QStringLiteral("<a href=\"%1\">%2</a>").arg(escaped(href), body);
    }
    return body;
}

} // namespace

QString AttributedString::htmlRepresentation() const {
    QString out = QStringLiteral("<meta charset=\"utf-8\">");
    for (const Run& r : runs()) out += runHtml(text_.mid(r.start, r.length), r.attributes);
    return out;
}

QMimeData* AttributedString::mimeData() const {
    auto* data = new QMimeData;
    QString plain = text_;
    plain.remove(QChar(AttachmentCharacter));
    data->setText(plain);
    data->setHtml(htmlRepresentation());
    return data;
}

} // namespace kx
