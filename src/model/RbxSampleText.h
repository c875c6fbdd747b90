#pragma once
// The sample texts of the preview and the sample editor: the bundle's "SampleText.plist"
// (an array of {"title", "text"}; entries lacking either are left out), the one chosen
// by the setting "sample" ("Lorem ipsum" when it is empty), and what the texts "C" (the
// user's own text, "editableSampleText") and "R" (the repertoire of the selected font)
// stand for. Also the text rules of the preview and of printing. Main thread only.

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>

class RbxSampleText {
public:
    RbxSampleText() = delete;

    static QVariantList sampleTextDictionaries();
    // The titles in file order.
    static QStringList sampleTextTitles();
    static QString selectedSampleTextTitle();
    // The text of the selected entry; "" when no entry has that title.
    static QString selectedSampleText();
    // The text of the entry with that title ("C" and "R" resolved); "" when there is none.
    static QString sampleTextWithTitle(const QString& title);
    // Whether the entry of that title is the user's own text ("C").
    static bool isUsersOwnText(const QString& title);
    // Every character of the selected font in the order of the Unicode blocks (the
    // search filter ignored), remembered until another font is selected.
    static QString repertoireOfCurrentFont();
    // Reads the file again on the next use (a test that changes the resources).
    static void reload();

    // ---- the preview and printing
    static constexpr std::array<int, 14> PreviewSizes = {8, 9, 10, 12, 14, 18, 20, 22, 26, 30, 32, 36, 38, 40};
    // The sample on one line: every line feed a blank.
    static QString previewSample(const QString& sample);
    // "%d pt: " and the first 7200 / size units of the sample (a surrogate pair is never
    // cut), without trailing line feeds.
    static QString previewParagraph(const QString& sample, int size);
    // The text printed: trailing units below U+0020 removed, then doubled (with a line
    // feed between) until it is at least 20,000 units long; "" stays "".
    static QString printText(const QString& sample);
    // True when the text holds a character above U+0020.
    static bool isPrintable(const QString& text);
};
