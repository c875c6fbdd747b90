#include "core/ByteReader.h"

namespace kx {

OutOfBounds::OutOfBounds(std::size_t o, std::size_t c, std::size_t s)
    : std::out_of_range("read of " + std::to_string(c) + " bytes at offset " + std::to_string(o) +
                        " past the end of " + std::to_string(s) + " bytes"),
      offset(o), count(c), size(s) {}

ByteReader::ByteReader(QByteArray data)
    : data_(std::move(data)), offset_(0), length_(static_cast<std::size_t>(data_.size())) {}

ByteReader::ByteReader(QByteArray data, std::size_t offset, std::size_t length)
    : data_(std::move(data)) {
    const std::size_t total = static_cast<std::size_t>(data_.size());
    if (offset > total || length > total - offset) throw OutOfBounds(offset, length, total);
    offset_ = offset;
    length_ = length;
}

std::uint8_t ByteReader::u8(std::size_t offset) const {
    check(offset, 1);
    return data()[offset];
}

std::uint16_t ByteReader::u16(std::size_t offset) const {
    check(offset, 2);
    const std::uint8_t* p = data() + offset;
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

std::uint32_t ByteReader::u24(std::size_t offset) const {
    check(offset, 3);
    const std::uint8_t* p = data() + offset;
    return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2];
}

std::uint32_t ByteReader::u32(std::size_t offset) const {
    check(offset, 4);
    const std::uint8_t* p = data() + offset;
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

ByteReader ByteReader::slice(std::size_t offset, std::size_t length) const {
    check(offset, length);
    ByteReader r;
    r.data_ = data_;
    r.offset_ = offset_ + offset;
    r.length_ = length;
    return r;
}

ByteReader ByteReader::sliceFrom(std::size_t offset) const {
    check(offset, 0);
    return slice(offset, length_ - offset);
}

QByteArray ByteReader::bytes(std::size_t offset, std::size_t length) const {
    check(offset, length);
    return QByteArray(reinterpret_cast<const char*>(data() + offset), static_cast<qsizetype>(length));
}

QString ByteReader::hexStringWithByteGroups(int group) const {
    QString s;
    s.reserve(static_cast<qsizetype>(length_ * 3));
    static const char* hex = "0123456789ABCDEF";
    for (std::size_t i = 0; i < length_; ++i) {
        if (group > 0 && i > 0 && i % static_cast<std::size_t>(group) == 0) s.append(u' ');
        const std::uint8_t b = data()[i];
        s.append(QLatin1Char(hex[b >> 4]));
        s.append(QLatin1Char(hex[b & 15]));
    }
    return s;
}

void appendBig16(QByteArray& out, std::uint16_t v) {
    out.append(static_cast<char>(v >> 8));
    out.append(static_cast<char>(v & 0xFF));
}

void appendBig32(QByteArray& out, std::uint32_t v) {
    out.append(static_cast<char>(v >> 24));
    out.append(static_cast<char>((v >> 16) & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
    out.append(static_cast<char>(v & 0xFF));
}

QString fourCCString(std::uint32_t code) {
    QString s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((code >> shift) & 0xFF);
        s.append(QLatin1Char(c >= 0x20 && c < 0x7F ? c : '?'));
    }
    return s;
}

} // namespace kx
