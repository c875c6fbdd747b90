#pragma once
// The character lists of layout files and custom name files: characters written as
// themselves, as "#" with decimal digits or as "$" with hexadecimal digits, with any
// number of blanks (units up to U+0020) between them.

#include <QString>
#include <optional>

namespace rbx {

// The text without units up to U+0020 at both ends.
QString trimmedOfBlanks(const QString& text);

// The characters of a list as one text ("#65 $42 c" gives "ABc"). Values beyond
// U+10FFFF are left out.
QString stringFromCharacterList(const QString& list);

// Walks a list item by item.
class CharacterListScanner {
public:
    explicit CharacterListScanner(const QString& text, qsizetype from = 0, qsizetype to = -1);

    // Skips units up to U+0020; answers whether anything is left.
    bool skipBlanks();
    bool atEnd() const { return pos_ >= end_; }
    qsizetype position() const { return pos_; }
    void setPosition(qsizetype p) { pos_ = p; }
    char16_t peek() const { return atEnd() ? u'\0' : text_.at(pos_).unicode(); }

    // Reads one item at the current position (not a blank): "#" and decimal digits,
    // "$" and hexadecimal digits, else one character (a surrogate pair counts as one,
    // a broken pair as U+0000). A number beyond U+10FFFF gives nothing (the digits are
    // consumed all the same).
    std::optional<char32_t> readItem();

private:
    const QString& text_;
    qsizetype pos_;
    qsizetype end_;
};

} // namespace rbx
