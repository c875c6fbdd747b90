#pragma once
// Matching words against names the way the palette's searches do: ignoring case and
// diacritics (so "e" finds "É" and "cafe" finds "Café").

#include <QString>
#include <QStringList>

namespace rbx {

// The text lower-cased with its diacritics removed (decomposed, combining marks
// dropped). ASCII text only lower-cased.
QString foldedForMatching(const QString& text);

// A word prepared once for many comparisons.
class FoldedWord {
public:
    FoldedWord() = default;
    explicit FoldedWord(const QString& word);
    const QString& folded() const { return folded_; }
    bool isEmpty() const { return folded_.isEmpty(); }
    // True when the text contains the word, ignoring case and diacritics.
    bool isContainedIn(QStringView text) const;

private:
    QString folded_;
    bool ascii_ = true;
};

// True when the text contains the word, ignoring case and diacritics.
bool containsIgnoringCaseAndDiacritics(const QString& text, const QString& word);

// The words of a filter: its parts between single blanks, empty parts dropped.
QStringList filterWords(const QString& filter);

// True when every word occurs in the name, ignoring case and diacritics (true when
// there are no words).
bool nameMatchesSearchStrings(const QString& name, const QStringList& words);

} // namespace rbx
