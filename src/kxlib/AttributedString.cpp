#include "kxlib/AttributedString.h"

#include <algorithm>

namespace kx {

bool TextAttributes::operator==(const TextAttributes& o) const {
    const bool sameAttachment = attachment == o.attachment || (attachment && o.attachment && *attachment == *o.attachment);
    return font == o.font && foreground == o.foreground && background == o.background && link == o.link &&
           sameAttachment && alignment == o.alignment && paragraphSpacing == o.paragraphSpacing;
}

AttributedString::AttributedString(const QString& text, const TextAttributes& attributes) : text_(text) {
    const int i = intern(attributes);
    index_.assign(std::size_t(text.size()), i);
}

namespace {
AttributedString imageText(const QByteArray& png, double width, double height, bool forDrawing) {
    auto a = std::make_shared<TextAttachment>();
    a->fileName = forDrawing ? QString() : QStringLiteral("picture.png");
    a->data = png;
    a->width = width;
    a->height = height;
    a->forDrawingOnly = forDrawing;
    TextAttributes attrs;
    attrs.attachment = a;
    return AttributedString(QString(QChar(AttachmentCharacter)), attrs);
}
} // namespace

AttributedString AttributedString::withImage(const QByteArray& png, double width, double height) {
    return imageText(png, width, height, false);
}

AttributedString AttributedString::forDrawingWithImage(const QByteArray& png, double width, double height) {
    return imageText(png, width, height, true);
}

int AttributedString::intern(const TextAttributes& a) {
    for (std::size_t i = 0; i < table_.size(); ++i)
        if (table_[i] == a) return int(i);
    table_.push_back(a);
    return int(table_.size() - 1);
}

void AttributedString::clip(qsizetype& start, qsizetype& length) const {
    start = std::clamp<qsizetype>(start, 0, text_.size());
    length = std::clamp<qsizetype>(length, 0, text_.size() - start);
}

TextAttributes AttributedString::attributesAt(qsizetype i, Run* run) const {
    if (i < 0 || i >= text_.size()) {
        if (run) *run = Run{std::clamp<qsizetype>(i, 0, text_.size()), 0, {}};
        return {};
    }
    const TextAttributes& a = table_[std::size_t(index_[std::size_t(i)])];
    if (run) {
        qsizetype s = i, e = i + 1;
        while (s > 0 && table_[std::size_t(index_[std::size_t(s - 1)])] == a) --s;
        while (e < text_.size() && table_[std::size_t(index_[std::size_t(e)])] == a) ++e;
        *run = Run{s, e - s, a};
    }
    return a;
}

std::vector<AttributedString::Run> AttributedString::runs() const {
    std::vector<Run> out;
    for (qsizetype i = 0; i < text_.size();) {
        Run r;
        attributesAt(i, &r);
        out.push_back(r);
        i = r.start + r.length;
    }
    return out;
}

void AttributedString::setAttributes(const TextAttributes& attributes, qsizetype start, qsizetype length) {
    clip(start, length);
    if (length == 0) return;
    const int i = intern(attributes);
    std::fill_n(index_.begin() + start, length, i);
}

void AttributedString::setFont(const TextFont& font, qsizetype start, qsizetype length) {
    clip(start, length);
    for (qsizetype i = start; i < start + length; ++i) {
        TextAttributes a = table_[std::size_t(index_[std::size_t(i)])];
        a.font = font;
        index_[std::size_t(i)] = intern(a);
    }
}

void AttributedString::setAlignment(TextAlignment alignment, double paragraphSpacing, qsizetype start, qsizetype length) {
    clip(start, length);
    for (qsizetype i = start; i < start + length; ++i) {
        TextAttributes a = table_[std::size_t(index_[std::size_t(i)])];
        a.alignment = alignment;
        a.paragraphSpacing = paragraphSpacing;
        index_[std::size_t(i)] = intern(a);
    }
}

void AttributedString::replaceCharacters(qsizetype start, qsizetype length, const QString& replacement) {
    clip(start, length);
    TextAttributes a;
    if (length > 0)
        a = attributesAt(start);
    else if (start > 0)
        a = attributesAt(start - 1);
    else if (!text_.isEmpty())
        a = attributesAt(0);
    replaceCharacters(start, length, AttributedString(replacement, a));
}

void AttributedString::replaceCharacters(qsizetype start, qsizetype length, const AttributedString& replacement) {
    clip(start, length);
    std::vector<int> inserted;
    inserted.reserve(std::size_t(replacement.length()));
    for (qsizetype i = 0; i < replacement.length(); ++i)
        inserted.push_back(intern(replacement.table_[std::size_t(replacement.index_[std::size_t(i)])]));
    text_.replace(start, length, replacement.text_);
    index_.erase(index_.begin() + start, index_.begin() + start + length);
    index_.insert(index_.begin() + start, inserted.begin(), inserted.end());
}

void AttributedString::append(const AttributedString& other) { replaceCharacters(length(), 0, other); }

void AttributedString::append(const QString& text, const TextAttributes& attributes) {
    append(AttributedString(text, attributes));
}

AttributedString AttributedString::substring(qsizetype start, qsizetype length) const {
    clip(start, length);
    AttributedString out;
    out.text_ = text_.mid(start, length);
    for (qsizetype i = start; i < start + length; ++i)
        out.index_.push_back(out.intern(table_[std::size_t(index_[std::size_t(i)])]));
    return out;
}

void AttributedString::replaceRunText(qsizetype start, qsizetype length, const QString& text) {
    const TextAttributes a = attributesAt(start);
    replaceCharacters(start, length, AttributedString(text, a));
}

bool AttributedString::operator==(const AttributedString& o) const {
    if (text_ != o.text_) return false;
    for (qsizetype i = 0; i < text_.size(); ++i)
        if (attributesAt(i) != o.attributesAt(i)) return false;
    return true;
}

} // namespace kx
