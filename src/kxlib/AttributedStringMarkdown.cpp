// The Markdown formatter: automatic links, reference definitions, bracket links, emphasis
// and escapes, applied in place to the characters of the text. Deleting characters moves
// everything behind them; the attributes set by a step stay with the characters left.
#include "kxlib/AttributedString.h"

#include "core/Log.h"
#include "core/StringExtensions.h"

#include <QUrl>

namespace kx {

namespace {

bool isEscapable(QChar c) {
    static const QString escapable = QStringLiteral("\\`*_{}[]()#+-.!");
    return escapable.contains(c);
}

// A link attribute from a target; none when the target forms no valid URL.
std::optional<TextAttributes> linkAttributes(const QString& target) {
    const QUrl url(target, QUrl::StrictMode);
    if (target.isEmpty() || !url.isValid() || target.contains(u' ')) return std::nullopt;
    TextAttributes a;
    a.link = target;
    return a;
}

// The title of a definition without its enclosing quotes or parentheses; a title of one
// character is kept as it is.
QString unwrappedTitle(const QString& raw) {
    const QString t = kx::str::stringByTrimmingWhitespace(raw);
    if (t.size() < 2) return t;
    const QChar first = t.front(), last = t.back();
    if ((first == u'(' && last == u')') || (first == u'\'' && last == u'\'') || (first == u'"' && last == u'"'))
        return t.mid(1, t.size() - 2);
    return t;
}

bool isLineEnd(QChar c) { return c == u'\n' || c == u'\r'; }

// A definition line ("   [label]: target title"), or nothing.
std::optional<QVariantMap> definitionOf(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && line[i] == u' ') ++i;
    if (i > 3 || i >= line.size() || line[i] != u'[') return std::nullopt;
    const qsizetype close = line.indexOf(u']', i + 1);
    if (close < 0 || close == i + 1) return std::nullopt;
    const QString label = line.mid(i + 1, close - i - 1);
    if (close + 1 >= line.size() || line[close + 1] != u':') return std::nullopt;
    qsizetype p = close + 2;
    const qsizetype blanks = p;
    while (p < line.size() && (line[p] == u' ' || line[p] == u'\t')) ++p;
    if (p == blanks || p >= line.size()) return std::nullopt;
    const qsizetype targetStart = p;
    while (p < line.size() && line[p].unicode() >= 0x21) ++p;
    QVariantMap def;
    def.insert(QStringLiteral("key"), label);
    def.insert(QStringLiteral("url"), line.mid(targetStart, p - targetStart));
    const QString title = unwrappedTitle(line.mid(p));
    if (!title.isEmpty()) def.insert(QStringLiteral("title"), title);
    return def;
}

} // namespace

void AttributedString::processMarkdownAutomaticLinks() {
    beginEditing();
    qsizetype candidate = -1;
    for (qsizetype i = 0; i < length(); ++i) {
        const QChar ch = text_[i];
        if (ch == u'<') {
            candidate = i + 1;
        } else if (ch.unicode() < 0x21) {
            candidate = -1;
        } else if (ch == u'>' && candidate >= 0) {
            const QString inner = text_.mid(candidate, i - candidate);
            candidate = -1;
            qsizetype mark = inner.indexOf(u':');
            bool mail = false;
            if (mark < 0) {
                mark = inner.indexOf(u'@');
                mail = true;
            }
            if (mark <= 0 || mark + 3 >= inner.size() || inner.indexOf(u'.', mark + 2) < 0) continue;
            const auto link = linkAttributes(mail ? QStringLiteral("mailto:") + inner : inner);
            if (!link) continue;
            const qsizetype start = i - inner.size();
            deleteCharacters(i, 1);
            deleteCharacters(start - 1, 1);
            setAttributes(*link, start - 1, inner.size());
            i = start - 1 + inner.size() - 1;
        }
    }
    endEditing();
}

QVariantMap AttributedString::collectMarkdownUrlDefinitions() {
    QVariantMap table;
    beginEditing();
    qsizetype s = 0;
    while (s < length()) {
        qsizetype e = s;
        while (e < length() && !isLineEnd(text_[e])) ++e;
        if (e >= length()) break;  // the last line without a line end is never a definition
        const auto def = e - s >= 6 ? definitionOf(text_.mid(s, e - s)) : std::nullopt;
        if (def) {
            table.insert(def->value(QStringLiteral("key")).toString().toLower(), *def);
            deleteCharacters(s, e - s + 1);
        } else {
            s = e + 1;
        }
    }
    endEditing();
    return table;
}

