#pragma once
// A styled text: a QString and, for every UTF-16 unit, its attributes (font, colours, link,
// attachment, paragraph alignment and spacing), read back as runs: maximal ranges of
// equal attributes. The class works with Qt Core alone, so the model can write HTML
// fragments with it; drawing it (QTextDocument), images and the clipboard are the
// helpers of kxlib/gui (AttributedStringDocument.h).
//
// Beside the editing it offers what the palette does with styled texts: an HTML fragment
// whose text is escaped, a clipboard form (text/plain and text/html), case conversion
// that keeps each run's attributes, capitalising, repetition, replacing every occurrence,
// bold and italic traits, and a small Markdown formatter (automatic links, reference
// definitions, bracket links, emphasis, escapes).

#include <QByteArray>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;

namespace kx {

// A font by family, size in points and the two traits the text knows.
struct TextFont {
    QString family;
    double pointSize = 12;
    bool bold = false;
    bool italic = false;
    bool operator==(const TextFont&) const = default;
};

// An embedded image: the file it travels as (name and bytes, PNG) and its size in points.
// An attachment made for drawing only carries the image bytes but no file name.
struct TextAttachment {
    QString fileName;
    QByteArray data;
    double width = 0;
    double height = 0;
    bool forDrawingOnly = false;
    bool operator==(const TextAttachment&) const = default;
};

enum class TextAlignment { Natural, Left, Center, Right, Justified };

struct TextAttributes {
    std::optional<TextFont> font;
    std::optional<unsigned> foreground;  // 0xAARRGGBB
    std::optional<unsigned> background;  // 0xAARRGGBB
    QString link;                        // a URL; "" for none
    std::shared_ptr<const TextAttachment> attachment;
    std::optional<TextAlignment> alignment;
    double paragraphSpacing = 0;         // points before and after a paragraph

    bool operator==(const TextAttributes& o) const;
    bool operator!=(const TextAttributes& o) const { return !(*this == o); }
};

// The font trait masks of applyTraits.
inline constexpr unsigned ItalicFontMask = 1;
inline constexpr unsigned BoldFontMask = 2;
// The search option of replaceOccurrences that ignores case.
inline constexpr unsigned CaseInsensitiveSearch = 1;

// The attachment character.
inline constexpr char16_t AttachmentCharacter = 0xFFFC;

class AttributedString {
public:
    struct Run {
        qsizetype start = 0;
        qsizetype length = 0;
        TextAttributes attributes;
    };

    AttributedString() = default;
    explicit AttributedString(const QString& text, const TextAttributes& attributes = {});

    // A one-character text whose attachment carries a PNG image as the file "picture.png".
    static AttributedString withImage(const QByteArray& png, double width, double height);
    // The same for drawing on screen only: the attachment has no file.
    static AttributedString forDrawingWithImage(const QByteArray& png, double width, double height);

    const QString& string() const { return text_; }
    qsizetype length() const { return text_.size(); }
    bool isEmpty() const { return text_.isEmpty(); }

    // The attributes at index i (an index past the end answers none) and, when asked, the
    // run around it.
    TextAttributes attributesAt(qsizetype i, Run* run = nullptr) const;
    std::vector<Run> runs() const;

    // ---- editing; ranges are clipped to the text
    void setAttributes(const TextAttributes& attributes, qsizetype start, qsizetype length);
    // Changes only the font (or alignment, or spacing) of a range, keeping the rest.
    void setFont(const TextFont& font, qsizetype start, qsizetype length);
    void setAlignment(TextAlignment alignment, double paragraphSpacing, qsizetype start, qsizetype length);
    // Replaces a range by a plain text that takes the attributes of the range's first
    // character (of the character before it when the range is empty).
    void replaceCharacters(qsizetype start, qsizetype length, const QString& replacement);
    void replaceCharacters(qsizetype start, qsizetype length, const AttributedString& replacement);
    void deleteCharacters(qsizetype start, qsizetype length) { replaceCharacters(start, length, QString()); }
    void append(const AttributedString& other);
    void append(const QString& text, const TextAttributes& attributes);
    AttributedString substring(qsizetype start, qsizetype length) const;
    // Groups changes; the text is the same whether or not they are grouped.
    void beginEditing() { ++editing_; }
    void endEditing() { if (editing_ > 0) --editing_; }

    // ---- forms
    // An HTML fragment: "<meta charset="utf-8">" and one element per run (a span with the
    // run's style, a link, an image), the text escaped and line feeds as "<br>".
    QString htmlRepresentation() const;
    // text/plain and text/html; the caller owns the object.
    QMimeData* mimeData() const;

    // ---- case, repetition, replacing
    AttributedString uppercaseAttributedString() const;
    AttributedString lowercaseAttributedString() const;
    AttributedString capitalizedAttributedString() const;
    // n < 1: empty; otherwise n copies in a row (always a copy).
    AttributedString repeated(int n) const;
    // Replaces every occurrence (the search continues behind each inserted replacement);
    // answers the number of replacements.
    qsizetype replaceOccurrences(const QString& target, const QString& replacement, unsigned options = 0);
    void applyTraits(unsigned traitMask, qsizetype start, qsizetype length);
    void applyBold(qsizetype start, qsizetype length) { applyTraits(BoldFontMask, start, length); }
    void applyItalic(qsizetype start, qsizetype length) { applyTraits(ItalicFontMask, start, length); }
    void convertRangeToUpperCase(qsizetype start, qsizetype length);

    // ---- Markdown
    void formatWithMarkdown();
    AttributedString attributedStringWithMarkdown() const;
    // Removes the reference definition lines and answers them by lower-case label, each a
    // map with "key", "url" and, when present, "title".
    QVariantMap collectMarkdownUrlDefinitions();
    void processMarkdownAutomaticLinks();
    void processMarkdownBracketLinks();
    void processMarkdownEmphasis();
    void processMarkdownEscapeCharacters();

    bool operator==(const AttributedString& o) const;

private:
    int intern(const TextAttributes& a);
    void clip(qsizetype& start, qsizetype& length) const;
    void replaceRunText(qsizetype start, qsizetype length, const QString& text);

    QString text_;
    std::vector<int> index_;               // per UTF-16 unit, into table_
    std::vector<TextAttributes> table_;
    int editing_ = 0;
};

} // namespace kx
