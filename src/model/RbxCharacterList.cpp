#include "model/RbxCharacterList.h"

#include "core/StringExtensions.h"

#include <QChar>
#include <algorithm>
#include <cstdint>

namespace rbx {

namespace {

int hexDigit(char16_t u) {
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

bool isDecimalDigit(char16_t u) { return u >= u'0' && u <= u'9'; }

} // namespace

CharacterListScanner::CharacterListScanner(const QString& text, qsizetype from, qsizetype to)
    : text_(text), pos_(from), end_(to < 0 || to > text.size() ? text.size() : to) {}

bool CharacterListScanner::skipBlanks() {
    while (pos_ < end_ && text_.at(pos_).unicode() <= 0x20) ++pos_;
    return pos_ < end_;
}

std::optional<char32_t> CharacterListScanner::readItem() {
    if (atEnd()) return std::nullopt;
    const char16_t u = text_.at(pos_).unicode();
    const char16_t next = pos_ + 1 < end_ ? text_.at(pos_ + 1).unicode() : u'\0';
    // Values are accumulated with a ceiling so that long digit runs cannot overflow.
    constexpr std::uint64_t ceiling = 0x110000;
    if (u == u'#' && isDecimalDigit(next)) {
        std::uint64_t v = 0;
        ++pos_;
        while (pos_ < end_ && isDecimalDigit(text_.at(pos_).unicode())) {
            v = std::min<std::uint64_t>(v * 10 + (text_.at(pos_).unicode() - u'0'), ceiling);
            ++pos_;
        }
        if (v >= ceiling) return std::nullopt;
        return static_cast<char32_t>(v);
    }
    if (u == u'$' && hexDigit(next) >= 0) {
        std::uint64_t v = 0;
        ++pos_;
        while (pos_ < end_ && hexDigit(text_.at(pos_).unicode()) >= 0) {
            v = std::min<std::uint64_t>(v * 16 + static_cast<std::uint64_t>(hexDigit(text_.at(pos_).unicode())), ceiling);
            ++pos_;
        }
        if (v >= ceiling) return std::nullopt;
        return static_cast<char32_t>(v);
    }
    // One character; a broken half of a surrogate pair is read as character 0.
    kx::str::CodePointIterator it(QStringView(text_).left(end_), pos_);
    const char32_t c = it.next();
    pos_ = it.index();
    return it.brokenHalf() ? char32_t(0) : c;
}

QString trimmedOfBlanks(const QString& s) {
    qsizetype a = 0, b = s.size();
    while (a < b && s.at(a).unicode() <= 0x20) ++a;
    while (b > a && s.at(b - 1).unicode() <= 0x20) --b;
    return (a == 0 && b == s.size()) ? s : s.mid(a, b - a);
}

QString stringFromCharacterList(const QString& list) {
    QString out;
    CharacterListScanner scan(list);
    while (scan.skipBlanks()) {
        if (const auto c = scan.readItem()) {
            const char32_t v = *c;
            out.append(QString::fromUcs4(&v, 1));
        }
    }
    return out;
}

} // namespace rbx
