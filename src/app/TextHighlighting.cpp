#include "app/TextHighlighting.h"

#include "core/StringExtensions.h"

namespace rbx::highlight {

namespace {

// The text without case and combining marks, and for every unit of it the range of the
// original character it comes from.
struct Folded {
    QString text;
    std::vector<Range> origin;
};

Folded fold(const QString& s) {
    Folded f;
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype width = (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ? 2 : 1;
        const QString ch = s.mid(i, width);
        const QString decomposed = ch.normalized(QString::NormalizationForm_D).toCaseFolded();
        for (QChar u : decomposed) {
            if (u.category() == QChar::Mark_NonSpacing) continue;
            f.text += u;
            f.origin.push_back(Range{i, width});
        }
        i += width;
    }
    return f;
}

} // namespace

std::vector<Range> foldedMatches(const QString& text, const QString& word) {
    std::vector<Range> out;
    const Folded w = fold(word);
    if (w.text.isEmpty()) return out;
    const Folded t = fold(text);
    qsizetype from = 0;
    while (true) {
        const qsizetype at = t.text.indexOf(w.text, from);
        if (at < 0) break;
        const Range& first = t.origin[std::size_t(at)];
        const Range& last = t.origin[std::size_t(at + w.text.size() - 1)];
        // Accents that follow the last letter belong to the match.
        qsizetype end = last.start + last.length;
        while (end < text.size() && text[end].category() == QChar::Mark_NonSpacing) ++end;
        out.push_back(Range{first.start, end - first.start});
        from = at + w.text.size();
    }
    return out;
}

std::vector<Range> filterRanges(const QString& text, const kx::CharSet* filtered, const QString& filterString) {
    std::vector<Range> out;
    if (filtered) {
        kx::str::CodePointIterator it(text);
        while (it.hasNext()) {
            const qsizetype start = it.index();
            const char32_t c = it.next();
            if (filtered->contains(c)) out.push_back(Range{start, it.index() - start});
        }
    }
    for (const QString& word : filterString.split(u' ', Qt::SkipEmptyParts)) {
        if (word.size() == 1 && filtered && filtered->contains(word[0].unicode())) continue;
        for (const Range& r : foldedMatches(text, word)) out.push_back(r);
    }
    return out;
}

std::vector<Range> uncoveredRuns(const QString& text, const kx::CharSet& covered) {
    std::vector<Range> out;
    kx::str::CodePointIterator it(text);
    qsizetype runStart = -1;
    while (it.hasNext()) {
        const qsizetype i = it.index();
        const char32_t c = it.next();
        const bool missing = c >= 0x20 && !covered.contains(c);
        if (missing && runStart < 0) runStart = i;
        if (!missing && runStart >= 0) {
            out.push_back(Range{runStart, i - runStart});
            runStart = -1;
        }
    }
    if (runStart >= 0) out.push_back(Range{runStart, text.size() - runStart});
    return out;
}

} // namespace rbx::highlight
