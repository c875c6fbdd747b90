// Case conversion by runs, capitalising, repetition, replacing and font traits.
#include "kxlib/AttributedString.h"

namespace kx {

namespace {

enum class Case { Upper, Lower };

QString converted(const QString& s, Case c) { return c == Case::Upper ? s.toUpper() : s.toLower(); }

// Each run's text replaced by its converted form; the form may be longer or shorter
// ("ß" becomes "SS"), so the walk continues behind what was put in.
AttributedString convertedByRuns(const AttributedString& source, Case c) {
    AttributedString out = source;
    out.beginEditing();
    qsizetype i = 0;
    while (i < out.length()) {
        AttributedString::Run run;
        out.attributesAt(i, &run);
        // The run may reach back before i when the previous replacement merged with it.
        const qsizetype length = run.start + run.length - i;
        const QString form = converted(out.string().mid(i, length), c);
        out.replaceCharacters(i, length, AttributedString(form, run.attributes));
        i += form.size();
    }
    out.endEditing();
    return out;
}

bool isWordSeparator(char16_t u) {
    return u <= 0x20 || u == 0xA0 || u == 0x85 || (u >= 0x2002 && u <= 0x200A) || u == 0x2028 || u == 0x2029 ||
           u == 0x202F || u == 0x3000;
}

} // namespace

AttributedString AttributedString::uppercaseAttributedString() const { return convertedByRuns(*this, Case::Upper); }

AttributedString AttributedString::lowercaseAttributedString() const { return convertedByRuns(*this, Case::Lower); }

AttributedString AttributedString::capitalizedAttributedString() const {
    AttributedString out = lowercaseAttributedString();
    bool atWordStart = true;
    qsizetype i = 0;
    while (i < out.length()) {
        const QChar ch = out.string().at(i);
        if (ch.isSurrogate()) {
            atWordStart = false;
        } else if (isWordSeparator(ch.unicode())) {
            atWordStart = true;
        } else if (ch.isPunct()) {
            atWordStart = true;
        } else {
            if (atWordStart) {
                const QString upper = QString(ch).toUpper();
                if (upper != QString(ch)) {
                    out.replaceRunText(i, 1, upper);
                    i += upper.size();
                    atWordStart = false;
                    continue;
                }
            }
            atWordStart = false;
        }
        ++i;
    }
    return out;
}

AttributedString AttributedString::repeated(int n) const {
    if (n < 1) return AttributedString();
    if (n == 1) return *this;
    AttributedString half = repeated(n / 2);
    AttributedString out = half;
    out.append(half);
    if (n % 2 == 1) out.append(*this);
    return out;
}

qsizetype AttributedString::replaceOccurrences(const QString& target, const QString& replacement, unsigned options) {
    if (target.isEmpty()) return 0;
    const Qt::CaseSensitivity cs = (options & CaseInsensitiveSearch) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    qsizetype count = 0;
    qsizetype from = 0;
    beginEditing();
    while (from < length()) {
        const qsizetype at = text_.indexOf(target, from, cs);
        if (at < 0) break;
        replaceCharacters(at, target.size(), replacement);
        ++count;
        from = at + replacement.size();
    }
    endEditing();
    return count;
}

void AttributedString::applyTraits(unsigned traitMask, qsizetype start, qsizetype length) {
    clip(start, length);
    const qsizetype end = start + length;
    beginEditing();
    for (qsizetype i = start; i < end; ++i) {
        TextAttributes a = attributesAt(i);
        if (!a.font) continue;
        if (traitMask & BoldFontMask) a.font->bold = true;
        if (traitMask & ItalicFontMask) a.font->italic = true;
        index_[std::size_t(i)] = intern(a);
    }
    endEditing();
}

void AttributedString::convertRangeToUpperCase(qsizetype start, qsizetype length) {
    clip(start, length);
    qsizetype end = start + length;
    qsizetype i = 0;
    beginEditing();
    while (i < this->length()) {
        Run run;
        attributesAt(i, &run);
        const qsizetype runStart = std::max(run.start, i);
        const qsizetype runEnd = run.start + run.length;
        if (runStart >= end) break;
        if (runEnd <= start) {
            i = runEnd;
            continue;
        }
        const qsizetype s = std::max(runStart, start);
        const qsizetype e = std::min(runEnd, end);
        const QString upper = text_.mid(s, e - s).toUpper();
        replaceCharacters(s, e - s, AttributedString(upper, run.attributes));
        end += upper.size() - (e - s);
        i = s + upper.size();
    }
    endEditing();
}

} // namespace kx