void AttributedString::processMarkdownBracketLinks() {
    const QVariantMap table = collectMarkdownUrlDefinitions();
    kx::log(QStringLiteral("linkDict = %1").arg(QStringList(table.keys()).join(QStringLiteral(", "))));
    beginEditing();
    bool escaped = false;
    qsizetype open = -1, close = -1;
    QChar expected;
    for (qsizetype i = 0; i < length(); ++i) {
        const QChar ch = text_[i];
        if (ch == u'\\') {
            escaped = !escaped;
            continue;
        }
        if (!escaped) {
            if (expected.isNull()) {
                if (ch == u'[') {
                    open = i;
                } else if (ch == u']' && open >= 0 && i + 1 < length() && (text_[i + 1] == u'(' || text_[i + 1] == u'[')) {
                    close = i;
                    expected = text_[i + 1] == u'(' ? QChar(u')') : QChar(u']');
                    ++i;
                }
            } else if (ch == expected) {
                const QString linkText = text_.mid(open + 1, close - open - 1);
                const QString between = text_.mid(close + 2, i - close - 2);
                QString target;
                if (expected == u')') {
                    target = between;
                } else {
                    const QString label = (between.isEmpty() ? linkText : between).toLower();
                    target = table.value(label).toMap().value(QStringLiteral("url")).toString();
                }
                const auto link = linkAttributes(target);
                if (link) {
                    deleteCharacters(close, i - close + 1);
                    deleteCharacters(open, 1);
                    setAttributes(*link, open, linkText.size());
                    i = open + linkText.size() - 1;
                }
                open = close = -1;
                expected = QChar();
            }
        }
        escaped = false;
    }
    endEditing();
}

void AttributedString::processMarkdownEmphasis() {
    beginEditing();
    bool escaped = false;
    QChar boldChar, italicChar;
    qsizetype boldStart = -1, italicStart = -1;
    auto above = [this](qsizetype i) { return i >= 0 && i < length() && text_[i].unicode() > 0x20; };
    qsizetype i = 0;
    while (i < length()) {
        const QChar ch = text_[i];
        if (ch == u'\\') {
            escaped = !escaped;
            ++i;
            continue;
        }
        if (escaped || (ch != u'*' && ch != u'_')) {
            escaped = false;
            ++i;
            continue;
        }
        const bool pair = i + 1 < length() && text_[i + 1] == ch;
        const qsizetype width = pair ? 2 : 1;
        const bool mark = above(i - 1) || above(i + width);
        QChar& open = pair ? boldChar : italicChar;
        qsizetype& start = pair ? boldStart : italicStart;
        qsizetype& other = pair ? italicStart : boldStart;
        if (!mark || (!open.isNull() && open != ch)) {
            i += width;
        } else if (open.isNull()) {
            open = ch;
            start = i;
            i += width;
        } else {
            deleteCharacters(i, width);
            deleteCharacters(start, width);
            if (other > start) other -= width;
            const qsizetype innerLength = i - width - start;
            if (innerLength > 0) {
                if (pair)
                    applyBold(start, innerLength);
                else
                    applyItalic(start, innerLength);
            }
            i -= width;
            open = QChar();
            start = -1;
        }
    }
    endEditing();
}

void AttributedString::processMarkdownEscapeCharacters() {
    beginEditing();
    for (qsizetype i = 0; i + 1 < length(); ++i)
        if (text_[i] == u'\\' && isEscapable(text_[i + 1])) deleteCharacters(i, 1);
    endEditing();
}

void AttributedString::formatWithMarkdown() {
    beginEditing();
    processMarkdownAutomaticLinks();
    processMarkdownBracketLinks();
    processMarkdownEmphasis();
    processMarkdownEscapeCharacters();
    endEditing();
}

AttributedString AttributedString::attributedStringWithMarkdown() const {
    AttributedString copy = *this;
    copy.formatWithMarkdown();
    return copy;
}

} // namespace kx
