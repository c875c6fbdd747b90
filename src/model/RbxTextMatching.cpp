#include "model/RbxTextMatching.h"

#include "core/CharSet.h"

namespace rbx {

namespace {

bool isAscii(QStringView s) {
    for (QChar q : s)
        if (q.unicode() >= 0x80) return false;
    return true;
}

} // namespace

QString foldedForMatching(const QString& text) {
    if (isAscii(text)) return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    const kx::CharSet& marks = kx::CharSet::combiningCharacters();
    QString out;
    out.reserve(decomposed.size());
    for (QChar q : decomposed)
        if (!marks.contains(q.unicode())) out.append(q);
    return out.toCaseFolded();
}

FoldedWord::FoldedWord(const QString& word) : folded_(foldedForMatching(word)), ascii_(isAscii(folded_)) {}

bool FoldedWord::isContainedIn(QStringView text) const {
    if (folded_.isEmpty()) return true;
    // An ASCII word can only be found in the ASCII-folded parts of a text; an ASCII
    // text needs no folding at all.
    if (isAscii(text)) return ascii_ && text.contains(folded_, Qt::CaseInsensitive);
    return foldedForMatching(text.toString()).contains(folded_);
}

bool containsIgnoringCaseAndDiacritics(const QString& text, const QString& word) {
    return FoldedWord(word).isContainedIn(text);
}

QStringList filterWords(const QString& filter) {
    return filter.split(u' ', Qt::SkipEmptyParts);
}

bool nameMatchesSearchStrings(const QString& name, const QStringList& words) {
    if (words.isEmpty()) return true;
    QString folded;
    bool haveFolded = false;
    for (const QString& w : words) {
        const FoldedWord fw(w);
        if (isAscii(name)) {
            if (!fw.isContainedIn(name)) return false;
            continue;
        }
        if (!haveFolded) { folded = foldedForMatching(name); haveFolded = true; }
        if (!folded.contains(fw.folded())) return false;
    }
    return true;
}

} // namespace rbx
